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

int ScreenDpi::TwipsToPixelsX(double twips) const { return TwipsToPixels(twips, x); }
int ScreenDpi::TwipsToPixelsY(double twips) const { return TwipsToPixels(twips, y); }
int ScreenDpi::FontHeight(double points) const { return FontHeightForPoints(points, y); }

}  // namespace kavro::win
