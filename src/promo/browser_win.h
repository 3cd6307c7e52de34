#pragma once
// The system's web browser control, in a child window of the program's own (see
// promo/browser_site_win.h for what the page may do there).
#include <windows.h>
#include <exdisp.h>
#include <wrl/client.h>

#include "win/shell_win.h"

namespace kavro::promo {

// Whether an HTML engine is installed: the browser control only renders pages where the HTML
// document object can be created (not under Wine without Gecko, for instance).
bool BrowserEngineAvailable();

// A browser control as a child of `parent` at `pixels` (relative to the parent's client area).
// Returns the host window, or nullptr when the control cannot be hosted. Links to other pages go
// to `shell`, which must outlive the window.
HWND CreateBrowser(HWND parent, const RECT& pixels, int controlId, win::Shell& shell);
// Starts loading `url` in a browser made by CreateBrowser; returns at once. False when the
// control refused. The page becomes the window's own: links to other pages leave the program.
bool NavigateBrowser(HWND host, const wchar_t* url);
// The control in a host made by CreateBrowser (null for any other window).
Microsoft::WRL::ComPtr<IWebBrowser2> BrowserIn(HWND host);

}  // namespace kavro::promo
