#pragma once
// Files and folders dropped on a window: by OLE drag and drop (what Explorer does) and by
// WM_DROPFILES (what some sources and Wine's own desktop integration send). Both are taken; each
// drop hands over its paths in the order of the drop.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kavro::drawings {

using DropHandler = std::function<void(const std::vector<std::wstring>& paths)>;

// Lasts as long as the window. Needs OLE on this thread (initialised here when missing); without
// it only WM_DROPFILES is taken.
void AcceptFileDrops(HWND window, DropHandler onDrop);

}  // namespace kavro::drawings
