#pragma once
// The stand-in's main window: its title is the application's Caption, its client area shows
// the command line, and keys typed into it feed the command line like AutoCAD's. It can be an
// ANSI window (typed Chinese then arrives as two code-page bytes per character) or a Unicode
// one.
#include <windows.h>

namespace standin {

inline constexpr wchar_t kWindowClass[] = L"KavroStandinAutoCAD";

HWND CreateMainWindow(bool ansi);
// Runs until Application.Quit or the window closes; `ansi` picks the message functions.
void RunMessageLoop(bool ansi);

}  // namespace standin
