#include "drawings/folder_search_win.h"

#include <windows.h>

namespace kavro::drawings {

namespace {

// Tags that name another place (a junction's is IO_REPARSE_TAG_MOUNT_POINT, a symbolic link's
// IO_REPARSE_TAG_SYMLINK) carry this bit; see IsReparseTagNameSurrogate in winnt.h.
constexpr DWORD kNameSurrogateBit = 0x20000000;

bool IsLink(const WIN32_FIND_DATAW& found) {
  return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (found.dwReserved0 & kNameSurrogateBit) != 0;
}

}  // namespace

bool DiskFolders::IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool DiskFolders::List(const std::wstring& folder, std::vector<FolderEntry>& entries) {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileExW(InFolder(folder, L"*").c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    // An empty drive root lists nothing at all, not even "." and "..".
    return GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  do {
    const wchar_t* name = found.cFileName;
    if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) {
      continue;
    }
    FolderEntry entry;
    entry.name = name;
    entry.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.hidden = (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    entry.system = (found.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
    entry.link = IsLink(found);
    entries.push_back(std::move(entry));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return true;
}

}  // namespace kavro::drawings
