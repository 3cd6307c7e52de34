// The side windows created in this process: frame, place, controls, docking with a driven pointer,
// and the link shown where no browser engine exists. (The label's double-click and the closing
// picture are checked on kavro.exe itself, in promo_process_test.)
#include <windows.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <objbase.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "promo/browser_win.h"
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
      if (w) DestroyWindow(w);
    }
    test::PumpPending();
    CoUninitialize();
  }
  test::TestServices services_;
  HWND adfrm_ = nullptr;
  HWND ad1frm_ = nullptr;
};

TEST_F(PromoWindowTest, BothWindowsAtTheirEdgesBorderlessAndTopmostWithALinkInPlaceOfTheBrowser) {
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
  }
  UpdateWindow(adfrm_);
  HoldPointer(kAway, 100);
  test::SaveWindowPicture(adfrm_, L"promo_adfrm");

  // A link in place of the browser, where no engine exists.
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
  if (!browser) GTEST_SKIP() << "the browser control cannot be hosted here";
  EXPECT_EQ(test::ClassOf(browser), L"KavroBrowserHost");
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

// What the hosted control is told and what becomes of the page's links and new windows. The
// control reads the download flags and sends its events through its client site.
TEST_F(PromoWindowTest, HostedBrowserRunsNothingAndSendsOtherPagesOutside) {
  std::vector<test::ShellRequest>& opened = services_.shell->links;
  services_.Get().promoSettings.hostBrowserAnyway = true;
  Open();
  EXPECT_TRUE(opened.empty()) << "the window's own page loads inside";
  Microsoft::WRL::ComPtr<IWebBrowser2> browser = BrowserIn(Item(adfrm_, PromoControl::WebBrowser1));
  if (!browser) GTEST_SKIP() << "the browser control cannot be hosted here";
  Microsoft::WRL::ComPtr<IOleObject> control;
  Microsoft::WRL::ComPtr<IOleClientSite> site;
  Microsoft::WRL::ComPtr<IDispatch> ambient;
  ASSERT_HRESULT_SUCCEEDED(browser.As(&control));
  ASSERT_HRESULT_SUCCEEDED(control->GetClientSite(&site));
  ASSERT_HRESULT_SUCCEEDED(site.As(&ambient));
  DISPPARAMS none{};
  VARIANT flags;
  VariantInit(&flags);
  ASSERT_HRESULT_SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, 0,
                                           DISPATCH_PROPERTYGET, &none, &flags, nullptr, nullptr));
  ASSERT_EQ(V_VT(&flags), VT_I4);
  const LONG off = DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS |
                   DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_CLIENTPULL | DLCTL_NO_BEHAVIORS;
  EXPECT_EQ(V_I4(&flags) & off, off);
  EXPECT_EQ(V_I4(&flags) & (DLCTL_VIDEOS | DLCTL_BGSOUNDS | DLCTL_DOWNLOADONLY), 0);

  // A new window, with or without its address, never opens here.
  auto newWindow = [&](DISPID id, const wchar_t* url) {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    IDispatch* created = nullptr;
    VARIANT args[5];
    for (VARIANT& a : args) VariantInit(&a);
    UINT count = id == DISPID_NEWWINDOW3 ? 5 : 2;
    V_VT(&args[count - 1]) = VT_BYREF | VT_DISPATCH;
    V_DISPATCHREF(&args[count - 1]) = &created;
    V_VT(&args[count - 2]) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&args[count - 2]) = &cancel;
    if (count == 5) {
      V_VT(&args[2]) = VT_I4;
      V_VT(&args[1]) = VT_BSTR;
      V_BSTR(&args[1]) = SysAllocString(L"http://www.kavro.org/gdownload.htm");
      V_VT(&args[0]) = VT_BSTR;
      V_BSTR(&args[0]) = SysAllocString(url);
    }
    DISPPARAMS params{args, nullptr, count, 0};
    ambient->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    for (VARIANT& a : args) VariantClear(&a);
    return cancel == VARIANT_TRUE && created == nullptr;
  };
  EXPECT_TRUE(newWindow(DISPID_NEWWINDOW2, nullptr));
  EXPECT_TRUE(newWindow(DISPID_NEWWINDOW3, L"http://www.kavro.org/popup.htm"));
  EXPECT_TRUE(newWindow(DISPID_NEWWINDOW3, L"file:///C:/windows/notepad.exe"));
  EXPECT_EQ(opened, (std::vector<test::ShellRequest>{{adfrm_, L"http://www.kavro.org/popup.htm"}}));

  // A link to another page, as the control reports it, goes to the user's browser instead.
  opened.clear();
  BSTR other = SysAllocString(L"http://www.kavro.org/other.htm");
  VARIANT empty;
  VariantInit(&empty);
  browser->Navigate(other, &empty, &empty, &empty, &empty);
  SysFreeString(other);
  test::PumpUntil([&] { return !opened.empty(); }, 2000);
  EXPECT_EQ(opened, (std::vector<test::ShellRequest>{{adfrm_, L"http://www.kavro.org/other.htm"}}));

  // With its window the control goes and lets the site go: only this test's reference is left.
  browser.Reset();
  control.Reset();
  ambient.Reset();
  DestroyWindow(adfrm_);
  test::PumpPending();
  site->AddRef();
  EXPECT_EQ(site->Release(), 1u);
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
