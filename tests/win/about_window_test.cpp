// The About window created for real: its controls against the design at 96 DPI, its looks, its
// links, its placement and its modal showing over the main window.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "app/about_win.h"
#include "base/links.h"
#include "support/window_fixture.h"
#include "win/file_win.h"

namespace kavro {
namespace {

using A = AboutControl;

struct Font {
  const wchar_t* face;  // nullptr: a picture, no text
  LONG height;          // in pixels at 96 DPI
  bool bold = false;
  bool underline = false;
};
constexpr Font kPicture{nullptr, 0};
constexpr Font kSong{L"宋体", -12};
constexpr Font kTitle{L"宋体", -12, true};
constexpr Font kHeading{L"Tahoma", -12};
constexpr Font kValue{L"Tahoma", -11};
constexpr Font kValueLink{L"Tahoma", -11, false, true};
constexpr Font kLink{L"Verdana", -9, false, true};
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

struct Expected {
  AboutControl id;
  AboutControl container;
  RECT pixels;  // relative to the container, twips / 15
  Font font;
  COLORREF textColor;
  const wchar_t* text;
};

// Written out independently of the program's own table. The headings' colons are full-width;
// "作 者" and "单 位" have a space inside.
// clang-format off
const Expected kExpected[] = {
    {A::picBGHead,      A::None,      {0, 0, 386, 41},     kPicture,   kBlack, nullptr},
    {A::picBGHeadIcon,  A::picBGHead, {16, 8, 48, 40},     kPicture,   kBlack, nullptr},
    {A::lblBGHeadInfo1, A::picBGHead, {64, 16, 321, 33},   kTitle,     kBlack,
     L"Kavro 软件站－原创、专业、免费、无限制"},
    {A::Label2,         A::None,      {40, 48, 80, 62},    kHeading,   kRed,   L"作 者："},
    {A::Label7,         A::None,      {88, 48, 124, 61},   kValue,     kBlue,  L"卡沃"},
    {A::Label3,         A::None,      {40, 72, 80, 86},    kHeading,   kRed,   L"单 位："},
    {A::Label9,         A::None,      {88, 72, 208, 85},   kValueLink, kBlue,  nullptr},
    {A::Label5,         A::None,      {37, 96, 80, 110},   kHeading,   kRed,   L"E-mail："},
    {A::lblHomepage,    A::None,      {88, 96, 218, 108},  kLink,      kBlue,  L"support@kavro.org"},
    {A::Label6,         A::None,      {20, 120, 80, 134},  kHeading,   kRed,   L"软件下载："},
    {A::Label4,         A::None,      {88, 120, 181, 132}, kLink,      kBlue,  L"www.kavro.org"},
    {A::Command1,       A::None,      {232, 96, 321, 121}, kSong,      kBlack, L"  确  定"},
};
// clang-format on

class AboutTest : public test::WindowFixture {
 protected:
  std::vector<test::ShellRequest>& opened_ = services_.shell->links;
};

TEST_F(AboutTest, FrameTextsAndControlsMatchTheDesign) {
  auto about = AboutWindow::Create(window_->Hwnd(), services_.Get().Shell());
  about->Show();
  test::PumpPending();
  HWND w = about->Hwnd();
  EXPECT_EQ(test::ClassOf(w), L"aboutfrm");
  EXPECT_EQ(test::WindowText(w), L"Kavro 软件站");
  EXPECT_EQ(GetWindow(w, GW_OWNER), window_->Hwnd());
  LONG style = GetWindowLongW(w, GWL_STYLE);
  LONG exStyle = GetWindowLongW(w, GWL_EXSTYLE);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
  EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
  RECT client{};
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 340);
  EXPECT_EQ(client.bottom, 144);

  EXPECT_NE(SendMessageW(about->Item(A::picBGHeadIcon), STM_GETICON, 0, 0), 0);
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(testing::Message() << "control " << static_cast<int>(e.id));
    HWND item = about->Item(e.id);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(test::ClassOf(item), e.id == A::Command1 ? L"Button" : L"Static");
    if (e.text) {
      EXPECT_EQ(test::WindowText(item), e.text);
    }
    HWND container = e.container == A::None ? w : about->Item(e.container);
    EXPECT_EQ(GetParent(item), container);
    RECT r = test::RectInParent(item, container);
    EXPECT_EQ(std::tie(r.left, r.top, r.right, r.bottom),
              std::tie(e.pixels.left, e.pixels.top, e.pixels.right, e.pixels.bottom));

    if (e.font.face) {
      LOGFONTW font{};
      auto handle = reinterpret_cast<HFONT>(SendMessageW(item, WM_GETFONT, 0, 0));
      ASSERT_TRUE(GetObjectW(handle, sizeof(font), &font));
      EXPECT_STREQ(font.lfFaceName, e.font.face);
      EXPECT_EQ(font.lfHeight, e.font.height);
      EXPECT_EQ(font.lfWeight >= FW_BOLD, e.font.bold);
      EXPECT_EQ(font.lfUnderline != 0, e.font.underline);
    }

    if (e.id != A::Command1) {
      // The colours a label paints with, asked the way the label asks its parent.
      HDC dc = CreateCompatibleDC(nullptr);
      auto brush = reinterpret_cast<HBRUSH>(SendMessageW(container, WM_CTLCOLORSTATIC,
                                                         reinterpret_cast<WPARAM>(dc),
                                                         reinterpret_cast<LPARAM>(item)));
      LOGBRUSH logBrush{};
      GetObjectW(brush, sizeof(logBrush), &logBrush);
      bool inHeader = e.id == A::picBGHead || e.container == A::picBGHead;
      EXPECT_EQ(logBrush.lbColor, inHeader ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNFACE));
      if (e.id != A::picBGHead && e.id != A::picBGHeadIcon) {
        EXPECT_EQ(GetTextColor(dc), e.textColor);
      }
      DeleteDC(dc);
    }
  }
  EXPECT_EQ(GetFocus(), about->Item(A::Command1));
  test::SaveWindowPicture(w, L"about-window");
}

// A click as the control receives it. (Synthesised mouse input under Wine's virtual desktop may
// land at the pointer's previous place, so the buttons are posted to the control itself.)
void ClickOn(HWND control) {
  RECT r{};
  GetClientRect(control, &r);
  LPARAM middle = MAKELPARAM(r.right / 2, r.bottom / 2);
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, middle);
  PostMessageW(control, WM_LBUTTONUP, 0, middle);
}

TEST_F(AboutTest, EachLinkOpensItsTargetWithTheAboutWindowAsOwner) {
  const std::map<A, std::wstring> opens = {
      {A::picBGHead, links::kHomePage},      {A::picBGHeadIcon, links::kHomePage},
      {A::lblBGHeadInfo1, links::kHomePage}, {A::Label4, links::kHomePage},
      {A::lblHomepage, links::kMail},        {A::Label9, links::kOrganisation}};
  auto about = AboutWindow::Create(window_->Hwnd(), services_.Get().Shell());
  about->Show();
  SetForegroundWindow(about->Hwnd());
  test::PumpPending();
  HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  for (const Expected& e : kExpected) {
    if (e.id == A::Command1) {
      continue;
    }
    SCOPED_TRACE(testing::Message() << "control " << static_cast<int>(e.id));
    opened_.clear();
    ClickOn(about->Item(e.id));
    auto target = opens.find(e.id);
    test::PumpUntil([&] { return !opened_.empty(); }, target == opens.end() ? 100 : 2000);
    if (target == opens.end()) {
      EXPECT_TRUE(opened_.empty());
    } else {
      ASSERT_EQ(opened_.size(), 1u);
      EXPECT_EQ(opened_[0].target, target->second);
      EXPECT_EQ(opened_[0].owner, about->Hwnd());
    }
    // The hand shows over the labels drawn as links, and only there.
    SetCursor(nullptr);
    SendMessageW(about->Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(about->Item(e.id)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor() == hand, e.font.underline);
  }
  EXPECT_FALSE(about->CloseRequested());  // links leave the window open
}

// Runs inside the modal loop: checks the About window's showing, moves it away, then closes it
// by OK, by Escape or by the close box in turn.
int gVisits = 0;

void CALLBACK VisitAbout(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND about = FindWindowW(L"aboutfrm", nullptr);
  if (!about || !IsWindowVisible(about)) {
    return;
  }
  KillTimer(nullptr, timer);
  EXPECT_FALSE(IsWindowEnabled(GetWindow(about, GW_OWNER))) << "the main window took input";
  // Placed again at every opening, although the previous one was moved away.
  RECT r{};
  GetWindowRect(about, &r);
  EXPECT_NEAR(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2.0, 0.5);
  EXPECT_NEAR(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 3.0, 0.5);
  SetWindowPos(about, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  switch (gVisits++ % 3) {
    case 0:
      SendMessageW(GetDlgItem(about, AboutCommandId(AboutControl::Command1)), BM_CLICK, 0, 0);
      break;
    case 1:
      PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
      break;
    default:
      PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
  }
}

TEST_F(AboutTest, MoreSoftwareOpensTheHomePageThenTheAboutWindowModallyEveryTime) {
  gVisits = 0;
  for (int i = 1; i <= 3; ++i) {
    SetTimer(nullptr, 0, 10, &VisitAbout);
    SendMessageW(window_->Item(MainControl::xpcmdbutton2), BM_CLICK, 0, 0);
    ASSERT_EQ(gVisits, i) << "the About window did not open";
    EXPECT_EQ(FindWindowW(L"aboutfrm", nullptr), nullptr) << "it outlived its showing";
    EXPECT_TRUE(IsWindowEnabled(window_->Hwnd()));
    ASSERT_EQ(opened_.size(), static_cast<size_t>(i));
    EXPECT_EQ(opened_.back().owner, window_->Hwnd());
    EXPECT_EQ(opened_.back().target, links::kHomePage);
  }
}

// The real shell: ShellExecute hands the links to Wine's browser and mailer, which this test bed
// points at a recorder that appends every link to wine/links.log in the build folder.
TEST(AboutLinks, TheShellHandsEachLinkToTheBrowserOrMailer) {
  const std::wstring log = test::BuildFolder() + L"\\wine\\links.log";
  std::string before;
  win::ReadWholeFile(log, &before);
  win::SystemShell shell;
  shell.OpenLink(nullptr, links::kHomePage);
  shell.OpenLink(nullptr, links::kMail);
  std::string added;
  EXPECT_TRUE(test::PumpUntil(
      [&] {
        std::string now;
        win::ReadWholeFile(log, &now);
        added = now.substr(std::min(before.size(), now.size()));
        return added.find("http://www.kavro.org") != std::string::npos &&
               added.find("mailto:support@kavro.org") != std::string::npos;
      },
      20000))
      << added;
}

}  // namespace
}  // namespace kavro
