#include "base/placement.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "base/program_folder.h"

namespace kavro {
namespace {

const TwipSize kScreen{15360, 11520};  // 1024 x 768 pixels at 15 twips per pixel
const TwipSize kWindow{6000, 3000};

// Centred across, a third of the free height above; fractions and oversize are kept.
TEST(Placement, RulesConversionAndRounding) {
  for (auto [place, left] : {std::pair{CenterHigh(kScreen, kWindow), 4680.0f},
                             {FlushRight(kScreen, kWindow), 9360.0f},
                             {FlushLeft(kScreen, kWindow), 0.0f}}) {
    EXPECT_FLOAT_EQ(place.left, left);
    EXPECT_FLOAT_EQ(place.top, 2840);
  }
  EXPECT_FLOAT_EQ(CenterHigh(kScreen, {5999, 3000}).left, 4680.5f);
  TwipPoint tall = CenterHigh(kScreen, {6000, 12000});
  EXPECT_FLOAT_EQ(tall.top, -160);
  EXPECT_FLOAT_EQ(CenterHigh({15360, 11520}, {20000, 3000}).left, -2320);
  EXPECT_EQ(KeepOnTopPixels({4680, 2840, 6000, 3000}, 15, 15), (PixelRect{312, 189, 400, 200}));
  // x: float division rounded half to even; y/cx/cy: rounded operands, remainder dropped.
  EXPECT_EQ(KeepOnTopPixels({37.5f, 29.9f, 44.6f, 14.4f}, 15, 15).x, 2);
  EXPECT_EQ(KeepOnTopPixels({22.5f, 29.9f, 44.6f, 14.4f}, 15, 15).x, 2);
  EXPECT_EQ(KeepOnTopPixels({0, 29.9f, 44.6f, 14.4f}, 15, 15), (PixelRect{0, 2, 3, 0}));
  // 12 twips per pixel (120 DPI): 4680.5 / 12 = 390.04.
  EXPECT_EQ(KeepOnTopPixels({4680.5f, 2840, 6000, 3000}, 12, 12), (PixelRect{390, 236, 500, 250}));
  // Negative places (a window larger than the screen) divide toward zero.
  EXPECT_EQ(KeepOnTopPixels({-2320, -160, 20000, 12000}, 15, 15),
            (PixelRect{-155, -10, 1333, 800}));
  // Broken screen metrics: saturated at the range of int, NaN as 0.
  const std::pair<double, long> cases[] = {
      {0.5, 0},   {1.5, 2},   {2.5, 2},         {2.5000001, 3},       {-0.5, 0},
      {-1.5, -2}, {-2.6, -3}, {1e300, INT_MAX}, {-HUGE_VAL, INT_MIN}, {NAN, 0}};
  for (auto [value, rounded] : cases) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
}

TEST(ProgramFolder, HelpAndScriptPathsHaveOneBackslash) {
  EXPECT_EQ(JoinFolder(FolderOfPath(L"C:\\Tools\\Draw\\kavro.exe"), kHelpFileName),
            L"C:\\Tools\\Draw\\kavro.chm");
  EXPECT_EQ(JoinFolder(FolderOfPath(L"D:\\kavro.exe"), kHelpFileName), L"D:\\kavro.chm");
  EXPECT_EQ(JoinFolder(L"\\\\server\\share\\", L"kavro.scr"), L"\\\\server\\share\\kavro.scr");
  EXPECT_EQ(JoinFolder(L"C:\\程序\\绘图", L"kavro.scr"), L"C:\\程序\\绘图\\kavro.scr");
}

}  // namespace
}  // namespace kavro
