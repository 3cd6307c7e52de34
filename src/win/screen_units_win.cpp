#include "win/screen_units_win.h"

#include "base/placement.h"

namespace kavro::win {

ScreenDpi ScreenDpi::Query() {
  ScreenDpi dpi;
  HDC screen = GetDC(nullptr);
  dpi.x = GetDeviceCaps(screen, LOGPIXELSX);
  dpi.y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi.x <= 0) dpi.x = 96;
  if (dpi.y <= 0) dpi.y = 96;
  return dpi;
}

int ScreenDpi::TwipsToPixelsX(double twips) const {
  return static_cast<int>(RoundHalfEven(twips * x / 1440.0));
}

int ScreenDpi::TwipsToPixelsY(double twips) const {
  return static_cast<int>(RoundHalfEven(twips * y / 1440.0));
}

int ScreenDpi::FontHeight(double points) const {
  return -static_cast<int>(RoundHalfEven(points * y / 72.0));
}

}  // namespace kavro::win
