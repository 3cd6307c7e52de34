#include "profile.h"

#include <cwctype>

#include "win/registry_win.h"

namespace standin::core {
namespace {

using kavro::win::OpenUserKey;
using kavro::win::ReadValue;

std::optional<std::wstring> Text(const std::wstring& key, const std::wstring& name) {
  auto opened = OpenUserKey(key, KEY_QUERY_VALUE);
  if (!opened.key) return std::nullopt;
  auto value = ReadValue(opened.key.Get(), name);
  if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
  return value->text;
}

// SECURELOAD as AutoCAD keeps it: a number, or its digits as text (anything else counts as 1).
std::optional<int> SecureLoadOf(const std::optional<kavro::win::RegistryValue>& value) {
  if (!value) return std::nullopt;
  if (value->type == REG_DWORD) return static_cast<int>(value->number);
  const std::wstring& text = value->text;
  if (text.empty() || text.size() > 3 || text.find_first_not_of(L"0123456789") != text.npos) {
    return 1;
  }
  return std::stoi(text);
}

}  // namespace

std::wstring ReleaseKeyOf(const std::wstring& version) {
  size_t digits = 0;
  while (digits < version.size() && std::iswdigit(version[digits])) ++digits;
  if (digits == 0) return {};
  size_t end = digits;
  if (end + 1 < version.size() && version[end] == L'.' && std::iswdigit(version[end + 1])) {
    end += 2;
  }
  return L"R" + version.substr(0, end);
}

ProfileSecurity ReadProfileSecurity(const std::wstring& version) {
  std::wstring release = ReleaseKeyOf(version);
  if (release.empty()) return {};
  std::wstring releaseKey = L"Software\\Autodesk\\AutoCAD\\" + release;
  auto product = Text(releaseKey, L"CurVer");
  if (!product || product->empty()) return {};
  std::wstring profiles = releaseKey + L"\\" + *product + L"\\Profiles";
  auto profile = Text(profiles, L"");
  if (!profile || profile->empty()) return {};
  std::wstring variables = profiles + L"\\" + *profile + L"\\Variables";
  auto opened = OpenUserKey(variables, KEY_QUERY_VALUE);
  if (!opened.key) return {};
  ProfileSecurity security{variables, SecureLoadOf(ReadValue(opened.key.Get(), L"SECURELOAD")),
                           std::nullopt};
  auto trusted = ReadValue(opened.key.Get(), L"TRUSTEDPATHS");
  if (trusted && (trusted->type == REG_SZ || trusted->type == REG_EXPAND_SZ)) {
    security.trustedPaths = trusted->text;
  }
  return security;
}

}  // namespace standin::core
