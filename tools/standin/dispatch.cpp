#include "dispatch.h"

#include <cwchar>
#include <exception>
#include <new>

#include "log.h"

namespace standin {

namespace {

// Logs a note without letting a failure to build or write it escape.
void NoteQuietly(std::wstring_view first, std::wstring_view object, std::wstring_view member,
                 std::wstring_view detail = {}) noexcept {
  try {
    std::wstring line(first);
    line.append(object).append(L".").append(member);
    if (!detail.empty()) line.append(L": ").append(detail);
    TheLog().Note(line);
  } catch (...) {
  }
}

void Describe(EXCEPINFO* exception, HRESULT scode, const wchar_t* description) noexcept {
  if (!exception) return;
  *exception = EXCEPINFO{};
  exception->bstrSource = SysAllocString(L"AutoCAD");
  exception->bstrDescription = SysAllocString(description);
  exception->scode = scode;
}

// The message of a std::exception, for the caller; what() is narrow text of no known code page.
std::wstring Widened(const char* text) {
  std::wstring wide;
  for (const char* c = text; c && *c; ++c) {
    wide += static_cast<unsigned char>(*c) < 0x80 ? static_cast<wchar_t>(*c) : L'?';
  }
  return wide;
}

}  // namespace

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

STDMETHODIMP Dispatch::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

STDMETHODIMP Dispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

STDMETHODIMP Dispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
  }
  for (size_t m = 0; m < members_.size(); ++m) {
    if (_wcsicmp(members_[m].c_str(), names[0]) == 0) {
      ids[0] = static_cast<DISPID>(m + 1);
    }
  }
  if (ids[0] == DISPID_UNKNOWN) {
    NoteQuietly(L"unknown member ", typeName_, names[0]);
    return DISP_E_UNKNOWNNAME;
  }
  return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;  // named arguments are not supported
}

STDMETHODIMP Dispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT*) {
  if (id < 1 || static_cast<size_t>(id) > members_.size()) {
    return DISP_E_MEMBERNOTFOUND;
  }
  if (!params) return E_INVALIDARG;
  const std::wstring& member = members_[id - 1];
  VARIANT scratch;
  VariantInit(&scratch);
  if (!result) {
    result = &scratch;
  }
  VariantInit(result);
  try {
    Call(member, (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0, Args(params),
         result);
    VariantClear(&scratch);
    return S_OK;
  } catch (...) {
    VariantClear(result);
    return FailureOfCall(typeName_, member, exception);
  }
}

HRESULT FailureOfCall(std::wstring_view object, std::wstring_view member,
                      EXCEPINFO* exception) noexcept {
  try {
    throw;
  } catch (const CallRejected& rejected) {
    NoteQuietly(L"busy, rejected ", object, member);
    return rejected.hr;
  } catch (const CallError& error) {
    NoteQuietly(L"failed ", object, member, error.description);
    Describe(exception, error.scode, error.description.c_str());
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    NoteQuietly(L"out of memory in ", object, member);
    return E_OUTOFMEMORY;
  } catch (const std::exception& fault) {
    try {
      std::wstring text = L"Internal error of the stand-in: " + Widened(fault.what());
      NoteQuietly(L"internal error in ", object, member, text);
      Describe(exception, E_UNEXPECTED, text.c_str());
      return DISP_E_EXCEPTION;
    } catch (...) {
      return E_OUTOFMEMORY;  // only building the text can fail here
    }
  } catch (...) {
    NoteQuietly(L"unknown exception in ", object, member);
    return E_UNEXPECTED;
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
