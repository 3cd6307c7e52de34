#pragma once
// The runs over the drawing list, started from the main window.
#include <windows.h>

#include <functional>
#include <string>

#include "run/autocad_win.h"

namespace kavro {
class MainWindow;
}

namespace kavro::run {

void ModifyRun(MainWindow& window);   // Command9
void PreviewRun(MainWindow& window);  // xpcmdbutton7

// What the runs may be tuned in (tests shorten every wait; the program keeps the defaults).
struct RunSettings {
  AutomationLimits automation;
  DWORD keysMs = 60000;        // typed keys (R14) to be read by AutoCAD
  std::wstring programFolder;  // empty: the folder of the executable
  // Shows a message box with caption "Kavro"; tests record it instead.
  std::function<void(HWND owner, const std::wstring& text, UINT flags)> showMessage;
};
RunSettings& Settings();

// The program's AutoCAD link (Module1); tests disconnect it between cases.
AutoCadLink& CadLink();

}  // namespace kavro::run
