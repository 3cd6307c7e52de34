#include "core/core_locate_win.h"

#include <windows.h>
#include <objbase.h>

#include <vector>

#include "run/cad_programs.h"

namespace kavro::run {
namespace {

// The default value of HKCR\CLSID\{...}\LocalServer32, environment variables expanded.
std::optional<std::wstring> LocalServerText(const CLSID& clsid) {
  wchar_t clsidText[40] = {};
  if (StringFromGUID2(clsid, clsidText, 40) == 0) return std::nullopt;
  std::wstring key = std::wstring(L"CLSID\\") + clsidText + L"\\LocalServer32";
  DWORD type = 0;
  DWORD bytes = 0;
  DWORD accept = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, accept, &type, nullptr, &bytes) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<wchar_t> value(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, accept, &type, value.data(), &bytes) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::wstring text = value.data();
  if (type != REG_EXPAND_SZ) return text;
  DWORD length = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (length == 0) return std::nullopt;
  std::vector<wchar_t> expanded(length, L'\0');
  if (ExpandEnvironmentStringsW(text.c_str(), expanded.data(), length) == 0) return std::nullopt;
  return std::wstring(expanded.data());
}

bool IsFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::optional<std::wstring> FindCoreConsole() {
  // CLSIDFromProgID follows CurVer to the installed version's class.
  CLSID clsid{};
  if (FAILED(CLSIDFromProgID(L"AutoCAD.Application", &clsid))) return std::nullopt;
  std::optional<std::wstring> server = LocalServerText(clsid);
  if (!server) return std::nullopt;
  std::wstring core = CoreConsoleBeside(ServerProgram(*server));
  if (core.empty() || !IsFile(core)) return std::nullopt;
  return core;
}

}  // namespace kavro::run
