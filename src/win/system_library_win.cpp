#include "win/system_library_win.h"

#include <map>
#include <mutex>
#include <string>

namespace kavro::win {

namespace {

template <typename Function>
Function ProcOf(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

// Whether LoadLibraryEx understands the LOAD_LIBRARY_SEARCH_* flags (it does wherever
// SetDefaultDllDirectories exists).
bool SearchFlagsKnown() {
  static const bool known =
      ProcOf<void*>(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
  return known;
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH];
  UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::wstring() : std::wstring(folder, n);
}

}  // namespace

void RestrictDllSearchToSystemFolder() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto setDefault = ProcOf<SetDefaultDllDirectoriesFn>(GetModuleHandleW(L"kernel32.dll"),
                                                       "SetDefaultDllDirectories");
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    SetDllDirectoryW(L"");  // at least not the current folder
  }
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  static std::mutex lock;
  static std::map<std::wstring, HMODULE> loaded;
  std::lock_guard<std::mutex> guard(lock);
  auto found = loaded.find(fileName);
  if (found != loaded.end()) {
    return found->second;
  }
  HMODULE module = nullptr;
  std::wstring folder = SystemFolder();
  if (!folder.empty()) {
    std::wstring path = folder + L"\\" + fileName;
    DWORD flags = SearchFlagsKnown() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
    module = LoadLibraryExW(path.c_str(), nullptr, flags);
  }
  loaded.emplace(fileName, module);
  return module;
}

HWND HtmlHelpFromSystem(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data) {
  using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  static const auto htmlHelp = ProcOf<HtmlHelpFn>(LoadSystemLibrary(L"hhctrl.ocx"), "HtmlHelpW");
  return htmlHelp ? htmlHelp(caller, file, command, data) : nullptr;
}

}  // namespace kavro::win
