#pragma once
// Registry keys and values as the program reads and writes them.
#include <windows.h>

#include <optional>
#include <string>

#include "win/handles_win.h"

namespace kavro::win {

inline void CloseKeyNoResult(HKEY key) { ::RegCloseKey(key); }
using UniqueKey = Unique<HKEY, CloseKeyNoResult>;

// HKEY_CURRENT_USER\<path> opened with `access`; the Win32 error code when it cannot be.
struct OpenedKey {
  UniqueKey key;
  LONG error = ERROR_SUCCESS;
};
OpenedKey OpenUserKey(const std::wstring& path, REGSAM access);

struct RegistryValue {
  DWORD type = REG_NONE;
  std::wstring text;  // REG_SZ and REG_EXPAND_SZ (unexpanded), up to the first NUL
  DWORD number = 0;   // REG_DWORD
};
// Null when the value is not there or cannot be read. An empty `name` is the key's default value.
std::optional<RegistryValue> ReadValue(HKEY key, const std::wstring& name);
// A text value (REG_SZ or REG_EXPAND_SZ); the Win32 error code.
LONG WriteText(HKEY key, const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ);

}  // namespace kavro::win
