// A kavro.exe killed in the middle of a modify run, then started again: it offers the drawings
// that were not saved, with their template, pages and version, and nothing else.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/kavro_process.h"
#include "support/standin.h"
#include "support/support.h"
#include "win/controls_win.h"

namespace kavro::test {
namespace {

std::wstring TextOfBox(HWND box) {
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == L"Static") text += win::WindowText(child);
  }
  return text;
}

class RunResume : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearKavroRecords();
    folder_ = MakeTempFolder(L"resume");
    for (wchar_t c = L'a'; c <= L'e'; ++c) {
      paths_.push_back(MakeDrawing(folder_, std::wstring(1, c) + L".dwg"));
    }
  }
  // Every kavro.exe started later in this prefix would find a journal left here.
  void TearDown() override {
    standin_.reset();
    ClearKavroRecords();
  }

  // Fills the window as a user would and starts a modify run (without waiting for it).
  void StartRun(KavroProcess& kavro) {
    for (const std::wstring& path : paths_) {
      SendMessageW(kavro.Item(MainControl::List2), LB_ADDSTRING, 0, LPARAM(path.c_str()));
    }
    SendMessageW(kavro.Item(MainControl::Text1), WM_SETTEXT, 0, LPARAM(L"-text page"));
    SendMessageW(kavro.Item(MainControl::Text2), WM_SETTEXT, 0, LPARAM(L"11"));
    PostMessageW(kavro.Item(MainControl::Command9), BM_CLICK, 0, 0);
  }

  // A run of five drawings killed while the third is being opened.
  void CrashAtTheThirdDrawing() {
    KavroProcess first;
    ASSERT_TRUE(first.Start());
    StartRun(first);
    ASSERT_TRUE(PumpUntil([&] { return standin_->Logged(L"Documents.Open " + paths_[2]); }, 20000));
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
  ASSERT_TRUE(PumpUntil([&] { return (box = again.Box()) != nullptr; }, 10000));
  EXPECT_EQ(TextOfBox(box), L"上次的批量修改没有做完（共 5 张图纸，已完成 2 张）。\n第 13 页 " +
                                paths_[2] +
                                L" 可能已经修改过，请先检查。\n"
                                L"是否恢复未完成的图纸、脚本模板和起始页码？");
  SendMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return again.Box() == nullptr; }));
  EXPECT_EQ(ListBoxEntries(again.Item(MainControl::List2)),
            Lines(paths_.begin() + 2, paths_.end()));
  EXPECT_EQ(ControlText(again.Item(MainControl::Text1)), L"-text page");
  EXPECT_EQ(ControlText(again.Item(MainControl::Text2)), L"13");
  EXPECT_EQ(SendMessageW(again.Item(MainControl::Option2), BM_GETCHECK, 0, 0), BST_CHECKED);

  // The restored run numbers the rest as the first run would have.
  PostMessageW(again.Item(MainControl::Command9), BM_CLICK, 0, 0);
  ASSERT_TRUE(
      PumpUntil([&] { return ListBoxEntries(again.Item(MainControl::List2)).empty(); }, 20000));
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
    ASSERT_TRUE(PumpUntil([&] { return (box = again.Box()) != nullptr; }, 10000));
    SendMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return again.Box() == nullptr; }));
    EXPECT_TRUE(ListBoxEntries(again.Item(MainControl::List2)).empty());
    EXPECT_EQ(ControlText(again.Item(MainControl::Text2)), L"1");
  }
  KavroProcess third;
  ASSERT_TRUE(third.Start());
  EXPECT_FALSE(PumpUntil([&] { return third.Box() != nullptr; }, 1500));
}

// A second Kavro started while the first one runs sees a live journal, not an abandoned one.
TEST_F(RunResume, ALiveRunIsNotOffered) {
  KavroProcess running;
  ASSERT_TRUE(running.Start());
  StartRun(running);
  ASSERT_TRUE(PumpUntil([&] { return standin_->Logged(L"Documents.Open " + paths_[1]); }, 20000));
  KavroProcess second;
  ASSERT_TRUE(second.Start());
  EXPECT_FALSE(PumpUntil([&] { return second.Box() != nullptr; }, 1500));
}

}  // namespace
}  // namespace kavro::test
