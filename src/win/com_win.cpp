#include "win/com_win.h"

#include <algorithm>
#include <vector>

#include "win/com_object_win.h"
#include "win/text_win.h"

namespace kavro::win {

using Microsoft::WRL::ComPtr;

UniqueBstr::UniqueBstr(std::wstring_view text)
    : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
  if (!bstr_) throw std::bad_alloc();
}
UniqueBstr::UniqueBstr(UniqueBstr&& other) noexcept : bstr_(other.Release()) {}
UniqueBstr& UniqueBstr::operator=(UniqueBstr&& other) noexcept {
  if (this != &other) {
    SysFreeString(bstr_);
    bstr_ = other.Release();
  }
  return *this;
}
UniqueBstr::~UniqueBstr() { SysFreeString(bstr_); }
BSTR* UniqueBstr::Receive() {
  SysFreeString(bstr_);
  bstr_ = nullptr;
  return &bstr_;
}
BSTR UniqueBstr::Release() {
  BSTR b = bstr_;
  bstr_ = nullptr;
  return b;
}
std::wstring UniqueBstr::Text() const {
  return bstr_ ? std::wstring(bstr_, SysStringLen(bstr_)) : std::wstring();
}

UniqueVariant UniqueVariant::String(std::wstring_view text) {
  UniqueVariant v;
  v.v_.bstrVal = UniqueBstr(text).Release();
  v.v_.vt = VT_BSTR;
  return v;
}
UniqueVariant UniqueVariant::Bool(bool value) {
  UniqueVariant v;
  v.v_.vt = VT_BOOL;
  v.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}
UniqueVariant::UniqueVariant(UniqueVariant&& other) noexcept : v_(other.v_) {
  VariantInit(&other.v_);
}
UniqueVariant& UniqueVariant::operator=(UniqueVariant&& other) noexcept {
  if (this != &other) {
    VariantClear(&v_);
    v_ = other.v_;
    VariantInit(&other.v_);
  }
  return *this;
}
VARIANT* UniqueVariant::Receive() {
  VariantClear(&v_);
  return &v_;
}

std::wstring UniqueVariant::AsString() const {
  if (v_.vt == VT_BSTR) {
    return v_.bstrVal ? std::wstring(v_.bstrVal, SysStringLen(v_.bstrVal)) : std::wstring();
  }
  UniqueVariant text;
  HRESULT hr = VariantChangeType(text.Receive(), const_cast<VARIANT*>(&v_), 0, VT_BSTR);
  if (FAILED(hr)) throw ComFailure(hr);
  return text.AsString();
}

bool UniqueVariant::AsBool() const {
  UniqueVariant value;
  HRESULT hr = VariantChangeType(value.Receive(), const_cast<VARIANT*>(&v_), 0, VT_BOOL);
  if (FAILED(hr)) throw ComFailure(hr);
  return value.v_.boolVal != VARIANT_FALSE;
}

ComPtr<IDispatch> UniqueVariant::AsDispatch() const {
  ComPtr<IDispatch> object;
  if ((v_.vt == VT_DISPATCH || v_.vt == VT_UNKNOWN) && v_.punkVal) {
    HRESULT hr = v_.punkVal->QueryInterface(IID_PPV_ARGS(&object));
    if (FAILED(hr)) throw ComFailure(hr);
    return object;
  }
  throw ComFailure(DISP_E_TYPEMISMATCH);
}

namespace {

std::wstring DescriptionOf(HRESULT hr) {
  std::wstring text = SystemMessage(static_cast<unsigned long>(hr));
  if (text.empty()) {
    wchar_t hex[32];
    wsprintfW(hex, L"自动化错误 0x%08lX", static_cast<unsigned long>(hr));
    text = hex;
  }
  return text;
}

// What a DISP_E_EXCEPTION carried; frees the strings of `info`.
ComFailure FailureFromException(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  UniqueBstr description;
  *description.Receive() = info.bstrDescription;
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrHelpFile);
  HRESULT code = info.scode != 0 ? info.scode : DISP_E_EXCEPTION;
  long number = info.scode != 0   ? static_cast<long>(info.scode)
                : info.wCode != 0 ? static_cast<long>(info.wCode)
                                  : static_cast<long>(DISP_E_EXCEPTION);
  std::wstring text = description.Text();
  if (text.empty()) text = DescriptionOf(code);
  return ComFailure(code, number, text);
}

// One attempt: GetIDsOfNames + Invoke.
DISPID IdOf(IDispatch* target, std::wstring_view name, DispIdCache* ids) {
  if (ids) {
    auto known = ids->ids.find(name);
    if (known != ids->ids.end()) return known->second;
  }
  std::wstring memberName(name);
  LPOLESTR names[] = {memberName.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw ComFailure(hr);
  if (ids) ids->ids.emplace(memberName, id);
  return id;
}

UniqueVariant InvokeOnce(IDispatch* target, std::wstring_view name, InvokeKind kind,
                         std::initializer_list<const VARIANT*> args, DispIdCache* ids) {
  DISPID id = IdOf(target, name, ids);
  HRESULT hr = S_OK;

  // DISPPARAMS takes the arguments last to first; the VARIANTs stay owned by the caller.
  std::vector<VARIANT> reversed;
  reversed.reserve(args.size());
  for (auto it = std::rbegin(args); it != std::rend(args); ++it) reversed.push_back(**it);
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  WORD flags = DISPATCH_METHOD;
  if (kind == InvokeKind::PropertyGet) flags = DISPATCH_PROPERTYGET | DISPATCH_METHOD;
  if (kind == InvokeKind::PropertyPut) {
    flags = DISPATCH_PROPERTYPUT;
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  UniqueVariant result;
  EXCEPINFO info{};
  UINT badArg = 0;
  hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                      kind == InvokeKind::PropertyPut ? nullptr : result.Receive(), &info, &badArg);
  if (hr == DISP_E_EXCEPTION) throw FailureFromException(info);
  if (hr == DISP_E_MEMBERNOTFOUND && ids && ids->ids.erase(std::wstring(name))) {
    return InvokeOnce(target, name, kind, args, nullptr);  // a stale id: ask once more
  }
  if (FAILED(hr)) throw ComFailure(hr);
  return result;
}

}  // namespace

ComFailure::ComFailure(HRESULT hr) : ComFailure(hr, static_cast<long>(hr), DescriptionOf(hr)) {}

bool IsBusyResult(HRESULT hr) {
  return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER;
}

bool IsDisconnectedResult(HRESULT hr) {
  return hr == RPC_E_DISCONNECTED || hr == RPC_E_SERVER_DIED || hr == RPC_E_SERVER_DIED_DNE ||
         hr == CO_E_OBJNOTCONNECTED || hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
         hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) ||
         hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE);
}

UniqueVariant Invoke(IDispatch* target, std::wstring_view name, InvokeKind kind,
                     std::initializer_list<const VARIANT*> args, const CallPolicy& policy,
                     DispIdCache* ids) {
  if (!target) throw ComFailure(E_POINTER);
  const ULONGLONG start = GetTickCount64();
  DWORD pause = 1;
  for (;;) {
    try {
      return InvokeOnce(target, name, kind, args, ids);
    } catch (const ComFailure& failure) {
      if (!IsBusyResult(failure.Result()) || GetTickCount64() - start >= policy.busyRetryMs) {
        throw;
      }
    }
    // Busy: wait a little longer each time, waking early when the caller gives up.
    if (policy.cancel) {
      if (WaitForSingleObject(policy.cancel, pause) == WAIT_OBJECT_0) {
        throw ComFailure(RPC_E_CALL_CANCELED);
      }
    } else {
      Sleep(pause);
    }
    pause = std::min<DWORD>(pause * 2, 100);
  }
}

namespace {

// Answers COM's questions about busy servers for this thread's outgoing calls.
class BusyServerFilter final : public ComObject<IMessageFilter> {
 public:
  explicit BusyServerFilter(DWORD retryMs) : retryMs_(retryMs) {}
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }
  // Retry after a short pause while within the budget; then let the call fail as rejected.
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsedMs, DWORD) override {
    return elapsedMs < retryMs_ ? 50 : static_cast<DWORD>(-1);
  }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  DWORD retryMs_;
};

}  // namespace

bool RegisterBusyServerFilter(DWORD retryMs) {
  auto* filter = new BusyServerFilter(retryMs);
  IMessageFilter* previous = nullptr;
  HRESULT hr = CoRegisterMessageFilter(filter, &previous);
  if (previous) previous->Release();
  filter->Release();  // COM holds it now, or nobody does
  return SUCCEEDED(hr);
}

}  // namespace kavro::win
