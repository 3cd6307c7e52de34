#pragma once
// DLLs from the system folder only. The program may be started from a folder where anyone can
// leave files (a download folder, a share): a DLL placed beside kavro.exe under the name of one
// the program or a system component loads must never be run. So the search for DLLs is
// restricted to the system folder at start, and the DLLs that are not Windows' known DLLs are
// not linked but loaded at first use by their full path in the system folder.
#include <windows.h>

namespace kavro::win {

// Restricts every later DLL search of the process to the system folder. Where the system lacks
// SetDefaultDllDirectories (Windows 7 without its update), only the current folder is taken out.
void RestrictDllSearchToSystemFolder();

// The named DLL of the system folder, loaded by its full path (its own imports too are looked up
// there first); null when it is missing. Loaded once and kept for the life of the process.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// HtmlHelpW of the system's hhctrl.ocx; returns null (no window) where that is missing.
HWND HtmlHelpFromSystem(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data);

}  // namespace kavro::win
