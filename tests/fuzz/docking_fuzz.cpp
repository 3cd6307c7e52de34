// One docking tick from any pointer and window rectangle: the decision, and the pixel place the
// side window then moves to. Input: a mode byte, minimised,
// pointer, outer rectangle, twips per pixel, screen size in pixels; in raw mode the window's and
// the screen's twips follow as any floats instead of being derived from the pixels.
#include <optional>

#include "base/placement.h"
#include "fuzz_text.h"
#include "promo/docking.h"

namespace {

using namespace kavro::promo;
using kavro::RoundHalfEven;
using kavro::fuzz::Check;

struct Tick {
  DockingInput in;
  ScreenPixels screen;
};

Tick ReadTick(kavro::fuzz::FieldReader& input, bool raw) {
  Tick t;
  bool minimised = input.Read<uint8_t>() & 1;
  PixelPoint pointer{input.Read<int32_t>(), input.Read<int32_t>()};
  PixelBox outer{input.Read<int32_t>(), input.Read<int32_t>(), input.Read<int32_t>(),
                 input.Read<int32_t>()};
  t.screen.twipsPerPixelX = input.Read<float>();
  t.screen.twipsPerPixelY = input.Read<float>();
  t.screen.width = input.Read<int32_t>();
  t.screen.height = input.Read<int32_t>();
  t.in = DockingInputOf(pointer, outer, t.screen, minimised);
  if (raw) {
    t.in.window = {input.Read<float>(), input.Read<float>(), input.Read<float>(),
                   input.Read<float>()};
    t.in.screen = {input.Read<float>(), input.Read<float>()};
  }
  return t;
}

// Where the window is after the step, in pixels, as the tick moves it.
PixelPoint PixelPlace(const Tick& t, const DockingStep& step) {
  std::optional<PixelPoint> to = DockingMove(step, t.in, t.screen);
  if (!to) {
    return {t.in.outer.left, t.in.outer.top};
  }
  // Whatever the screen metrics say, the conversion stays defined and nothing wraps.
  Check(to->x == RoundHalfEven(step.left.value_or(t.in.window.left) / t.screen.twipsPerPixelX) &&
            to->y == RoundHalfEven(step.top.value_or(t.in.window.top) / t.screen.twipsPerPixelY),
        "pixels fit an int");
  return *to;
}

// A window of whole pixels on a sane screen, as GetWindowRect and the screen metrics give it, and
// larger than the strip it leaves when hidden (a smaller one would still touch no edge).
bool Ordinary(const Tick& t) {
  const PixelBox& o = t.in.outer;
  const ScreenPixels& s = t.screen;
  auto small = [](long v) { return v >= -100000 && v <= 100000; };
  return s.twipsPerPixelX >= 1 && s.twipsPerPixelX <= 100 && s.twipsPerPixelY >= 1 &&
         s.twipsPerPixelY <= 100 && small(o.left) && small(o.top) && small(o.right) &&
         small(o.bottom) && t.in.window.width >= kDockStripTwips &&
         t.in.window.height >= kDockStripTwips && s.width >= 100 && s.width <= 100000;
}

// The window moved by a hide step and ticked again with the pointer still away: it stays.
void CheckHiddenStays(const Tick& t, PixelPoint place) {
  const PixelBox& o = t.in.outer;
  PixelBox moved{place.x, place.y, place.x + (o.right - o.left), place.y + (o.bottom - o.top)};
  if (PointerOver(t.in.pointer, moved)) return;  // the pointer is on the strip now
  DockingInput again = DockingInputOf(t.in.pointer, moved, t.screen, false);
  DockingStep step = DecideDocking(again);
  Check(!step.bringToFront, "a hidden window is not raised while the pointer is away");
  Check(!DockingMove(step, again, t.screen), "a hidden window stays where it hid");
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
