// Edge docking decisions of the side windows on a 1024 x 768 screen at 15 twips per pixel.
#include "promo/docking.h"

#include <gtest/gtest.h>

namespace kavro::promo {
namespace {

constexpr float kPerPixel = 15.0f;
constexpr TwipSize kScreen{15360.0f, 11520.0f};
constexpr int kWidthPx = 131;   // 1965 twips
constexpr int kHeightPx = 609;  // 9135 twips

// A side window whose outer top-left corner is at (leftPx, topPx).
DockingInput At(int leftPx, int topPx, PixelPoint pointer) {
  DockingInput in;
  in.pointer = pointer;
  in.outer = {leftPx, topPx, leftPx + kWidthPx, topPx + kHeightPx};
  in.window = {leftPx * kPerPixel, topPx * kPerPixel, kWidthPx * kPerPixel, kHeightPx * kPerPixel};
  in.screen = kScreen;
  return in;
}

constexpr PixelPoint kMiddle{512, 384};

TEST(Docking, RightEdgeWindowHidesToAStripAndComesBackOvershooting) {
  // Flush right: left 15360 - 1965 = 13395 twips = 893 px; top (11520 - 9135) / 3 = 795 = 53 px.
  DockingStep hide = DecideDocking(At(893, 53, kMiddle));
  EXPECT_EQ(hide, (DockingStep{15320.0f, std::nullopt, false}));

  // Hidden at 15320 twips (1021 px after rounding); the pointer on the visible strip reveals it.
  DockingStep reveal = DecideDocking(At(1021, 53, {1022, 300}));
  EXPECT_EQ(reveal, (DockingStep{13405.0f, std::nullopt, true}));

  // Revealed at 13405 twips (894 px): still past the edge, so the pointer leaving hides it again.
  EXPECT_EQ(DecideDocking(At(894, 53, kMiddle)).left, 15320.0f);
  // With the pointer still over it, the reveal repeats at the same place.
  EXPECT_EQ(DecideDocking(At(894, 53, {1000, 300})).left, 13405.0f);
}

TEST(Docking, LeftEdgeWindowHidesToAStripAndComesBackOvershooting) {
  EXPECT_EQ(DecideDocking(At(0, 53, kMiddle)), (DockingStep{40.0f - 1965.0f, std::nullopt, false}));
  // Hidden at -1925 twips (-128 px): pixels 0..2 remain, and a pointer on them reveals it.
  EXPECT_EQ(DecideDocking(At(-128, 53, {1, 300})), (DockingStep{-10.0f, std::nullopt, true}));
  // Revealed at -10 twips (-1 px): within 4 px of the edge, so it hides again.
  EXPECT_EQ(DecideDocking(At(-1, 53, kMiddle)).left, 40.0f - 1965.0f);
  // Up to 4 px in from the edge still counts as docked; 5 px does not.
  EXPECT_TRUE(DecideDocking(At(4, 53, kMiddle)).left.has_value());
  EXPECT_EQ(DecideDocking(At(5, 53, kMiddle)), DockingStep{});
}

TEST(Docking, TopWinsOverTheSideEdgesOnALowScreen) {
  // Flush left and within 4 px of the top: it hides upwards, not to the left.
  EXPECT_EQ(DecideDocking(At(0, 4, kMiddle)), (DockingStep{std::nullopt, 40.0f - 9135.0f, false}));
  // Hidden upwards (-606 px, a strip of 3 px); the pointer on the strip brings it back at -10.
  EXPECT_EQ(DecideDocking(At(0, -606, {60, 1})), (DockingStep{std::nullopt, -10.0f, true}));
  // Flush right above the screen top: top again before right.
  EXPECT_EQ(DecideDocking(At(893, -20, kMiddle)).top, 40.0f - 9135.0f);
}

TEST(Docking, RightEdgeCountsWithinFourTwips) {
  DockingInput in = At(600, 53, kMiddle);
  in.window.left = kScreen.width - in.window.width - 4.0f;  // right edge 4 twips short
  EXPECT_EQ(DecideDocking(in).left, 15320.0f);
  in.window.left -= 1.0f;  // 5 twips short
  EXPECT_EQ(DecideDocking(in), DockingStep{});
  // A reveal needs the right edge at or past the screen edge.
  in.pointer = {700, 300};
  in.window.left += 1.0f;
  EXPECT_EQ(DecideDocking(in), DockingStep{});
}

TEST(Docking, PointerOnTheOuterEdgeCountsAsOutside) {
  PixelBox box{-128, 53, 3, 662};
  EXPECT_FALSE(PointerOver({3, 300}, box));     // right edge
  EXPECT_FALSE(PointerOver({-128, 300}, box));  // left edge
  EXPECT_FALSE(PointerOver({1, 53}, box));      // top edge
  EXPECT_FALSE(PointerOver({1, 662}, box));     // bottom edge
  EXPECT_TRUE(PointerOver({2, 54}, box));
  // On the edge of a hidden window: it stays hidden (the hide case matches again).
  EXPECT_EQ(DecideDocking(At(-128, 53, {3, 300})).left, 40.0f - 1965.0f);
}

TEST(Docking, FreeWindowIsNeitherMovedNorRaised) {
  EXPECT_EQ(DecideDocking(At(300, 53, kMiddle)), DockingStep{});
  EXPECT_EQ(DecideDocking(At(300, 53, {350, 300})), DockingStep{});
}

TEST(Docking, NothingMovesWhileMinimised) {
  DockingInput away = At(893, 53, kMiddle);
  away.minimised = true;
  EXPECT_EQ(DecideDocking(away), DockingStep{});
  DockingInput over = At(-128, 53, {1, 300});
  over.minimised = true;
  EXPECT_EQ(DecideDocking(over), DockingStep{});
}

}  // namespace
}  // namespace kavro::promo
