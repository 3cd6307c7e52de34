#include "dispatch.h"

#include <cwchar>

#include "log.h"

namespace standin {

VARIANT Args::Get(size_t index) const {
  if (index >= params_->cArgs) {
    throw CallError{DISP_E_PARAMNOTFOUND, L"Missing argument"};
  }
  VARIANT v = params_->rgvarg[params_->cArgs - 1 - index];
  if (V_VT(&v) == (VT_VARIANT | VT_BYREF)) {
    v = *V_VARIANTREF(&v);
  }
  return v;
}

std::wstring Args::String(size_t index) const {
  VARIANT source = Get(index);
  VARIANT text;
  VariantInit(&text);
  if (FAILED(VariantChangeType(&text, &source, 0, VT_BSTR))) {
    throw CallError{DISP_E_TYPEMISMATCH, L"Type mismatch"};
  }
  std::wstring out(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
  VariantClear(&text);
  return out;
}

bool Args::Bool(size_t index, bool fallback) const {
  if (index >= params_->cArgs) {
    return fallback;
  }
  VARIANT source = Get(index);
  if (V_VT(&source) == VT_ERROR && V_ERROR(&source) == DISP_E_PARAMNOTFOUND) {
    return fallback;  // an omitted optional argument
  }
  VARIANT flag;
  VariantInit(&flag);
  if (FAILED(VariantChangeType(&flag, &source, 0, VT_BOOL))) {
    throw CallError{DISP_E_TYPEMISMATCH, L"Type mismatch"};
  }
  return V_BOOL(&flag) != VARIANT_FALSE;
}

Dispatch::Dispatch(const wchar_t* typeName, std::initializer_list<const wchar_t*> members)
    : typeName_(typeName), members_(members.begin(), members.end()) {}

STDMETHODIMP Dispatch::QueryInterface(REFIID riid, void** object) {
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) Dispatch::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) Dispatch::Release() {
  LONG left = InterlockedDecrement(&refs_);
  if (left == 0) {
    delete this;
  }
  return left;
}

STDMETHODIMP Dispatch::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

STDMETHODIMP Dispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

STDMETHODIMP Dispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
  }
  for (size_t m = 0; m < members_.size(); ++m) {
    if (_wcsicmp(members_[m].c_str(), names[0]) == 0) {
      ids[0] = static_cast<DISPID>(m + 1);
    }
  }
  if (ids[0] == DISPID_UNKNOWN) {
    TheLog().Note(L"unknown member " + typeName_ + L"." + names[0]);
    hr = DISP_E_UNKNOWNNAME;
  } else if (count > 1) {
    hr = DISP_E_UNKNOWNNAME;  // named arguments are not supported
  }
  return hr;
}

STDMETHODIMP Dispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* argError) {
  if (id < 1 || static_cast<size_t>(id) > members_.size()) {
    return DISP_E_MEMBERNOTFOUND;
  }
  VARIANT scratch;
  VariantInit(&scratch);
  if (!result) {
    result = &scratch;
  }
  VariantInit(result);
  try {
    Call(members_[id - 1], (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0,
         Args(params), result);
    VariantClear(&scratch);
    return S_OK;
  } catch (const CallRejected& rejected) {
    TheLog().Note(L"busy, rejected " + typeName_ + L"." + members_[id - 1]);
    return rejected.hr;
  } catch (const CallError& error) {
    TheLog().Note(L"failed " + typeName_ + L"." + members_[id - 1] + L": " + error.description);
    if (exception) {
      *exception = EXCEPINFO{};
      exception->bstrSource = SysAllocString(L"AutoCAD");
      exception->bstrDescription = SysAllocString(error.description.c_str());
      exception->scode = error.scode;
    }
    VariantClear(result);
    return DISP_E_EXCEPTION;
  }
}

void SetString(VARIANT* v, const std::wstring& text) {
  V_VT(v) = VT_BSTR;
  V_BSTR(v) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void SetBool(VARIANT* v, bool value) {
  V_VT(v) = VT_BOOL;
  V_BOOL(v) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetObject(VARIANT* v, IDispatch* object) {
  object->AddRef();
  V_VT(v) = VT_DISPATCH;
  V_DISPATCH(v) = object;
}

}  // namespace standin
