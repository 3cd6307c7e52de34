// kavro.exe as a user runs it: the side windows outlive the main window; the program ends by the
// close picture or after its last window closes. (The exit button: drawings_drag_process_test.)
#include <windows.h>
#include <gtest/gtest.h>

#include "promo/promo_win.h"
#include "support/kavro_process.h"
#include "support/support.h"

namespace kavro {
namespace {

using promo::PromoControl;

HWND Item(HWND w, PromoControl id) { return GetDlgItem(w, static_cast<int>(id)); }

TEST(KavroProcess, SideWindowsOutliveTheMainWindowAndTheClosePictureEndsTheProgram) {
  test::KavroProcess kavro;
  ASSERT_TRUE(kavro.Start());

  PostMessageW(kavro.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(kavro.main); }));
  EXPECT_FALSE(kavro.Ended(300)) << "closing the main window alone must not end the program";
  EXPECT_TRUE(IsWindowVisible(kavro.adfrm));
  EXPECT_TRUE(IsWindowVisible(kavro.ad1frm));

  HWND close = Item(kavro.adfrm, PromoControl::Image2);
  ASSERT_NE(close, nullptr);
  PostMessageW(close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageW(close, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(kavro.EndedWithoutError());
}

TEST(KavroProcess, ProgramEndsWhenItsLastWindowCloses) {
  test::KavroProcess kavro;
  ASSERT_TRUE(kavro.Start());
  PostMessageW(Item(kavro.adfrm, PromoControl::Label1), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  PostMessageW(kavro.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(kavro.adfrm) && !IsWindow(kavro.main); }));
  EXPECT_FALSE(kavro.Ended(300));
  EXPECT_TRUE(IsWindowVisible(kavro.ad1frm));
  PostMessageW(Item(kavro.ad1frm, PromoControl::Label1), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  EXPECT_TRUE(kavro.EndedWithoutError());
}

}  // namespace
}  // namespace kavro
