#pragma once
// Window placement arithmetic. Positions and sizes are twips held as 32-bit floats, and the
// arithmetic stays in that precision: results are not rounded before the window is moved.

namespace kavro {

struct TwipPoint {
  float left = 0;
  float top = 0;
};

struct TwipRect {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
};

struct TwipSize {
  float width = 0;
  float height = 0;
};

// Horizontally centred, one third of the free height above the window.
TwipPoint CenterHigh(TwipSize screen, TwipSize window);
// Flush with the left screen edge; vertical as CenterHigh.
TwipPoint FlushLeft(TwipSize screen, TwipSize window);
// Flush with the right screen edge; vertical as CenterHigh.
TwipPoint FlushRight(TwipSize screen, TwipSize window);

struct PixelRect {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  bool operator==(const PixelRect&) const = default;
};

// The pixel rectangle handed to SetWindowPos by the keep-on-top step: x by float division rounded
// half to even; y, cx and cy by integer division (remainder dropped) of operands that were each
// rounded half to even first.
PixelRect KeepOnTopPixels(TwipRect window, float twipsPerPixelX, float twipsPerPixelY);

// Rounds half to even, as the conversions above require; saturates at the range of int, and NaN
// gives 0.
long RoundHalfEven(double value);

// Screen units: 1440 twips and 72 points to the inch, `dpi` pixels.
inline constexpr float kTwipsPerInch = 1440.0f;
// Pixels of a twip length, rounded half to even (how the window designs are converted).
int TwipsToPixels(double twips, int dpi);
// Twips of one pixel (15 at 96 DPI); a DPI the screen did not give counts as 96.
float TwipsPerPixel(int dpi);
// The LOGFONT height (negative: character height) of a font of `points` size.
int FontHeightForPoints(double points, int dpi);

}  // namespace kavro
