#include "run/cad_programs_win.h"

#include <windows.h>
#include <objbase.h>

namespace kavro::run {
namespace {

std::wstring ExpandedText(const std::wstring& text) {
  DWORD length = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (length == 0) return text;
  std::wstring expanded(length, L'\0');
  if (ExpandEnvironmentStringsW(text.c_str(), expanded.data(), length) == 0) return text;
  expanded.resize(wcsnlen(expanded.c_str(), expanded.size()));
  return expanded;
}

// The default value of HKCR\<key>, expanded when it is REG_EXPAND_SZ; empty when none.
std::wstring DefaultText(const std::wstring& key) {
  DWORD type = 0;
  DWORD bytes = 0;
  const DWORD accept = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, accept, &type, nullptr, &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, accept, &type, value.data(), &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  value.resize(wcsnlen(value.c_str(), value.size()));
  return type == REG_EXPAND_SZ ? ExpandedText(value) : value;
}

bool IsFile(std::wstring_view path) {
  DWORD attributes = GetFileAttributesW(std::wstring(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::vector<CadClassKey> ReadCadClassKeys() {
  std::vector<CadClassKey> keys;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    LONG result =
        RegEnumKeyExW(HKEY_CLASSES_ROOT, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA) continue;  // longer than any class name looked for
    if (result != ERROR_SUCCESS) break;
    if (!ParseCadClassName(name)) continue;
    CadClassKey key{name, {}, {}};
    // CLSIDFromProgID follows CurVer to the installed version's class.
    CLSID clsid{};
    wchar_t clsidText[40] = {};
    if (SUCCEEDED(CLSIDFromProgID(name, &clsid)) && StringFromGUID2(clsid, clsidText, 40) > 0) {
      key.clsid = clsidText;
      key.server = DefaultText(L"CLSID\\" + key.clsid + L"\\LocalServer32");
    }
    keys.push_back(std::move(key));
  }
  return keys;
}

std::vector<CadProgram> FindCadProgramsOnMachine() {
  return FindCadPrograms(ReadCadClassKeys(), IsFile);
}

bool AutoCadClassRegistered() {
  CLSID clsid{};
  return SUCCEEDED(CLSIDFromProgID(L"AutoCAD.Application", &clsid));
}

}  // namespace kavro::run
