#include "win/file_win.h"

#include <windows.h>

#include "base/program_folder.h"
#include "win/handles_win.h"

namespace kavro::win {

namespace {

FileResult Failed() { return {false, GetLastError()}; }

}  // namespace

FileResult ReadWholeFile(const std::wstring& path, std::string* bytes) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    return Failed();
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) {
    return Failed();
  }
  if (size.QuadPart > 0x7fffffff) {
    return {false, ERROR_FILE_TOO_LARGE};
  }
  bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD total = 0;
  while (total < bytes->size()) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), bytes->data() + total, static_cast<DWORD>(bytes->size() - total),
                  &got, nullptr)) {
      return Failed();
    }
    if (got == 0) {
      bytes->resize(total);
      break;
    }
    total += got;
  }
  return {true, 0};
}

FileResult WriteFileReplacing(const std::wstring& path, const std::string& bytes,
                              Durability durability) {
  bool onDisk = durability == Durability::OnDisk;
  // A read-only target is not replaced. Windows refuses the replacing move by itself; Wine
  // performs it (a rename in a writable folder), so the rule is checked first.
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return {false, ERROR_ACCESS_DENIED};
  }
  std::wstring temp = path + L".kavro-tmp";
  {
    UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      return Failed();
    }
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                      &written, nullptr) ||
                           written != bytes.size())) {
      FileResult failure = Failed();
      file.Reset();
      DeleteFileW(temp.c_str());
      return failure;
    }
    if (onDisk && !FlushFileBuffers(file.Get())) {
      FileResult failure = Failed();
      file.Reset();
      DeleteFileW(temp.c_str());
      return failure;
    }
  }
  if (!MoveFileExW(temp.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | (onDisk ? MOVEFILE_WRITE_THROUGH : 0))) {
    FileResult failure = Failed();
    DeleteFileW(temp.c_str());
    return failure;
  }
  return {true, 0};
}

bool MakeFolders(const std::wstring& folder) {
  if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
    return true;
  }
  std::wstring parent = FolderOfPath(folder);
  if (parent.empty() || parent == folder || !MakeFolders(parent)) return false;
  return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace kavro::win
