#pragma once
// The two side windows shown at start-up: adfrm against the right screen edge and ad1frm against
// the left one. Each shows a download page of the author's site, stays on top of other windows
// and docks at its screen edge (see promo/docking.h). They hold no data of the rest of the
// program and live until closed or until the program ends.
#include <windows.h>

namespace kavro::promo {

// Shows adfrm, then ad1frm, not modal. A window that is already open is only shown again.
// Called by the main window's load.
void ShowPromoWindows();

// Child control identifiers of both windows (GetDlgItem).
enum class PromoControl : int {
  WebBrowser1 = 1001,  // the browser host, where a browser engine exists
  Image2,              // close picture: ends the program
  Image1,              // minimise picture
  Label1,              // double-click closes this window
  NoBrowserText,       // in the browser's place where no engine exists: a link to the page
};

// What tests may change before the windows are first shown.
struct PromoSettings {
  UINT dockingDelayMs = 5000;      // until edge docking begins (Timer2)
  bool hostBrowserAnyway = false;  // host the browser control even where no engine was found
};
PromoSettings& Settings();

}  // namespace kavro::promo
