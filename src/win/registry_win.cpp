#include "win/registry_win.h"

#include <cstring>
#include <vector>

namespace kavro::win {

OpenedKey OpenUserKey(const std::wstring& path, REGSAM access) {
  HKEY key = nullptr;
  LONG error = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &key);
  return {UniqueKey(error == ERROR_SUCCESS ? key : nullptr), error};
}

std::optional<RegistryValue> ReadValue(HKEY key, const std::wstring& name) {
  const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
  std::vector<BYTE> data(256);
  DWORD type = REG_NONE;
  LONG error = ERROR_MORE_DATA;
  // The value may grow between the calls: ask again until it fits.
  for (int tries = 0; error == ERROR_MORE_DATA && tries < 8; ++tries) {
    DWORD size = static_cast<DWORD>(data.size());
    error = RegQueryValueExW(key, valueName, nullptr, &type, data.data(), &size);
    if (error == ERROR_MORE_DATA) {
      data.resize(size + 2);
    } else {
      data.resize(size);
    }
  }
  if (error != ERROR_SUCCESS) return std::nullopt;
  RegistryValue value{type, {}, 0};
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    value.text = text.substr(0, text.find(L'\0'));
  } else if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
    memcpy(&value.number, data.data(), sizeof(DWORD));
  }
  return value;
}

LONG WriteText(HKEY key, const std::wstring& name, const std::wstring& text, DWORD type) {
  return RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

}  // namespace kavro::win
