#pragma once
// The Windows common open and save dialogs behind the main window's dialog controls.
#include <windows.h>

#include <memory>

#include "base/file_dialog.h"

namespace kavro::win {

std::unique_ptr<FileDialogBackend> MakeCommonDialogs(HWND owner);

}  // namespace kavro::win
