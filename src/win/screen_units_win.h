#pragma once
// The screen's DPI (the program is DPI-aware): the one place it is asked for.
#include <windows.h>

namespace kavro::win {

struct ScreenDpi {
  int x = 96;
  int y = 96;

  static ScreenDpi Query();
  // Rounded half to even, as the window designs are converted.
  int TwipsToPixelsX(double twips) const;
  int TwipsToPixelsY(double twips) const;
  // The LOGFONT height (negative: character height) of a font of `points` size.
  int FontHeight(double points) const;
};

}  // namespace kavro::win
