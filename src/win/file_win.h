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
// Whether a written file must be on the disk before the call returns. A file that is made again
// whenever it is needed (a drawing's script for one run) need not wait for the disk: under Wine
// the wait is a good part of a Core Console drawing's own cost.
enum class Durability { OnDisk, Transient };

// Writes a file beside the target and moves it over the target: readers see the old or the new
// content, never part of it. Fails with ERROR_ACCESS_DENIED for a read-only target, which stays
// as it was.
FileResult WriteFileReplacing(const std::wstring& path, const std::string& bytes,
                              Durability durability = Durability::OnDisk);

// Creates the folder and the ones above it; true when it exists afterwards.
bool MakeFolders(const std::wstring& folder);

}  // namespace kavro::win
