// The help file: where the help button looks for it, and HTML Help opening the compiled kavro.chm.
#include <windows.h>
#include <commctrl.h>
#include <htmlhelp.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/main_window_win.h"
#include "base/program_folder.h"
#include "support/support.h"
#include "support/test_services.h"
#include "win/program_folder_win.h"
#include "win/system_library_win.h"

namespace kavro {
namespace {

TEST(HelpFile, HelpButtonAsksForTheFileBesideTheProgram) {
  test::TestServices services;
  auto window = MainWindow::Create(services.Get());
  window->Show();
  window->Click(MainControl::xpcmdbutton4);
  EXPECT_EQ(services.shell->helps,
            (std::vector<test::ShellRequest>{
                {window->Hwnd(), test::BuildFolder() + L"\\tests\\win\\kavro.chm"}}));
}

TEST(HelpFile, HtmlHelpOpensTheBuiltHelpFileAtItsTitle) {
  test::TestServices services({.realShell = true, .programFolder = {}, .dataFolder = {}});
  auto window = MainWindow::Create(services.Get());
  window->Show();
  const std::wstring path = JoinFolder(win::ProgramFolder(), kHelpFileName);
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "kavro.chm was not built (no HTML Help compiler at configure time)";
  }

  window->Click(MainControl::xpcmdbutton4);
  HWND viewer = nullptr;
  test::PumpUntil([&] {
    viewer = test::FindTopWindow(GetCurrentThreadId(), [](HWND w) {
      return IsWindowVisible(w) && test::WindowText(w) == L"Kavro 帮助";
    });
    return viewer != nullptr;
  });
  ASSERT_NE(viewer, nullptr) << "no HTML Help window titled from the help file";
  test::PumpPending();
  test::SaveWindowPicture(viewer, L"help-window");

  // The contents pane lists the guide's topics, read in the help file's code page.
  HWND tree = nullptr;
  EnumChildWindows(
      viewer,
      [](HWND w, LPARAM out) {
        if (test::ClassOf(w) == WC_TREEVIEWW) {
          *reinterpret_cast<HWND*>(out) = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tree));
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 6);
  wchar_t text[64] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(text, L"Kavro 简介");
  win::HtmlHelpFromSystem(nullptr, nullptr, HH_CLOSE_ALL, 0);
  test::PumpPending();
}

}  // namespace
}  // namespace kavro
