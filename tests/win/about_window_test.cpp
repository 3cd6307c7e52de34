// The About window created for real: its controls as its design says at 96 DPI, its looks, its
// links, its placement and its modal showing over the main window.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
  EXPECT_EQ(test::WindowText(about->Item(A::lblHomepage)), L"support@kavro.org");
  EXPECT_EQ(test::WindowText(about->Item(A::Label4)), L"www.kavro.org");
  // Each control as the design says, in pixels of 15 twips, its font at 96 DPI.
  for (const AboutDesign& d : AboutWindowDesign()) {
    SCOPED_TRACE(testing::Message() << "control " << static_cast<int>(d.id));
    HWND item = about->Item(d.id);
    ASSERT_NE(item, nullptr);
    bool picture = d.kind == AboutKind::Picture || d.kind == AboutKind::Icon;
    EXPECT_EQ(test::ClassOf(item), d.kind == AboutKind::Button ? L"Button" : L"Static");
    if (!picture) EXPECT_EQ(test::WindowText(item), d.text);
    HWND container = d.container == A::None ? w : about->Item(d.container);
    EXPECT_EQ(GetParent(item), container);
    RECT r = test::RectInParent(item, container);
    EXPECT_EQ(
        std::tie(r.left, r.top, r.right, r.bottom),
        std::tuple(d.left / 15, d.top / 15, (d.left + d.width) / 15, (d.top + d.height) / 15));
    LOGFONTW font{};
    auto handle = reinterpret_cast<HFONT>(SendMessageW(item, WM_GETFONT, 0, 0));
    if (!picture) {
      ASSERT_TRUE(GetObjectW(handle, sizeof(font), &font));
      EXPECT_STREQ(font.lfFaceName, d.font.face);
      EXPECT_EQ(font.lfHeight, -std::lround(d.font.points * 96 / 72));
      EXPECT_EQ(font.lfWeight >= FW_BOLD, d.font.bold);
      EXPECT_EQ(font.lfUnderline != 0, d.font.underline);
    }
    if (d.kind == AboutKind::Button) continue;
    // The colours a label paints with, asked the way the label asks its parent.
    HDC dc = CreateCompatibleDC(nullptr);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(container, WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(item)));
    LOGBRUSH logBrush{};
    GetObjectW(brush, sizeof(logBrush), &logBrush);
    bool onWhite = picture || container != w;  // the header band
    EXPECT_EQ(logBrush.lbColor, onWhite ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNFACE));
    if (!picture) {
      EXPECT_EQ(GetTextColor(dc), RGB(d.color >> 16, (d.color >> 8) & 0xFF, d.color & 0xFF));
    }
    DeleteDC(dc);
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
  for (const AboutDesign& d : AboutWindowDesign()) {
    if (d.kind == AboutKind::Button) continue;
    SCOPED_TRACE(testing::Message() << "control " << static_cast<int>(d.id));
    opened_.clear();
    ClickOn(about->Item(d.id));
    auto target = opens.find(d.id);
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
    SendMessageW(about->Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(about->Item(d.id)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor() == hand, d.font.underline);
  }
  EXPECT_FALSE(about->CloseRequested());  // links leave the window open
}

// Runs inside the modal loop: checks the About window's showing, moves it away, then closes it
// by OK, by Escape or by the close box in turn.
int gVisits = 0;

void CALLBACK VisitAbout(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND about = FindWindowW(L"aboutfrm", nullptr);
  if (!about || !IsWindowVisible(about)) return;
  KillTimer(nullptr, timer);
  EXPECT_FALSE(IsWindowEnabled(GetWindow(about, GW_OWNER))) << "the main window took input";
  // Placed again at every opening, although the previous one was moved away.
  RECT r{};
  GetWindowRect(about, &r);
  EXPECT_NEAR(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2.0, 0.5);
  EXPECT_NEAR(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 3.0, 0.5);
  SetWindowPos(about, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  int way = gVisits++ % 3;
  if (way == 0) SendMessageW(GetDlgItem(about, AboutCommandId(A::Command1)), BM_CLICK, 0, 0);
  if (way == 1) PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
  if (way == 2) PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
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
