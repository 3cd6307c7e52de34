// The COM helpers in this process: the IUnknown of the hand-written COM objects (one identity, only
// the listed interfaces, deletion exactly when the last reference goes, whichever thread drops it)
// and the retries the late-bound call helper gives a busy server within the caller's budget.
// (Arguments, property puts, errors and the apartment thread's watchdog are met by the runs
// against the stand-in AutoCAD: run_e2e_test, run_recovery_e2e_test.)
#include <windows.h>
#include <ole2.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "win/com_object_win.h"
#include "win/com_win.h"

namespace kavro::win {
namespace {

class TwoFaced final : public ComObject<IDropSource, IMessageFilter> {
 public:
  explicit TwoFaced(bool* deleted) : deleted_(deleted) {}
  ~TwoFaced() override { *deleted_ = true; }

  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return S_OK; }
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return 0; }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return 0; }

 private:
  bool* deleted_;
};

TEST(ComObject, AnswersItsInterfacesWithOneIdentityAndNothingElse) {
  bool deleted = false;
  {
    auto object = MakeCom<TwoFaced>(&deleted);
    Microsoft::WRL::ComPtr<IMessageFilter> filter;
    Microsoft::WRL::ComPtr<IUnknown> viaSource, viaFilter;
    Microsoft::WRL::ComPtr<IDropTarget> none;
    ASSERT_EQ(object.As(&filter), S_OK);
    EXPECT_EQ(static_cast<void*>(filter.Get()), static_cast<IMessageFilter*>(object.Get()));
    ASSERT_EQ(object.As(&viaSource), S_OK);
    ASSERT_EQ(filter.As(&viaFilter), S_OK);
    EXPECT_EQ(viaSource.Get(), viaFilter.Get());
    EXPECT_EQ(object.As(&none), E_NOINTERFACE);
    EXPECT_EQ(none.Get(), nullptr);
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  }
  EXPECT_TRUE(deleted);
}

TEST(ComObject, CountsReferencesTakenOnManyThreads) {
  bool deleted = false;
  auto object = MakeCom<TwoFaced>(&deleted);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([raw = object.Get()] {
      for (int i = 0; i < 20000; ++i) {
        raw->AddRef();
        raw->Release();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_FALSE(deleted);
  EXPECT_EQ(object->AddRef(), 2u);
  EXPECT_EQ(object->Release(), 1u);
  object.Reset();
  EXPECT_TRUE(deleted);
}

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

// One member, "Value"; the first `rejectFirst` calls answer RPC_E_CALL_REJECTED.
class Busy final : public ComObject<IDispatch> {
 public:
  int calls = 0;
  int rejectFirst = 0;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
    ids[0] = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    ++calls;
    return rejectFirst-- > 0 ? RPC_E_CALL_REJECTED : S_OK;
  }
};

TEST(Invoke, RetriesABusyServerWithinItsBudgetOnly) {
  auto object = MakeCom<Busy>();
  object->rejectFirst = 4;
  Invoke(object.Get(), L"Value", InvokeKind::PropertyGet, {}, {2000, nullptr});
  EXPECT_EQ(object->calls, 5);

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

}  // namespace
}  // namespace kavro::win
