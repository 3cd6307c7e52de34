#include "base/placement.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kavro {

long RoundHalfEven(double value) {
  // Pixel coordinates from broken screen metrics (a zero or absurd twips-per-pixel value) must
  // still convert: NaN gives 0, and everything saturates at the range of int.
  if (std::isnan(value)) {
    return 0;
  }
  value = std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX));
  double floorValue = std::floor(value);
  double diff = value - floorValue;
  long result = static_cast<long>(floorValue);
  if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0))) {
    ++result;
  }
  return result;
}

int TwipsToPixels(double twips, int dpi) {
  return static_cast<int>(RoundHalfEven(twips * dpi / kTwipsPerInch));
}

float TwipsPerPixel(int dpi) { return kTwipsPerInch / static_cast<float>(dpi > 0 ? dpi : 96); }

int FontHeightForPoints(double points, int dpi) {
  return -static_cast<int>(RoundHalfEven(points * dpi / 72.0));
}

TwipPoint CenterHigh(TwipSize screen, TwipSize window) {
  float left = (screen.width - window.width) / 2.0f;
  float top = (screen.height - window.height) / 3.0f;
  return {left, top};
}

TwipPoint FlushLeft(TwipSize screen, TwipSize window) {
  return {0.0f, (screen.height - window.height) / 3.0f};
}

TwipPoint FlushRight(TwipSize screen, TwipSize window) {
  return {screen.width - window.width, (screen.height - window.height) / 3.0f};
}

namespace {

// Integer division of two rounded operands; a zero divisor (a broken screen metric) gives 0
// instead of a crash.
int RoundedDivide(float dividend, float divisor) {
  long d = RoundHalfEven(divisor);
  if (d == 0) {
    return 0;
  }
  return static_cast<int>(RoundHalfEven(dividend) / d);
}

}  // namespace

PixelRect KeepOnTopPixels(TwipRect window, float twipsPerPixelX, float twipsPerPixelY) {
  PixelRect r;
  r.x = twipsPerPixelX != 0 ? static_cast<int>(RoundHalfEven(window.left / twipsPerPixelX)) : 0;
  r.y = RoundedDivide(window.top, twipsPerPixelY);
  r.cx = RoundedDivide(window.width, twipsPerPixelX);
  r.cy = RoundedDivide(window.height, twipsPerPixelY);
  return r;
}

}  // namespace kavro
