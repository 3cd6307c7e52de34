#include "variables.h"

#include <cwctype>

#include "cad.h"
#include "log.h"

namespace standin {
namespace {

std::wstring Upper(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

[[noreturn]] void Unknown(const wchar_t* method) {
  throw CallError{E_INVALIDARG, std::wstring(L"Invalid argument Name in ") + method};
}

[[noreturn]] void NotSet() { throw CallError{DISP_E_EXCEPTION, L"Error setting system variable"}; }

// AutoCAD wants the variable's own type: an integer for a number, a string for text. The
// VARIANTs here are shallow copies of the caller's arguments, never cleared.
int IntegerIn(VARIANT value, int low, int high) {
  VARTYPE type = V_VT(&value) & VT_TYPEMASK;
  if (type != VT_I2 && type != VT_I4) {
    throw CallError{E_INVALIDARG, L"Invalid argument Value in SetVariable"};
  }
  VARIANT number;
  VariantInit(&number);
  if (FAILED(VariantChangeType(&number, &value, 0, VT_I4))) NotSet();
  int n = V_I4(&number);
  if (n < low || n > high) NotSet();
  return n;
}

std::wstring TextOf(VARIANT value) {
  if ((V_VT(&value) & VT_TYPEMASK) != VT_BSTR) {
    throw CallError{E_INVALIDARG, L"Invalid argument Value in SetVariable"};
  }
  VARIANT text;
  VariantInit(&text);
  if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR))) NotSet();
  std::wstring out(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
  VariantClear(&text);
  return out;
}

// The value as the log shows it: the text of any value automation can turn into text.
std::wstring Logged(VARIANT value) {
  VARIANT text;
  VariantInit(&text);
  if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR))) {
    return L"(type " + std::to_wstring(V_VT(&value)) + L")";
  }
  std::wstring out(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
  VariantClear(&text);
  return out;
}

void SetShort(VARIANT* v, int value) {
  V_VT(v) = VT_I2;
  V_I2(v) = static_cast<SHORT>(value);
}

}  // namespace

void GetVariable(Cad& cad, int document, const Args& args, VARIANT* result) {
  std::wstring name = args.String(0);
  TheLog().Line(L"Document.GetVariable " + name);
  cad.At(document);
  const SystemVariables& vars = cad.Variables();
  std::wstring key = Upper(name);
  if (key == L"SECURELOAD") {
    SetShort(result, vars.secureLoad);
  } else if (key == L"TRUSTEDPATHS") {
    SetString(result, vars.trustedPaths);
  } else if (key == L"FILEDIA") {
    SetShort(result, vars.filedia ? 1 : 0);
  } else if (key == L"LOGFILEMODE" && !cad.Settings().refuseHistory) {
    SetShort(result, vars.logFileMode);
  } else if (key == L"LOGFILENAME" && !cad.Settings().refuseHistory) {
    SetString(result, cad.HistoryFile(document));
  } else if (key == L"PROXYNOTICE") {
    SetShort(result, vars.proxyNotice);
  } else if (key == L"DWGCHECK") {
    SetShort(result, vars.dwgCheck);
  } else {
    Unknown(L"GetVariable");
  }
}

void SetVariable(Cad& cad, int document, const Args& args) {
  std::wstring name = args.String(0);
  VARIANT value = args.Value(1);
  TheLog().Line(L"Document.SetVariable " + name + L" " + Logged(value));
  cad.At(document);
  SystemVariables& vars = cad.Variables();
  std::wstring key = Upper(name);
  if (key == L"SECURELOAD") {
    vars.secureLoad = IntegerIn(value, 0, 2);
  } else if (key == L"FILEDIA") {
    vars.filedia = IntegerIn(value, 0, 1) == 1;
  } else if (key == L"LOGFILEMODE" && !cad.Settings().refuseHistory) {
    vars.logFileMode = IntegerIn(value, 0, 1);
    if (vars.logFileMode == 0) cad.WriteHistories();
  } else if (key == L"LOGFILENAME" && !cad.Settings().refuseHistory) {
    NotSet();  // read-only
  } else if (key == L"PROXYNOTICE") {
    vars.proxyNotice = IntegerIn(value, 0, 1);
  } else if (key == L"DWGCHECK") {
    vars.dwgCheck = IntegerIn(value, 0, 5);
  } else if (key == L"TRUSTEDPATHS") {
    std::wstring paths = TextOf(value);
    if (cad.Settings().trustedPathsLocked) {
      TheLog().Note(L"TRUSTEDPATHS is locked");
      NotSet();
    }
    vars.trustedPaths = paths;
  } else {
    Unknown(L"SetVariable");
  }
}

}  // namespace standin
