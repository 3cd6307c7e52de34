#include "win/program_folder_win.h"

#include <windows.h>
#include <shlobj.h>

#include "base/program_folder.h"

namespace kavro::win {

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return FolderOfPath(path);
}

std::wstring LocalAppDataFolder() {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &path))) {
    folder = path;
  }
  CoTaskMemFree(path);
  return folder;
}

std::wstring TimeOfDay() {
  wchar_t text[64] = L"";
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, 64);
  return text;
}

}  // namespace kavro::win
