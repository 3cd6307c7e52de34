#pragma once
// The drawing list's actions, started from the main window.
#include <windows.h>

#include <cstddef>
#include <string>

namespace kavro {
class MainWindow;
}

namespace kavro::drawings {

void AddFiles(MainWindow& window);        // xpcmdbutton6
void DeleteSelected(MainWindow& window);  // xpcmdbutton9 and a double-click on List2
void DeleteAll(MainWindow& window);       // xpcmdbutton8
void SaveList(MainWindow& window);        // xpcmdbutton10
void LoadList(MainWindow& window);        // xpcmdbutton11
void AcceptDrops(MainWindow& window);     // at load: drops of files from Explorer onto List2

// The list as the runs see it: entries in processing order.
size_t Count(MainWindow& window);
std::wstring Entry(MainWindow& window, size_t index);
// Removes entries 0 .. count-1 (the drawings a run has processed).
void RemoveFirst(MainWindow& window, size_t count);

}  // namespace kavro::drawings
