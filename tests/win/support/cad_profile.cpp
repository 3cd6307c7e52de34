#include "support/cad_profile.h"

#include "win/registry_win.h"

namespace kavro::test {
namespace {

constexpr wchar_t kRoot[] = L"Software\\Autodesk\\AutoCAD";

void SetDefault(const std::wstring& key, const wchar_t* name, const std::wstring& text) {
  RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, text.c_str(),
                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

CadProfile::CadProfile(const std::wstring& release) {
  RemoveAll();
  std::wstring root = kRoot;
  std::wstring product = L"ACAD-7101:804";
  std::wstring profiles = root + L"\\" + release + L"\\" + product + L"\\Profiles";
  std::wstring name = L"<<未命名配置>>";
  SetDefault(root, L"CurVer", release);
  SetDefault(root + L"\\" + release, L"CurVer", product);
  SetDefault(profiles, nullptr, name);
  variables_ = profiles + L"\\" + name + L"\\Variables";
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, variables_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &key, nullptr);
  if (key) RegCloseKey(key);
}

void CadProfile::SetText(const std::wstring& name, const std::wstring& text, DWORD type) {
  RegSetKeyValueW(HKEY_CURRENT_USER, variables_.c_str(), name.c_str(), type, text.c_str(),
                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void CadProfile::SetNumber(const std::wstring& name, DWORD number) {
  RegSetKeyValueW(HKEY_CURRENT_USER, variables_.c_str(), name.c_str(), REG_DWORD, &number,
                  sizeof(number));
}

void CadProfile::SetBinary(const std::wstring& name, const std::string& bytes) {
  RegSetKeyValueW(HKEY_CURRENT_USER, variables_.c_str(), name.c_str(), REG_BINARY, bytes.data(),
                  static_cast<DWORD>(bytes.size()));
}

void CadProfile::Remove(const std::wstring& name) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, variables_.c_str(), name.c_str());
}

std::optional<std::wstring> CadProfile::Text(const std::wstring& name) const {
  auto opened = win::OpenUserKey(variables_, KEY_QUERY_VALUE);
  if (!opened.key) return std::nullopt;
  auto value = win::ReadValue(opened.key.Get(), name);
  if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
  return value->text;
}

DWORD CadProfile::TypeOf(const std::wstring& name) const {
  auto opened = win::OpenUserKey(variables_, KEY_QUERY_VALUE);
  auto value = opened.key ? win::ReadValue(opened.key.Get(), name) : std::nullopt;
  return value ? value->type : REG_NONE;
}

void CadProfile::RemoveAll() { RegDeleteTreeW(HKEY_CURRENT_USER, kRoot); }

bool CadProfile::AnyLeft() { return static_cast<bool>(win::OpenUserKey(kRoot, KEY_READ).key); }

}  // namespace kavro::test
