// A kavro.exe killed in the middle of a modify run, then started again: it offers the drawings
// that were not saved, with their template, pages and version, and nothing else.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_layout.h"
#include "record/record_files_win.h"
#include "support/kavro_process.h"
#include "support/standin.h"
#include "support/support.h"
#include "win/controls_win.h"
#include "win/program_folder_win.h"

namespace kavro::test {
namespace {

using Lines = std::vector<std::wstring>;

HWND Control(const KavroProcess& kavro, MainControl id) {
  return GetDlgItem(kavro.main, ControlCommandId(id));
}

// A control's text: GetWindowText does not ask a control of another process.
std::wstring TextOf(HWND control) {
  wchar_t text[512] = L"";
  SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

Lines ListOf(const KavroProcess& kavro) {
  HWND list = Control(kavro, MainControl::List2);
  Lines entries;
  int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t text[MAX_PATH * 2] = L"";
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    entries.push_back(text);
  }
  return entries;
}

// The program's message box (title "Kavro") in `kavro`'s process, or null.
HWND MessageBoxOf(const KavroProcess& kavro) {
  return FindTopWindow(0, [&](HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid == kavro.Id() && ClassOf(window) == L"#32770" && IsWindowVisible(window) &&
           win::WindowText(window) == L"Kavro";
  });
}

std::wstring TextOfBox(HWND box) {
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == L"Static") text += win::WindowText(child);
  }
  return text;
}

bool StandinLogHas(const Standin& standin, const std::wstring& line) {
  for (const std::wstring& l : standin.LogLines()) {
    if (l == line) return true;
  }
  return false;
}

class RunResume : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteRecords();
    folder_ = MakeTempFolder(L"resume");
    for (wchar_t c = L'a'; c <= L'e'; ++c) {
      paths_.push_back(MakeDrawing(folder_, std::wstring(1, c) + L".dwg"));
    }
  }
  // Every kavro.exe started later in this prefix would find a journal left here.
  void TearDown() override {
    standin_.reset();
    DeleteRecords();
  }
  static void DeleteRecords() {
    std::wstring data = win::LocalAppDataFolder() + L"\\Kavro";
    for (const std::wstring& folder : {run::JournalFolder(data), run::LogFolder(data)}) {
      DeleteFilesIn(folder);
    }
  }

  // Fills the window as a user would and starts a modify run (without waiting for it).
  void StartRun(KavroProcess& kavro) {
    for (const std::wstring& path : paths_) {
      SendMessageW(Control(kavro, MainControl::List2), LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(path.c_str()));
    }
    SendMessageW(Control(kavro, MainControl::Text1), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"-text page"));
    SendMessageW(Control(kavro, MainControl::Text2), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"11"));
    PostMessageW(Control(kavro, MainControl::Command9), BM_CLICK, 0, 0);
  }

  // A run of five drawings killed while the third is being opened.
  void CrashAtTheThirdDrawing() {
    KavroProcess first;
    ASSERT_TRUE(first.Start());
    StartRun(first);
    ASSERT_TRUE(
        PumpUntil([&] { return StandinLogHas(*standin_, L"Documents.Open " + paths_[2]); }, 20000));
    first.Kill();
  }

  std::unique_ptr<Standin> standin_ = std::make_unique<Standin>(StandinOptions{.openMs = 800});
  std::wstring folder_;
  Lines paths_;
};

TEST_F(RunResume, YesRestoresTheRestAndItsPagesContinue) {
  CrashAtTheThirdDrawing();
  KavroProcess again;
  ASSERT_TRUE(again.Start());
  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (box = MessageBoxOf(again)) != nullptr; }, 10000));
  EXPECT_EQ(TextOfBox(box), L"上次的批量修改没有做完（共 5 张图纸，已完成 2 张）。\n第 13 页 " +
                                paths_[2] +
                                L" 可能已经修改过，请先检查。\n"
                                L"是否恢复未完成的图纸、脚本模板和起始页码？");
  SendMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return MessageBoxOf(again) == nullptr; }));
  EXPECT_EQ(ListOf(again), Lines(paths_.begin() + 2, paths_.end()));
  EXPECT_EQ(TextOf(Control(again, MainControl::Text1)), L"-text page");
  EXPECT_EQ(TextOf(Control(again, MainControl::Text2)), L"13");
  EXPECT_EQ(SendMessageW(Control(again, MainControl::Option2), BM_GETCHECK, 0, 0), BST_CHECKED);

  // The restored run numbers the rest as the first run would have.
  PostMessageW(Control(again, MainControl::Command9), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return ListOf(again).empty(); }, 20000));
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(ReadBytes(paths_[i]), "drawing\r\n-text " + std::to_string(11 + i)) << i;
  }
}

TEST_F(RunResume, NoLeavesTheWindowAsItWasAndIsNotAskedAgain) {
  CrashAtTheThirdDrawing();
  {
    KavroProcess again;
    ASSERT_TRUE(again.Start());
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = MessageBoxOf(again)) != nullptr; }, 10000));
    SendMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return MessageBoxOf(again) == nullptr; }));
    EXPECT_TRUE(ListOf(again).empty());
    EXPECT_EQ(TextOf(Control(again, MainControl::Text2)), L"1");
  }
  KavroProcess third;
  ASSERT_TRUE(third.Start());
  EXPECT_FALSE(PumpUntil([&] { return MessageBoxOf(third) != nullptr; }, 1500));
}

// A second Kavro started while the first one runs sees a live journal, not an abandoned one.
TEST_F(RunResume, ALiveRunIsNotOffered) {
  KavroProcess running;
  ASSERT_TRUE(running.Start());
  StartRun(running);
  ASSERT_TRUE(
      PumpUntil([&] { return StandinLogHas(*standin_, L"Documents.Open " + paths_[1]); }, 20000));
  KavroProcess second;
  ASSERT_TRUE(second.Start());
  EXPECT_FALSE(PumpUntil([&] { return MessageBoxOf(second) != nullptr; }, 1500));
}

}  // namespace
}  // namespace kavro::test
