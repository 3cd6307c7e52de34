#pragma once
// Edge docking of the side windows: while the pointer is away, a window that touches the top,
// left or right screen edge moves out and leaves a 40-twip strip; when the pointer enters it, the
// window moves back with a 10-twip overshoot so that it still touches the edge. Nothing is stored
// between ticks: every decision is made afresh from the pointer and the window's place.
#include <optional>

#include "base/placement.h"

namespace kavro::promo {

struct PixelPoint {
  int x = 0;
  int y = 0;
};

// A window's outer rectangle in screen pixels.
struct PixelBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct DockingInput {
  PixelPoint pointer;
  PixelBox outer;
  TwipRect window;  // the same rectangle as `outer`, in twips
  TwipSize screen;  // the whole primary screen, in twips
  bool minimised = false;
};

struct DockingStep {
  std::optional<float> left;  // new left in twips, when it changes
  std::optional<float> top;   // new top in twips, when it changes
  bool bringToFront = false;  // a revealed window is shown and raised
  bool operator==(const DockingStep&) const = default;
};

inline constexpr float kDockStripTwips = 40.0f;
inline constexpr float kRevealOvershootTwips = 10.0f;
inline constexpr int kDockNearPixels = 4;
inline constexpr float kDockNearRightTwips = 4.0f;

// The pointer counts as over the window only strictly inside its outer rectangle.
bool PointerOver(PixelPoint pointer, PixelBox outer);

// One docking tick: tests the edges in the order top, left, right and returns the first match.
DockingStep DecideDocking(const DockingInput& in);

// The pixel facts of a tick as the decision takes them: the window and the screen in twips.
struct ScreenPixels {
  int width = 0;
  int height = 0;
  float twipsPerPixelX = 15;
  float twipsPerPixelY = 15;
};
DockingInput DockingInputOf(PixelPoint pointer, PixelBox outer, const ScreenPixels& screen,
                            bool minimised);
// Where a step moves the window's outer top-left corner, in pixels (rounded half to even); nothing
// when its pixel position does not really change.
std::optional<PixelPoint> DockingMove(const DockingStep& step, const DockingInput& in,
                                      const ScreenPixels& screen);

}  // namespace kavro::promo
