#pragma once
// A hand-written IDispatch without a type library: members are found by name (case-insensitive,
// as late-bound callers expect) and answered by one Call() per object. Wine and Windows marshal
// such an object across processes through oleaut32.
#include <windows.h>
#include <oaidl.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "win/com_object_win.h"

namespace standin {

// A failure reported to the caller through EXCEPINFO (DISP_E_EXCEPTION).
struct CallError {
  HRESULT scode;
  std::wstring description;
};

// An HRESULT returned from Invoke as it is (RPC_E_CALL_REJECTED while busy).
struct CallRejected {
  HRESULT hr;
};

// The arguments of one call, in the caller's order (DISPPARAMS holds them reversed).
class Args {
 public:
  explicit Args(const DISPPARAMS* params) : params_(params) {}
  size_t Count() const { return params_->cArgs; }
  std::wstring String(size_t index) const;  // throws CallError when missing or not text
  bool Bool(size_t index, bool fallback) const;

 private:
  VARIANT Get(size_t index) const;
  const DISPPARAMS* params_;
};

// No C++ exception leaves GetIDsOfNames or Invoke: a CallError becomes DISP_E_EXCEPTION with its
// description, a CallRejected its HRESULT, any other failure of the stand-in itself
// E_OUTOFMEMORY or DISP_E_EXCEPTION (scode E_UNEXPECTED) saying what went wrong.
class Dispatch : public kavro::win::ComObject<IDispatch> {
 public:
  Dispatch(const wchar_t* typeName, std::initializer_list<const wchar_t*> members);

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override;

  const std::wstring& TypeName() const { return typeName_; }

 protected:
  // `member` is the name as declared; `put` is true for a property set. Fills `result`.
  // Throws CallError or CallRejected; anything else it throws is a fault of the stand-in.
  virtual void Call(const std::wstring& member, bool put, const Args& args, VARIANT* result) = 0;

 private:
  std::wstring typeName_;
  std::vector<std::wstring> members_;  // DISPID = index + 1
};

// What the caller of a COM method sees of the exception being handled (call only inside a catch
// block): the HRESULT, and EXCEPINFO filled for DISP_E_EXCEPTION when `exception` is given.
// Notes it in the log against `object`.`member`. Never throws.
HRESULT FailureOfCall(std::wstring_view object, std::wstring_view member,
                      EXCEPINFO* exception) noexcept;

void SetString(VARIANT* v, const std::wstring& text);
void SetBool(VARIANT* v, bool value);
void SetObject(VARIANT* v, IDispatch* object);  // AddRefs

}  // namespace standin
