#pragma once
// The file system as the folder search reads it.
#include "drawings/folder_search.h"

namespace kavro::drawings {

// Lists folders with FindFirstFileExW, without short names and in large fetches. A junction or a
// symbolic link counts as a link; other reparse points (files and folders kept in the cloud, for
// instance) are read as what they are.
class DiskFolders final : public FolderReader {
 public:
  bool IsFolder(const std::wstring& path) override;
  bool List(const std::wstring& folder, std::vector<FolderEntry>& entries) override;
};

}  // namespace kavro::drawings
