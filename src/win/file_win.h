#pragma once
// Whole-file reads and writes. A write never leaves a half-written file at the target: the
// bytes go to a temporary file beside it, which then replaces the target in one step.
#include <string>

namespace kavro::win {

struct FileResult {
  bool ok = false;
  unsigned long error = 0;  // Win32 error code when !ok
};

FileResult ReadWholeFile(const std::wstring& path, std::string* bytes);
// Fails with ERROR_ACCESS_DENIED for a read-only target, which stays as it was.
FileResult WriteFileReplacing(const std::wstring& path, const std::string& bytes);

// Creates the folder and the ones above it; true when it exists afterwards.
bool MakeFolders(const std::wstring& folder);

}  // namespace kavro::win
