// Figures for the drawing list at 100,000 entries (scripts/bench.sh drawings).
#include <windows.h>
#include <gtest/gtest.h>
#include <psapi.h>
#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "app/main_window_win.h"
#include "drawings/drawings_actions_win.h"
#include "drawings/list_box_win.h"
#include "support/support.h"
#include "support/test_services.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace kavro {
namespace {

using C = MainControl;

double MillisecondsOf(const std::function<void()>& step) {
  auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double MegabytesInUse() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

std::wstring RandomPath(std::mt19937& rng) {
  return L"D:\\工程\\项目" + std::to_wstring(rng() % 40) + L"\\Sheets-" +
         std::to_wstring(rng() % 25) + L"\\图纸 " + std::to_wstring(rng()) + L".dwg";
}

TEST(DrawingListBenchmark, HundredThousandEntries) {
  test::TestServices services;
  test::ScriptedDialogs& dialogs = services.Scripted();
  auto window = MainWindow::Create(services.Get());
  window->Show();
  test::PumpPending();
  auto click = [&](C button) { window->Click(button); };
  auto count = [&] { return drawings::DrawingListBox(window->Item(C::List2)).Count(); };
  auto report = [&](const char* what, double ms) {
    std::printf("%-52s %8.0f ms  %6zu entries  %5.1f MB\n", what, ms, count(), MegabytesInUse());
  };
  std::printf("%-52s %8s     %6s entries  %5.1f MB\n", "start", "", "0", MegabytesInUse());

  std::mt19937 rng(42);
  std::wstring folder = test::MakeTempFolder(L"bench");
  std::wstring shuffled = folder + L"\\shuffled.txt";
  std::wstring sorted = folder + L"\\sorted.txt";
  // 5,000 through the add-files dialog: half new, half already in the list.
  std::wstring result = L"D:\\工程";
  {
    std::wstring text;
    for (int i = 0; i < 100000; ++i) {
      std::wstring path = RandomPath(rng);
      text += path + L"\r\n";
      if (i < 5000) {
        result += L'\0';
        result += i % 2 ? L"new " + std::to_wstring(i) + L".dwg" : path.substr(6);
      }
    }
    ASSERT_TRUE(win::WriteFileReplacing(shuffled, win::EncodeAnsi(text).bytes).ok);
  }
  std::printf("%-52s %8s     %6s entries  %5.1f MB\n", "test data made", "", "0", MegabytesInUse());

  dialogs.answers.push_back({DialogOutcome::Chosen, shuffled});
  report("load 100,000 (unsorted file)", MillisecondsOf([&] { click(C::xpcmdbutton11); }));
  dialogs.answers.push_back({DialogOutcome::Chosen, sorted});
  report("save 100,000", MillisecondsOf([&] { click(C::xpcmdbutton10); }));
  dialogs.answers.push_back({DialogOutcome::Chosen, sorted});
  report("load 100,000 (file saved by the program)",
         MillisecondsOf([&] { click(C::xpcmdbutton11); }));

  dialogs.answers.push_back({DialogOutcome::Chosen, result});
  report("add 5,000 by dialog (2,500 already present)",
         MillisecondsOf([&] { click(C::xpcmdbutton6); }));

  // 5,000 dropped, by WM_DROPFILES.
  std::vector<std::wstring> dropped;
  for (int i = 0; i < 5000; ++i) {
    dropped.push_back(RandomPath(rng));
  }
  HGLOBAL memory = test::DropFileList(dropped);
  report("drop 5,000", MillisecondsOf([&] {
           SendMessageW(window->Item(C::List2), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
         }));

  HWND list = window->Item(C::List2);
  size_t n = count();
  // Selected straight through the list box's procedure, with painting off (a user would select
  // ranges with Shift; this is only the set-up).
  auto procedure = reinterpret_cast<WNDPROC>(GetClassLongPtrW(list, GCLP_WNDPROC));
  double selecting = MillisecondsOf([&] {
    CallWindowProcW(procedure, list, WM_SETREDRAW, FALSE, 0);
    for (size_t i = 0; i < n; i += 2) {
      CallWindowProcW(procedure, list, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
    }
    CallWindowProcW(procedure, list, WM_SETREDRAW, TRUE, 0);
  });
  std::printf("  (selecting every second entry took %.0f ms)\n", selecting);
  report("delete every second entry", MillisecondsOf([&] { click(C::xpcmdbutton9); }));
  ShowWindow(window->Hwnd(), SW_HIDE);  // as during a run
  report("run takes the first 1,000, one by one", MillisecondsOf([&] {
           for (int i = 0; i < 1000; ++i) {
             drawings::DrawingListBox(window->Item(C::List2)).At(0);
             drawings::DrawingListBox(window->Item(C::List2)).RemoveFirst(1);
           }
         }));
  report("run removes the first 20,000 at once", MillisecondsOf([&] {
           drawings::DrawingListBox(window->Item(C::List2)).RemoveFirst(20000);
         }));
  report("delete all", MillisecondsOf([&] { click(C::xpcmdbutton8); }));
  window.reset();
}

}  // namespace
}  // namespace kavro
