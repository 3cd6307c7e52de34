// The main window created for real: every control as its design says, at 96 DPI.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "support/window_fixture.h"

namespace kavro {
namespace {

using C = MainControl;

// The class and button type each ControlKind is made as, in the enumeration's order.
// clang-format off
const std::pair<const wchar_t*, DWORD> kMadeAs[] = {
    {L"Button", BS_PUSHBUTTON}, {L"Button", BS_GROUPBOX}, {L"ListBox", 0}, {L"Edit", 0},
    {L"Edit", 0}, {L"Static", 0}, {L"Button", BS_AUTORADIOBUTTON}, {L"ComboBox", 0}};
// clang-format on

using MainWindowTest = test::WindowFixture;

TEST_F(MainWindowTest, WindowFramePlacementAndInitialState) {
  EXPECT_EQ(test::WindowText(Main()), L"Kavro V2.5");
  EXPECT_EQ(test::ClassOf(Main()), L"kavrofrm");
  LONG style = GetWindowLongW(Main(), GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_CAPTION);
  RECT client{};
  GetClientRect(Main(), &client);
  EXPECT_EQ(client.right, 552);
  EXPECT_EQ(client.bottom, 545);
  EXPECT_NE(SendMessageW(Main(), WM_GETICON, ICON_BIG, 0), 0);

  // Centred across the screen, one third of the free height above.
  RECT outer{};
  GetWindowRect(Main(), &outer);
  EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2.0, 0.5);
  EXPECT_NEAR(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 3.0, 0.5);
  test::SaveWindowPicture(Main(), L"main-window");
  // The controls' initial state and kinds.
  HWND list = window_->Item(C::List2);
  LONG listStyle = GetWindowLongW(list, GWL_STYLE);
  EXPECT_TRUE(listStyle & LBS_SORT);
  EXPECT_TRUE(listStyle & LBS_EXTENDEDSEL);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
  LONG textStyle = GetWindowLongW(window_->Item(C::Text1), GWL_STYLE);
  EXPECT_TRUE(textStyle & ES_MULTILINE);
  EXPECT_TRUE(textStyle & WS_VSCROLL);
  EXPECT_FALSE(GetWindowLongW(window_->Item(C::Text2), GWL_STYLE) & ES_MULTILINE);
  EXPECT_TRUE(window_->IsChecked(C::Option2));
  EXPECT_FALSE(window_->IsChecked(C::Option1));
  EXPECT_EQ(window_->ItemText(C::Text2), L"1");
  EXPECT_EQ(GetFocus(), window_->Item(C::xpcmdbutton7));

  LOGFONTW font{};
  auto buttonFont =
      reinterpret_cast<HFONT>(SendMessageW(window_->Item(C::Command9), WM_GETFONT, 0, 0));
  ASSERT_TRUE(GetObjectW(buttonFont, sizeof(font), &font));
  EXPECT_STREQ(font.lfFaceName, L"宋体");
  EXPECT_EQ(font.lfHeight, -12);  // 9 pt at 96 DPI
}

TEST_F(MainWindowTest, ControlsMatchTheDesignInTabOrderAboveTheFrames) {
  std::vector<HWND> zOrder;
  for (HWND child = GetWindow(Main(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    zOrder.push_back(child);
  }
  // Creation order is the tab order; the frames lie beneath everything, so that the pointer
  // finds the controls inside them from any process.
  std::vector<HWND> expectedZOrder;
  std::vector<HWND> frames;
  for (const ControlDesign& d : MainWindowDesign()) {
    (d.kind == ControlKind::Frame ? frames : expectedZOrder).push_back(window_->Item(d.id));
  }
  expectedZOrder.insert(expectedZOrder.end(), frames.begin(), frames.end());
  EXPECT_EQ(zOrder, expectedZOrder);
  // Each control as the design says, in pixels of 15 twips.
  for (const ControlDesign& d : MainWindowDesign()) {
    SCOPED_TRACE(testing::Message() << "control " << static_cast<int>(d.id));
    HWND item = window_->Item(d.id);
    ASSERT_NE(item, nullptr);
    auto [className, typeBits] = kMadeAs[static_cast<size_t>(d.kind)];
    EXPECT_EQ(test::ClassOf(item), className);
    if (typeBits != 0) {
      EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(item, GWL_STYLE) & BS_TYPEMASK), typeBits);
    }
    EXPECT_EQ(test::WindowText(item), d.text);
    RECT r = test::RectInParent(item, Main());
    if (d.container != C::None) {
      RECT frame = test::RectInParent(window_->Item(d.container), Main());
      OffsetRect(&r, -frame.left, -frame.top);
    }
    EXPECT_EQ(r.left, d.left / 15);
    EXPECT_EQ(r.top, d.top / 15);
    EXPECT_EQ(r.right, (d.left + d.width) / 15);
    // A drop-down list's height is its closed box's, which its font decides.
    if (d.kind != ControlKind::DropDownList) EXPECT_EQ(r.bottom, (d.top + d.height) / 15);
  }
}

TEST_F(MainWindowTest, TabAndShiftTabWalkEveryTabStopInDesignOrder) {
  std::vector<HWND> stops;
  for (const ControlDesign& d : MainWindowDesign()) {
    if (GetWindowLongW(window_->Item(d.id), GWL_STYLE) & WS_TABSTOP) {
      stops.push_back(window_->Item(d.id));
    }
  }
  // All but the frames, the label and the option button that is not set.
  ASSERT_EQ(stops.size(), 17u);
  for (size_t i = 0; i < stops.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "tab stop " << i);
    EXPECT_EQ(GetNextDlgTabItem(Main(), stops[i], FALSE), stops[(i + 1) % stops.size()]);
    EXPECT_EQ(GetNextDlgTabItem(Main(), stops[i], TRUE),
              stops[(i + stops.size() - 1) % stops.size()]);
  }
  // The Tab key itself walks them, from the first button.
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
  test::PumpPending();
  EXPECT_EQ(GetFocus(), window_->Item(C::xpcmdbutton2));
  // The arrow keys move between the two option buttons.
  HWND r14 = window_->Item(C::Option1);
  HWND r2000 = window_->Item(C::Option2);
  EXPECT_EQ(GetNextDlgGroupItem(Main(), r14, FALSE), r2000);
  EXPECT_EQ(GetNextDlgGroupItem(Main(), r2000, TRUE), r14);
  SetFocus(r2000);
  PostMessageW(r2000, WM_KEYDOWN, VK_LEFT, 0);
  test::PumpPending();
  EXPECT_EQ(GetFocus(), r14);
  EXPECT_EQ(SendMessageW(r14, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(r2000, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(MainWindowTest, ToolTips) {
  HWND tips = test::FindTopWindow(GetCurrentThreadId(),
                                  [](HWND w) { return test::ClassOf(w) == TOOLTIPS_CLASSW; });
  ASSERT_NE(tips, nullptr);
  auto tipOf = [&](TOOLINFOW tool) {
    wchar_t text[256] = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = Main();
    tool.lpszText = text;
    SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    return std::wstring(text);
  };
  // A frame's tip is registered by its identifier, a control's by its window.
  for (const ControlDesign& d : MainWindowDesign()) {
    if (!d.toolTip) continue;
    TOOLINFOW tool{};
    tool.uId = d.kind == ControlKind::Frame ? static_cast<UINT_PTR>(ControlCommandId(d.id))
                                            : reinterpret_cast<UINT_PTR>(window_->Item(d.id));
    EXPECT_EQ(tipOf(tool), d.toolTip) << static_cast<int>(d.id);
  }
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 3);
}

TEST_F(MainWindowTest, HelpButtonAndF1OpenTheHelpFileBesideTheProgram) {
  std::vector<test::ShellRequest>& opened = services_.shell->helps;
  const std::wstring help = test::BuildFolder() + L"\\tests\\win\\kavro.chm";
  window_->Click(C::xpcmdbutton4);
  EXPECT_EQ(opened, (std::vector<test::ShellRequest>{{Main(), help}}));
  opened.clear();
  SetForegroundWindow(Main());
  SetFocus(window_->Item(C::Text1));
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
  test::PumpUntil([&] { return !opened.empty(); }, 3000);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].target, help);
}

}  // namespace
}  // namespace kavro
