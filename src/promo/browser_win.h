#pragma once
// The system's web browser control, hosted through atl.dll's AtlAxWin window class (loaded at run
// time, so the program needs no ATL of its own).
#include <windows.h>

namespace kavro::promo {

// Whether an HTML engine is installed: the browser control only renders pages where the HTML
// document object can be created (not under Wine without Gecko, for instance).
bool BrowserEngineAvailable();

// A browser control as a child of `parent` at `pixels` (relative to the parent's client area).
// Returns the host window, or nullptr when the control cannot be hosted.
HWND CreateBrowser(HWND parent, const RECT& pixels, int controlId);
// Starts loading `url` in a browser made by CreateBrowser; returns at once. False when the
// control refused.
bool NavigateBrowser(HWND host, const wchar_t* url);

}  // namespace kavro::promo
