// The side windows created in this process: frame, place, controls, docking with a driven pointer,
// and the link shown where no browser engine exists. (The label's double-click and the closing
// picture are checked on kavro.exe itself, in promo_process_test.)
#include <windows.h>
#include <objbase.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "promo/promo_win.h"
#include "support/support.h"
#include "support/test_services.h"

namespace kavro::promo {
namespace {

// Screen 1024 x 768 at 96 DPI; windows 131 x 609 pixels, top (768 - 609) / 3 = 53.
constexpr int kScreenW = 1024;
constexpr int kWidth = 131;
constexpr int kHeight = 609;
constexpr int kTop = 53;
constexpr POINT kAway{512, 700};

HWND OwnWindow(const wchar_t* className) {
  return test::FindTopWindow(GetCurrentThreadId(),
                             [&](HWND w) { return test::ClassOf(w) == className; });
}

RECT Outer(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

HWND Item(HWND w, PromoControl id) { return GetDlgItem(w, static_cast<int>(id)); }

// Keeps the pointer at `p` until `done` or for `ms`. The pointer is shared by the whole display:
// it is set again while waiting, in case anything else moved it.
bool PointerAt(POINT p, const std::function<bool()>& done, DWORD ms = 5000) {
  return test::PumpUntil(
      [&] {
        SetCursorPos(p.x, p.y);
        return done();
      },
      ms);
}
void HoldPointer(POINT p, DWORD ms) {
  PointerAt(
      p, [] { return false; }, ms);
}

class PromoWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    SetCursorPos(kAway.x, kAway.y);
    services_.Get().promoSettings.dockingDelayMs = 800;
  }
  void Open() {
    services_.Get().promo.Show();
    test::PumpPending();  // the pages load once the message loop runs
    adfrm_ = OwnWindow(L"adfrm");
    ad1frm_ = OwnWindow(L"ad1frm");
    ASSERT_NE(adfrm_, nullptr);
    ASSERT_NE(ad1frm_, nullptr);
  }
  void TearDown() override {
    for (HWND w : {OwnWindow(L"adfrm"), OwnWindow(L"ad1frm")}) {
      if (w) {
        DestroyWindow(w);
      }
    }
    test::PumpPending();
    CoUninitialize();
  }
  test::TestServices services_;
  HWND adfrm_ = nullptr;
  HWND ad1frm_ = nullptr;
};

TEST_F(PromoWindowTest, BothWindowsAtTheirEdgesBorderlessAndTopmost) {
  Open();
  EXPECT_EQ(Outer(adfrm_).left, kScreenW - kWidth);
  EXPECT_EQ(Outer(ad1frm_).left, 0);
  for (HWND w : {adfrm_, ad1frm_}) {
    SCOPED_TRACE(test::ClassOf(w));
    RECT outer = Outer(w);
    RECT client{};
    GetClientRect(w, &client);
    EXPECT_EQ(outer.top, kTop);
    EXPECT_EQ(
        std::tuple(outer.right - outer.left, outer.bottom - outer.top, client.right, client.bottom),
        std::tuple(kWidth, kHeight, kWidth, kHeight));
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(test::WindowText(w), L"休息一下，马上回来！");
    LONG style = GetWindowLongW(w, GWL_STYLE);
    LONG exStyle = GetWindowLongW(w, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU));
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);  // not in the task bar
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);  // outlives the main window
    EXPECT_NE(SendMessageW(w, WM_GETICON, ICON_BIG, 0), 0);
    LOGBRUSH back{};
    GetObjectW(reinterpret_cast<HBRUSH>(GetClassLongPtrW(w, GCLP_HBRBACKGROUND)), sizeof(back),
               &back);
    EXPECT_EQ(back.lbColor, RGB(197, 210, 240));

    // Design in twips / 15; Image2 overhangs the right edge as designed.
    const std::pair<PromoControl, RECT> design[] = {{PromoControl::Image2, {112, 40, 141, 69}},
                                                    {PromoControl::Image1, {77, 40, 106, 69}},
                                                    {PromoControl::Label1, {0, 584, 33, 612}}};
    for (const auto& [id, place] : design) {
      RECT r = test::RectInParent(Item(w, id), w);
      EXPECT_EQ(std::tuple(r.left, r.top, r.right, r.bottom),
                std::tuple(place.left, place.top, place.right, place.bottom));
    }
  }
  UpdateWindow(adfrm_);
  HoldPointer(kAway, 100);
  test::SaveWindowPicture(adfrm_, L"promo_adfrm");
}

TEST_F(PromoWindowTest, LinkInPlaceOfTheBrowserWhereNoEngineExists) {
  Open();
  ASSERT_EQ(Item(adfrm_, PromoControl::WebBrowser1), nullptr) << "Wine has no HTML engine here";
  HWND link = Item(adfrm_, PromoControl::NoBrowserText);
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(IsWindowVisible(link));
  EXPECT_NE(test::WindowText(link).find(L"http://www.kavro.org/gdownload.htm"), std::wstring::npos);
  EXPECT_NE(test::WindowText(Item(ad1frm_, PromoControl::NoBrowserText))
                .find(L"http://www.kavro.org/bdownload.htm"),
            std::wstring::npos);

  SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  SendMessageW(link, WM_LBUTTONUP, 0, 0);
  test::PumpPending();
  EXPECT_EQ(services_.shell->links,
            (std::vector<test::ShellRequest>{{adfrm_, L"http://www.kavro.org/gdownload.htm"}}));
}

TEST_F(PromoWindowTest, HostedBrowserIsClippedAndLeavesThePicturesOnTop) {
  services_.Get().promoSettings.hostBrowserAnyway = true;
  Open();
  HWND browser = Item(adfrm_, PromoControl::WebBrowser1);
  if (!browser) {
    GTEST_SKIP() << "atl.dll cannot host the browser control here";
  }
  EXPECT_EQ(test::ClassOf(browser), L"AtlAxWin");
  RECT r = test::RectInParent(browser, adfrm_);
  EXPECT_EQ(r.left, -7);
  EXPECT_EQ(r.top, -13);
  EXPECT_EQ(r.right, 153);
  EXPECT_EQ(r.bottom, 633);
  EXPECT_EQ(Item(adfrm_, PromoControl::NoBrowserText), nullptr);
  // What the mouse reaches at each picture and the label is that control, not the browser.
  for (PromoControl id : {PromoControl::Image2, PromoControl::Image1, PromoControl::Label1}) {
    HWND control = Item(adfrm_, id);
    RECT r = test::RectInParent(control, adfrm_);
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    EXPECT_EQ(ChildWindowFromPointEx(adfrm_, centre, CWP_SKIPINVISIBLE), control) << int(id);
  }
  UpdateWindow(adfrm_);
  HoldPointer(kAway, 100);
  test::SaveWindowPicture(adfrm_, L"promo_adfrm_with_browser");
}

TEST_F(PromoWindowTest, DockingHidesAndRevealsWithThePointer) {
  Open();
  // Before the docking delay has passed nothing moves, wherever the pointer is.
  HoldPointer(kAway, 300);
  EXPECT_EQ(Outer(adfrm_).left, kScreenW - kWidth);
  EXPECT_EQ(Outer(ad1frm_).left, 0);

  // Pointer away: both hide to a strip of 40 twips (3 pixels after rounding).
  ASSERT_TRUE(
      PointerAt(kAway, [&] { return Outer(adfrm_).left == 1021 && Outer(ad1frm_).left == -128; }))
      << Outer(adfrm_).left << " " << Outer(ad1frm_).left;

  // On the strip: back with a 10-twip overshoot (13405 twips = 894 pixels).
  ASSERT_TRUE(PointerAt({1022, 300}, [&] { return Outer(adfrm_).left == 894; }))
      << Outer(adfrm_).left;
  EXPECT_EQ(Outer(ad1frm_).left, -128);
  EXPECT_EQ(Outer(adfrm_).top, kTop);

  // Away again: hidden again.
  ASSERT_TRUE(PointerAt(kAway, [&] { return Outer(adfrm_).left == 1021; }));

  // Minimised, nothing moves even with the pointer on the strip.
  SendMessageW(Item(adfrm_, PromoControl::Image1), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  SendMessageW(Item(adfrm_, PromoControl::Image1), WM_LBUTTONUP, 0, 0);
  ASSERT_TRUE(IsIconic(adfrm_));
  RECT iconic = Outer(adfrm_);
  HoldPointer({1022, 300}, 200);
  EXPECT_EQ(Outer(adfrm_).left, iconic.left);

  SetCursorPos(kAway.x, kAway.y);
}

}  // namespace
}  // namespace kavro::promo
