// Edge docking decisions of the side windows on a 1024 x 768 screen at 15 twips per pixel.
#include "promo/docking.h"

#include <gtest/gtest.h>

#include <utility>

namespace kavro::promo {
namespace {

constexpr float kPerPixel = 15.0f;
constexpr TwipSize kScreen{15360.0f, 11520.0f};
constexpr int kWidthPx = 131;   // 1965 twips
constexpr int kHeightPx = 609;  // 9135 twips
constexpr PixelPoint kMiddle{512, 384};
constexpr float kLeftHidden = 40.0f - 1965.0f;
constexpr float kTopHidden = 40.0f - 9135.0f;
constexpr float kRightHidden = 15360.0f - 40.0f;
constexpr float kRightRevealed = 15360.0f - 1965.0f + 10.0f;  // 13405 twips = 894 px
constexpr std::nullopt_t kSame = std::nullopt;

// A side window whose outer top-left corner is at (leftPx, topPx).
constexpr ScreenPixels kScreenPixels{1024, 768, kPerPixel, kPerPixel};

// A side window whose outer top-left corner is at (leftPx, topPx), as a tick sees it.
DockingInput At(int leftPx, int topPx, PixelPoint pointer, bool minimised = false) {
  return DockingInputOf(pointer, {leftPx, topPx, leftPx + kWidthPx, topPx + kHeightPx},
                        kScreenPixels, minimised);
}

// Flush right is 893 px, flush left 0, the centred top (768 - 609) / 3 = 53 px. A hidden window
// leaves a strip of 40 twips (3 px after rounding); a revealed one overshoots by 10 twips and so
// still touches its edge: the pointer leaving hides it again.
TEST(Docking, HidesToAStripAndComesBackOvershooting) {
  struct Case {
    const char* what;
    DockingInput in;
    DockingStep step;
  };
  const Case cases[] = {
      {"right, away", At(893, 53, kMiddle), {kRightHidden, kSame, false}},
      {"right hidden, on the strip", At(1021, 53, {1022, 300}), {kRightRevealed, kSame, true}},
      {"right revealed, away", At(894, 53, kMiddle), {kRightHidden, kSame, false}},
      {"right revealed, over it", At(894, 53, {1000, 300}), {kRightRevealed, kSame, true}},
      {"left, away", At(0, 53, kMiddle), {kLeftHidden, kSame, false}},
      {"left hidden, on the strip", At(-128, 53, {1, 300}), {-10.0f, kSame, true}},
      {"left revealed, away", At(-1, 53, kMiddle), {kLeftHidden, kSame, false}},
      {"left hidden, on its outer edge", At(-128, 53, {3, 300}), {kLeftHidden, kSame, false}},
      {"4 px in from the left", At(4, 53, kMiddle), {kLeftHidden, kSame, false}},
      {"5 px in from the left", At(5, 53, kMiddle), {}},
      // The top wins over the side edges.
      {"top left corner", At(0, 4, kMiddle), {kSame, kTopHidden, false}},
      {"top hidden, on the strip", At(0, -606, {60, 1}), {kSame, -10.0f, true}},
      {"right, above the top", At(893, -20, kMiddle), {kSame, kTopHidden, false}},
      {"free, away", At(300, 53, kMiddle), {}},
      {"free, over it", At(300, 53, {350, 300}), {}},
      {"minimised, away", At(893, 53, kMiddle, true), {}},
      {"minimised, on the strip", At(-128, 53, {1, 300}, true), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(DecideDocking(c.in), c.step) << c.what;
  DockingInput in = At(600, 53, kMiddle);
  in.window.left = kScreen.width - in.window.width - 4.0f;  // right edge 4 twips short
  EXPECT_EQ(DecideDocking(in).left, kRightHidden);
  in.window.left -= 1.0f;  // 5 twips short
  EXPECT_EQ(DecideDocking(in), DockingStep{});
  // A reveal needs the right edge at or past the screen edge.
  in.pointer = {700, 300};
  in.window.left += 1.0f;
  EXPECT_EQ(DecideDocking(in), DockingStep{});
}

// The window moves only when the decided place is another pixel position.
TEST(Docking, MovesWhenThePixelPositionChangesAndThePointerOnTheOuterEdgeIsOutside) {
  DockingInput in = At(1021, 53, {1022, 300});
  auto to = DockingMove(DecideDocking(in), in, kScreenPixels);
  ASSERT_TRUE(to.has_value());
  EXPECT_EQ(std::pair(to->x, to->y), std::pair(894, 53));

  in = At(894, 53, {1000, 300});  // revealed already: 13405 twips round to the pixel it is at
  EXPECT_FALSE(DockingMove(DecideDocking(in), in, kScreenPixels));
  EXPECT_FALSE(DockingMove(DockingStep{}, in, kScreenPixels));
  // The pointer on the outer edge counts as outside.
  PixelBox box{-128, 53, 3, 662};
  for (PixelPoint edge : {PixelPoint{3, 300}, {-128, 300}, {1, 53}, {1, 662}}) {
    EXPECT_FALSE(PointerOver(edge, box)) << edge.x << "," << edge.y;
  }
  EXPECT_TRUE(PointerOver({2, 54}, box));
}

}  // namespace
}  // namespace kavro::promo
