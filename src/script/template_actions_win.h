#pragma once
// Script template files, started from the main window.
#include <windows.h>

#include "base/file_dialog.h"
#include "win/message_box_win.h"

namespace kavro::script {

// What the template actions reach of the main window.
struct TemplateView {
  HWND owner;                 // the main window: owner of the dialogs and messages
  HWND text1;                 // the template box
  FileDialogControl& dialog;  // CommonDialog1, shared with the add-files action
  FileDialogBackend& dialogs;
  win::MessageBoxes& messages;
};

void SaveTemplate(const TemplateView& view);  // xpcmdbutton1
void LoadTemplate(const TemplateView& view);  // xpcmdbutton5

}  // namespace kavro::script
