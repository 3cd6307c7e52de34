#include "promo/docking.h"

namespace kavro::promo {

bool PointerOver(PixelPoint pointer, PixelBox outer) {
  return outer.left < pointer.x && pointer.x < outer.right && outer.top < pointer.y &&
         pointer.y < outer.bottom;
}

namespace {

// Single precision on purpose: the edge tests compare sums the way the window's own float
// coordinates add up.
float RightOf(const TwipRect& window) { return window.left + window.width; }

DockingStep Reveal(const DockingInput& in) {
  DockingStep step;
  if (in.window.top < 0.0f) {
    step.top = -kRevealOvershootTwips;
  } else if (in.window.left < 0.0f) {
    step.left = -kRevealOvershootTwips;
  } else if (RightOf(in.window) >= in.screen.width) {
    step.left = in.screen.width - in.window.width + kRevealOvershootTwips;
  } else {
    return step;  // a free window is not brought to the front either
  }
  step.bringToFront = true;
  return step;
}

DockingStep Hide(const DockingInput& in) {
  DockingStep step;
  if (in.outer.top <= kDockNearPixels) {
    step.top = kDockStripTwips - in.window.height;
  } else if (in.outer.left <= kDockNearPixels) {
    step.left = kDockStripTwips - in.window.width;
  } else if (in.screen.width - kDockNearRightTwips <= RightOf(in.window)) {
    step.left = in.screen.width - kDockStripTwips;
  }
  return step;
}

}  // namespace

DockingStep DecideDocking(const DockingInput& in) {
  if (in.minimised) {
    return {};
  }
  return PointerOver(in.pointer, in.outer) ? Reveal(in) : Hide(in);
}

DockingInput DockingInputOf(PixelPoint pointer, PixelBox outer, const ScreenPixels& screen,
                            bool minimised) {
  const float perX = screen.twipsPerPixelX;
  const float perY = screen.twipsPerPixelY;
  DockingInput in;
  in.pointer = pointer;
  in.outer = outer;
  // The size in double: no rectangle, however odd, overflows an int (the result is the same).
  in.window = {static_cast<float>(outer.left) * perX, static_cast<float>(outer.top) * perY,
               static_cast<float>(static_cast<double>(outer.right) - outer.left) * perX,
               static_cast<float>(static_cast<double>(outer.bottom) - outer.top) * perY};
  in.screen = {static_cast<float>(screen.width) * perX, static_cast<float>(screen.height) * perY};
  in.minimised = minimised;
  return in;
}

std::optional<PixelPoint> DockingMove(const DockingStep& step, const DockingInput& in,
                                      const ScreenPixels& screen) {
  if (!step.left && !step.top) {
    return std::nullopt;
  }
  PixelPoint to{
      static_cast<int>(RoundHalfEven(step.left.value_or(in.window.left) / screen.twipsPerPixelX)),
      static_cast<int>(RoundHalfEven(step.top.value_or(in.window.top) / screen.twipsPerPixelY))};
  if (to.x == in.outer.left && to.y == in.outer.top) {
    return std::nullopt;
  }
  return to;
}

}  // namespace kavro::promo
