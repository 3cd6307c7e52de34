#include "app/about_win.h"

namespace kavro {

void MoreSoftware(HWND) {}

}  // namespace kavro
