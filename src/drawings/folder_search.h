#pragma once
// Drawings found in folders: a folder dropped on the list, or given to kavro.com in place of a
// list file, stands for every drawing under it, subfolders included. The search runs over a
// small file-system interface; folder_search_win.h reads the real one.
#include <string>
#include <vector>

#include "drawings/drawing_list.h"

namespace kavro::drawings {

// One entry of a folder as the file system lists it.
struct FolderEntry {
  std::wstring name;
  bool folder = false;
  bool hidden = false;
  bool system = false;
  bool link = false;  // a junction or a symbolic link: it leads elsewhere
};

class FolderReader {
 public:
  virtual ~FolderReader() = default;
  // Whether `path` names a folder (also through a link); false for a file or for nothing there.
  virtual bool IsFolder(const std::wstring& path) = 0;
  // The entries of `folder`, without "." and ".."; false when the folder cannot be read.
  virtual bool List(const std::wstring& folder, std::vector<FolderEntry>& entries) = 0;
};

// `folder` and `name` joined with one backslash.
std::wstring InFolder(const std::wstring& folder, const std::wstring& name);

// Appends the drawings under `folder` (names ending in "dwg" in any letter case, as EndsWithDwg
// says), folder by folder in the order they are listed. Hidden and system folders are left out,
// and so is a folder that cannot be read; a link to a folder is not followed, so no tree is
// visited twice or without end. Files are taken whatever their attributes.
void FindDrawings(FolderReader& reader, const std::wstring& folder,
                  std::vector<std::wstring>& found);

// What a drop (or kavro.com's folder) adds: every folder among `paths` stands for the drawings
// under it, every other path is taken when EndsWithDwg says so (nothing else is checked, and
// duplicates stay). Returned in list order, ready for DrawingListBox::InsertSorted.
std::vector<std::wstring> DrawingsOfPaths(FolderReader& reader,
                                          const std::vector<std::wstring>& paths,
                                          const EntryOrder& order);

}  // namespace kavro::drawings
