#pragma once
// The drawing list's actions, started from the main window.
#include <windows.h>

#include "base/file_dialog.h"
#include "win/message_box_win.h"

namespace kavro::drawings {

// What the drawing list's actions reach of the main window.
struct DrawingsView {
  HWND owner;                         // the main window: owner of the dialogs and messages
  HWND list;                          // List2
  FileDialogControl& addFilesDialog;  // CommonDialog1
  FileDialogControl& listFileDialog;  // CommonDialog4
  FileDialogBackend& dialogs;
  win::MessageBoxes& messages;
};

void AddFiles(const DrawingsView& view);        // xpcmdbutton6
void DeleteSelected(const DrawingsView& view);  // xpcmdbutton9 and a double-click on List2
void DeleteAll(const DrawingsView& view);       // xpcmdbutton8
void SaveList(const DrawingsView& view);        // xpcmdbutton10
void LoadList(const DrawingsView& view);        // xpcmdbutton11
void AcceptDrops(const DrawingsView& view);     // at load: drops of files from Explorer onto List2

}  // namespace kavro::drawings
