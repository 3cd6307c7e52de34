#pragma once
// Helpers for the tests that run under Wine.
#include <windows.h>

#include <functional>
#include <string>

namespace kavro::test {

// Pumps messages until `done` is true or `timeoutMs` passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Pumps what is queued now.
void PumpPending();

// Folder holding kavro.exe and the tests (the build folder).
std::wstring BuildFolder();
std::wstring KavroExePath();

// Window rectangle of `child` relative to the client area of `parent`.
RECT RectInParent(HWND child, HWND parent);
std::wstring WindowText(HWND window);
std::wstring ClassOf(HWND window);

// A fresh empty folder for one test (under the prefix's temp folder).
std::wstring MakeTempFolder(const std::wstring& name);

// Saves what the screen shows of `window` as build/screenshots/<name>.bmp (the test command
// turns it into a PNG).
bool SaveWindowPicture(HWND window, const std::wstring& name);

}  // namespace kavro::test
