#pragma once
#include <windows.h>

namespace kavro {

// xpcmdbutton2: opens the home page, then shows the About window modally.
void MoreSoftware(HWND owner);

}  // namespace kavro
