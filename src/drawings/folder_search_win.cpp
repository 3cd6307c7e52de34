#include "drawings/folder_search_win.h"

#include <windows.h>

namespace kavro::drawings {

namespace {

// With FILE_ATTRIBUTE_REPARSE_POINT set, WIN32_FIND_DATAW.dwReserved0 holds the reparse tag (the
// FindFirstFileExW and WIN32_FIND_DATA pages of Microsoft's documentation; a junction is also a
// FILE_ATTRIBUTE_DIRECTORY, as postgres' commit 9d3444d on Windows junction points says). Tags
// that name another place (IO_REPARSE_TAG_MOUNT_POINT of a junction, IO_REPARSE_TAG_SYMLINK)
// carry this bit, which IsReparseTagNameSurrogate in winnt.h tests; cloud placeholders' do not.
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
  // FindExInfoBasic leaves out the short names, "improving overall enumeration speed"
  // (FINDEX_INFO_LEVELS in Microsoft's documentation); FIND_FIRST_EX_LARGE_FETCH "uses a larger
  // buffer for directory queries", worth it when every entry is read (The Old New Thing, "When
  // should I use the FIND_FIRST_EX_LARGE_FETCH flag"). Both from Windows 7 on.
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
