#include "drawings/folder_search.h"

#include <utility>

namespace kavro::drawings {

std::wstring InFolder(const std::wstring& folder, const std::wstring& name) {
  std::wstring path = folder;
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') {
    path += L'\\';
  }
  return path + name;
}

void FindDrawings(FolderReader& reader, const std::wstring& folder,
                  std::vector<std::wstring>& found) {
  // Folders still to be read, the next one last: a deep tree needs no deep call stack.
  std::vector<std::wstring> pending{folder};
  std::vector<FolderEntry> entries;
  std::vector<std::wstring> subfolders;
  while (!pending.empty()) {
    std::wstring current = std::move(pending.back());
    pending.pop_back();
    entries.clear();
    if (!reader.List(current, entries)) {
      continue;
    }
    subfolders.clear();
    for (const FolderEntry& entry : entries) {
      if (!entry.folder) {
        if (EndsWithDwg(entry.name)) {
          found.push_back(InFolder(current, entry.name));
        }
      } else if (!entry.hidden && !entry.system && !entry.link) {
        subfolders.push_back(InFolder(current, entry.name));
      }
    }
    // Read in the order listed: the first subfolder goes on top of the stack.
    pending.insert(pending.end(), std::make_move_iterator(subfolders.rbegin()),
                   std::make_move_iterator(subfolders.rend()));
  }
}

std::vector<std::wstring> DrawingsOfPaths(FolderReader& reader,
                                          const std::vector<std::wstring>& paths,
                                          const EntryOrder& order) {
  std::vector<std::wstring> drawings;
  for (const std::wstring& path : paths) {
    if (reader.IsFolder(path)) {
      FindDrawings(reader, path, drawings);
    } else if (EndsWithDwg(path)) {
      drawings.push_back(path);
    }
  }
  SortBatch(drawings, order);
  return drawings;
}

}  // namespace kavro::drawings
