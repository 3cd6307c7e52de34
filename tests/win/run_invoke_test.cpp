// The late-bound call helper against an in-process object whose answers the test chooses:
// arguments and property puts as a server sees them, errors as the caller sees them, and the
// retries a busy server gets.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "win/apartment_thread_win.h"
#include "win/com_object_win.h"
#include "win/com_win.h"

namespace kavro::win {
namespace {

// The failure `call` throws, or an empty one (no number, S_OK) if it does not throw.
template <typename F>
ComFailure FailureOf(F call) {
  try {
    call();
  } catch (const ComFailure& failure) {
    return failure;
  }
  ADD_FAILURE() << "no failure";
  return ComFailure(S_OK, 0, L"");
}

// Members "Value" (property), "Echo" (method joining its string arguments), "Fail".
class Scripted final : public ComObject<IDispatch> {
 public:
  std::vector<std::wstring> seen;  // one line per Invoke
  int rejectFirst = 0;             // that many calls answer RPC_E_CALL_REJECTED
  int lookups = 0;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                          DISPID* ids) override {
    ++lookups;
    static const wchar_t* known[] = {L"Value", L"Echo", L"Fail"};
    for (int i = 0; i < 3; ++i) {
      if (_wcsicmp(names[0], known[i]) == 0) {
        ids[0] = i + 1;
        return S_OK;
      }
    }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override {
    if (rejectFirst > 0) {
      --rejectFirst;
      seen.push_back(L"rejected");
      return RPC_E_CALL_REJECTED;
    }
    std::wstring line = std::to_wstring(id) + L":" + std::to_wstring(flags);
    for (UINT i = 0; i < params->cNamedArgs; ++i) {
      line += L" named" + std::to_wstring(params->rgdispidNamedArgs[i]);
    }
    for (UINT i = params->cArgs; i-- > 0;) {  // last to first in rgvarg
      VARIANT& v = params->rgvarg[i];
      line += v.vt == VT_BSTR ? L" " + std::wstring(v.bstrVal) : (v.boolVal ? L" true" : L" false");
    }
    seen.push_back(line);
    if (id == 3) {
      info->scode = static_cast<SCODE>(0x80041234);
      info->bstrDescription = SysAllocString(L"图纸无效");
      info->bstrSource = SysAllocString(L"Scripted");
      return DISP_E_EXCEPTION;
    }
    if (result) {
      result->vt = VT_BSTR;
      result->bstrVal = SysAllocString(L"answer");
    }
    return S_OK;
  }
};

TEST(Invoke, PassesArgumentsInOrderAndPutsAsNamedArguments) {
  auto object = MakeCom<Scripted>();
  UniqueVariant a = UniqueVariant::String(L"a");
  UniqueVariant b = UniqueVariant::String(L"b");
  EXPECT_EQ(Invoke(object.Get(), L"Echo", InvokeKind::Method, {a.Ptr(), b.Ptr()}).AsString(),
            L"answer");
  UniqueVariant on = UniqueVariant::Bool(true);
  Invoke(object.Get(), L"Value", InvokeKind::PropertyPut, {on.Ptr()});
  // Learnt ids skip the lookup.
  DispIdCache ids;
  for (int i = 0; i < 3; ++i) Invoke(object.Get(), L"Value", InvokeKind::PropertyGet, {}, {}, &ids);
  EXPECT_EQ(object->seen,
            (std::vector<std::wstring>{
                L"2:1 a b", L"1:4 named" + std::to_wstring(DISPID_PROPERTYPUT) + L" true", L"1:3",
                L"1:3", L"1:3"}));
  EXPECT_EQ(object->lookups, 3);  // Echo, Value, then Value from `ids`
}

TEST(Invoke, KeepsTheServersErrorNumberAndDescription) {
  auto object = MakeCom<Scripted>();
  ComFailure fail = FailureOf([&] { Invoke(object.Get(), L"Fail", InvokeKind::Method); });
  EXPECT_EQ(fail.Number(), static_cast<long>(0x80041234));
  EXPECT_EQ(fail.Description(), L"图纸无效");
  ComFailure missing = FailureOf([&] { Invoke(object.Get(), L"Missing", InvokeKind::Method); });
  EXPECT_EQ(missing.Result(), DISP_E_UNKNOWNNAME);
  EXPECT_FALSE(missing.Description().empty());
}

TEST(Invoke, RetriesABusyServerWithinItsBudgetOnly) {
  auto object = MakeCom<Scripted>();
  object->rejectFirst = 4;
  Invoke(object.Get(), L"Value", InvokeKind::PropertyGet, {}, {2000, nullptr});
  EXPECT_EQ(object->seen.size(), 5u);

  object->rejectFirst = 1000000;
  ULONGLONG start = GetTickCount64();
  auto budget = [&](DWORD ms, HANDLE cancel) {
    return FailureOf([&] {
             Invoke(object.Get(), L"Value", InvokeKind::PropertyGet, {}, {ms, cancel});
           })
        .Result();
  };
  EXPECT_EQ(budget(150, nullptr), RPC_E_CALL_REJECTED);
  EXPECT_LT(GetTickCount64() - start, 1500u);
  HANDLE cancel = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  EXPECT_EQ(budget(60000, cancel), RPC_E_CALL_CANCELED);
  CloseHandle(cancel);
}

TEST(ApartmentThread, RunsTasksRethrowsTheirFailuresAndGivesUpOnAHungOne) {
  ApartmentThread thread;
  DWORD caller = GetCurrentThreadId();
  DWORD ran = caller;
  thread.Run([&] { ran = GetCurrentThreadId(); }, 5000, {});
  EXPECT_NE(ran, caller);
  EXPECT_THROW(thread.Run([] { throw ComFailure(E_FAIL); }, 5000, {}), ComFailure);

  // The caller's messages keep flowing while it waits.
  PostThreadMessageW(caller, WM_APP, 0, 0);
  bool pumped = false;
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_THROW(thread.Run([release] { WaitForSingleObject(release, INFINITE); }, 300,
                          [&](MSG& msg) { pumped = pumped || msg.message == WM_APP; }),
               TaskTimedOut);
  EXPECT_TRUE(pumped);
  EXPECT_TRUE(thread.Abandoned());
  EXPECT_THROW(thread.Run([] {}, 5000, {}), TaskTimedOut);
  SetEvent(release);  // the abandoned thread finishes on its own
}

}  // namespace
}  // namespace kavro::win
