#pragma once
#include <string>

namespace kavro {

// The folder of a program file's full path, as Windows shows it: "C:\Tools\Draw" for
// "C:\Tools\Draw\kavro.exe", and "D:\" (with its backslash) for a program at a drive root.
std::wstring FolderOfPath(const std::wstring& filePath);

// Joins a file name to a folder with one "\", or directly when the folder already ends in "\".
std::wstring JoinFolder(const std::wstring& folder, const std::wstring& fileName);

inline constexpr wchar_t kHelpFileName[] = L"kavro.chm";

}  // namespace kavro
