#include "base/program_folder.h"

namespace kavro {

std::wstring FolderOfPath(const std::wstring& filePath) {
  auto slash = filePath.find_last_of(L"\\/");
  if (slash == std::wstring::npos) {
    return L"";
  }
  std::wstring folder = filePath.substr(0, slash);
  // A drive root keeps its backslash ("D:\"), as the shell and the file system name it.
  if (folder.size() == 2 && folder[1] == L':') {
    folder += L'\\';
  }
  return folder;
}

std::wstring JoinFolder(const std::wstring& folder, const std::wstring& fileName) {
  if (!folder.empty() && folder.back() == L'\\') {
    return folder + fileName;
  }
  return folder + L"\\" + fileName;
}

}  // namespace kavro
