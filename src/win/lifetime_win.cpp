#include "win/lifetime_win.h"

#include <windows.h>

namespace kavro::win {

void Lifetime::WindowClosed() {
  if (--openWindows_ <= 0) {
    PostQuitMessage(0);
  }
}

void Lifetime::EndNow() { ExitProcess(0); }

}  // namespace kavro::win
