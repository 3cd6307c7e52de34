#pragma once
// The two side windows shown at start-up: adfrm against the right screen edge and ad1frm against
// the left one. Each shows a download page of the author's site, stays on top of other windows
// and docks at its screen edge (see promo/docking.h). They hold no data of the rest of the
// program and live until closed or until the program ends.
#include <windows.h>

#include <memory>

#include "win/lifetime_win.h"
#include "win/shell_win.h"

namespace kavro::promo {

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
  // False: no engine is taken to exist, without asking (asking Wine opens windows of its own
  // in the middle of whatever a test drives).
  bool askForBrowserEngine = true;
};

struct PromoEnvironment {
  win::Shell& shell;
  win::Lifetime& lifetime;
  const PromoSettings& settings;
};

class PromoWindow;
struct PromoResources;

// The program's pair of side windows. A window that the user closes is gone; showing the pair
// again loads it anew. Windows still open when this object goes are destroyed with it.
class PromoWindows {
 public:
  explicit PromoWindows(PromoEnvironment environment);
  ~PromoWindows();
  PromoWindows(const PromoWindows&) = delete;
  PromoWindows& operator=(const PromoWindows&) = delete;

  // Shows adfrm, then ad1frm, not modal. A window that is already open is only shown again.
  // Called by the main window's load.
  void Show();

 private:
  friend class PromoWindow;
  void Closed(PromoWindow* window);

  PromoEnvironment environment_;
  std::unique_ptr<PromoResources> resources_;
  PromoWindow* adfrm_ = nullptr;  // each window deletes itself when destroyed
  PromoWindow* ad1frm_ = nullptr;
};

}  // namespace kavro::promo
