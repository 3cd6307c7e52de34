// One docking tick from any pointer and window rectangle: the decision, and the pixel place the
// side window then moves to (as the window's tick converts it). Input: a mode byte, minimised,
// pointer, outer rectangle, twips per pixel, screen size in pixels; in raw mode the window's and
// the screen's twips follow as any floats instead of being derived from the pixels.
#include <climits>
#include <cmath>

#include "base/placement.h"
#include "fuzz_text.h"
#include "promo/docking.h"

namespace {

using namespace kavro::promo;
using kavro::RoundHalfEven;
using kavro::fuzz::Check;

struct Tick {
  DockingInput in;
  float perX = 15;
  float perY = 15;
};

Tick ReadTick(kavro::fuzz::FieldReader& input, bool raw) {
  Tick t;
  t.in.minimised = input.Read<uint8_t>() & 1;
  t.in.pointer = {input.Read<int32_t>(), input.Read<int32_t>()};
  t.in.outer = {input.Read<int32_t>(), input.Read<int32_t>(), input.Read<int32_t>(),
                input.Read<int32_t>()};
  t.perX = input.Read<float>();
  t.perY = input.Read<float>();
  float screenX = static_cast<float>(input.Read<int32_t>());
  float screenY = static_cast<float>(input.Read<int32_t>());
  const PixelBox& o = t.in.outer;
  t.in.window = {static_cast<float>(o.left) * t.perX, static_cast<float>(o.top) * t.perY,
                 static_cast<float>(static_cast<double>(o.right) - o.left) * t.perX,
                 static_cast<float>(static_cast<double>(o.bottom) - o.top) * t.perY};
  t.in.screen = {screenX * t.perX, screenY * t.perY};
  if (raw) {
    t.in.window = {input.Read<float>(), input.Read<float>(), input.Read<float>(),
                   input.Read<float>()};
    t.in.screen = {input.Read<float>(), input.Read<float>()};
  }
  return t;
}

// Where the window goes in pixels, as the tick converts the step; any value must fit an int.
PixelPoint PixelPlace(const Tick& t, const DockingStep& step) {
  float left = step.left.value_or(t.in.window.left);
  float top = step.top.value_or(t.in.window.top);
  long x = RoundHalfEven(left / t.perX);
  long y = RoundHalfEven(top / t.perY);
  Check(x >= INT_MIN && x <= INT_MAX && y >= INT_MIN && y <= INT_MAX, "pixels fit an int");
  return {static_cast<int>(x), static_cast<int>(y)};
}

// A window of whole pixels on a sane screen, as GetWindowRect and the screen metrics give it.
bool Ordinary(const Tick& t) {
  const PixelBox& o = t.in.outer;
  auto small = [](long v) { return v >= -100000 && v <= 100000; };
  return t.perX >= 1 && t.perX <= 100 && t.perY >= 1 && t.perY <= 100 && small(o.left) &&
         small(o.top) && small(o.right) && small(o.bottom) && o.right - o.left >= 3 &&
         o.bottom - o.top >= 3 && t.in.screen.width >= 100 * t.perX &&
         t.in.screen.width <= 100000 * t.perX;
}

// The window moved by a hide step and ticked again with the pointer still away: it stays.
void CheckHiddenStays(Tick t, PixelPoint place) {
  int width = t.in.outer.right - t.in.outer.left;
  int height = t.in.outer.bottom - t.in.outer.top;
  t.in.outer = {place.x, place.y, place.x + width, place.y + height};
  t.in.window.left = static_cast<float>(place.x) * t.perX;
  t.in.window.top = static_cast<float>(place.y) * t.perY;
  if (PointerOver(t.in.pointer, t.in.outer)) return;  // the pointer is on the strip now
  DockingStep again = DecideDocking(t.in);
  Check(!again.bringToFront, "a hidden window is not raised while the pointer is away");
  PixelPoint next = PixelPlace(t, again);
  Check(next.x == place.x && next.y == place.y, "a hidden window stays where it hid");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kavro::fuzz::FieldReader input(data, size);
  bool raw = input.Read<uint8_t>() & 1;
  Tick t = ReadTick(input, raw);
  DockingStep step = DecideDocking(t.in);

  bool over = PointerOver(t.in.pointer, t.in.outer);
  if (t.in.minimised) {
    Check(step == DockingStep{}, "a minimised window does not move");
  } else if (over) {
    Check(step.bringToFront == (step.left || step.top), "a revealed window comes to the front");
  } else {
    Check(!step.bringToFront, "only the pointer reveals a window");
  }
  Check(!(step.left && step.top), "one edge at a time");
  // Whatever the screen metrics say, the conversion to pixels stays defined.
  PixelPoint place = PixelPlace(t, step);
  if (!raw && Ordinary(t) && !over && !t.in.minimised && (step.left || step.top)) {
    CheckHiddenStays(t, place);
  }
  return 0;
}
