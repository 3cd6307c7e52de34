#include "app/lifetime_win.h"

#include <windows.h>

namespace kavro {

namespace {
int openWindows = 0;
}

void TopLevelWindowOpened() { ++openWindows; }

void TopLevelWindowClosed() {
  if (--openWindows <= 0) {
    PostQuitMessage(0);
  }
}

void EndProgramNow() { ExitProcess(0); }

}  // namespace kavro
