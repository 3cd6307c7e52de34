// How runs end when they do not simply complete, from the main window against the stand-in:
// the run log, the start page after a stop, a stop asked for on the progress window, a question
// AutoCAD waits on, and AutoCAD's trusted folders. (A crashed or hung AutoCAD: run_e2e_test.)
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/program_folder.h"
#include "base/utf8.h"
#include "record/record_files_win.h"
#include "support/run_fixture.h"
#include "support/support.h"

namespace kavro {
namespace {

using test::Lines;
using test::ReadBytes;
using test::Standin;

using RunRecovery = test::RunFixture;

// A stopped run logs where it stopped, keeps its journal for a retry and moves the start page on
// to the first drawing left; started again, it numbers the rest as the first run would have and
// logs a row per drawing. An AutoCAD whose script security would ignore the run's scripts (which
// versions ask is the unit tests') gets their folder added to TRUSTEDPATHS for the run only,
// after the value it had.
TEST_F(RunRecovery, TheLogHasARowPerDrawingAndTheStartPageContinuesAfterAFailure) {
  StartStandin({.failAt = 3});
  auto paths = AddDrawings(5);
  window_->SetItemText(MainControl::Text2, L"7");
  window_->Runs().Modify();
  ExpectStopped(paths[2], Lines(paths.begin() + 2, paths.end()), L"起始页码已改为 9。");
  EXPECT_EQ(window_->ItemText(MainControl::Text2), L"9");
  std::wstring message = Messages().at(0);
  EXPECT_TRUE(message.ends_with(L"起始页码已改为 9。\n运行记录：" + LogPath())) << message;
  auto rows = LogRows();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[1], (Lines{L"8", L"完成", L""}));
  EXPECT_EQ(rows[2][1], L"失败");
  EXPECT_FALSE(rows[2][2].empty());
  EXPECT_EQ(rows[3], (Lines{L"10", L"未开始", L""}));
  // Kept for a retry from the command line, under a name the resume question does not offer.
  ASSERT_EQ(Journals().size(), 1u);
  EXPECT_TRUE(Journals()[0].ends_with(L".journal-retry")) << Journals()[0];

  test::DeleteFilesIn(run::LogFolder(services_->dataFolder));
  StartStandin({.version = L"19.1", .secureLoad = 2, .trustedPaths = L"D:\\cad"});
  window_->SetItemText(MainControl::Text1, L"page");
  window_->Runs().Modify();
  ASSERT_TRUE(Form3() != nullptr);
  for (int i = 2; i < 5; ++i) {
    EXPECT_EQ(ReadBytes(paths[i]), test::kDrawing + std::to_string(7 + i)) << i;
  }
  EXPECT_EQ(LogRows(), (std::vector<Lines>{
                           {L"9", L"完成", L""}, {L"10", L"完成", L""}, {L"11", L"完成", L""}}));
  std::string bytes = ReadBytes(LogPath());
  EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF" + ToUtf8(L"页码,"))) << "UTF-8 with its mark";
  EXPECT_NE(bytes.find(ToUtf8(L"9," + paths[2] + L",完成,")), std::string::npos);
  Lines calls = standin_->Calls(), sets;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(sets), [](const std::wstring& c) {
    return c.starts_with(L"Document.SetVariable TRUSTEDPATHS");
  });
  const std::wstring set = L"Document.SetVariable TRUSTEDPATHS D:\\cad";
  EXPECT_EQ(sets, (Lines{set + L";" + FolderOfPath(ScriptPath()), set}));
  EXPECT_EQ(*(calls.end() - 4), set);
}

// Esc on the progress window asks; Yes lets the drawing at hand be saved and stops there. The
// run does not wait for the answer.
TEST_F(RunRecovery, EscOnTheProgressWindowStopsAfterTheDrawingAtHand) {
  StartStandin({.openMs = 300});
  auto paths = AddDrawings(4);
  window_->SetItemText(MainControl::Text2, L"3");
  services_->messages->yesNoAnswer = IDYES;
  std::atomic<bool> done{false};
  std::thread presser([&] {
    HWND form3 = nullptr;
    while (!done && !(form3 = FindWindowW(L"Form3", nullptr))) Sleep(5);
    if (form3) PostMessageW(form3, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  window_->Runs().Modify();
  done = true;
  presser.join();
  Lines messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], L"是否在当前图纸保存后停止批量修改？");
  EXPECT_EQ(services_->messages->shown[0].flags & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
  EXPECT_TRUE(
      messages[1].starts_with(L"批量修改已停止：已完成 1 张，剩余 3 张。\n\n起始页码已改为 4。\n"
                              L"运行记录："))
      << messages[1];
  EXPECT_EQ(ListEntries(), Lines(paths.begin() + 1, paths.end()));
  EXPECT_EQ(window_->ItemText(MainControl::Text2), L"4");
  EXPECT_EQ(Form3(), nullptr);
  EXPECT_TRUE(MainShownAndEnabled());
  Lines calls = standin_->Calls();
  ASSERT_FALSE(calls.empty());
  // The dialogs back on, then the settings of the run.
  EXPECT_EQ(*(calls.end() - 4), L"Document.SendCommand " + test::LogQuote(L"filedia\r1\r"));
  EXPECT_EQ(Lines(calls.end() - 3, calls.end()), test::PutBack());
  EXPECT_EQ(std::count(calls.begin(), calls.end(), L"Document.Close true"), 1);
  auto rows = LogRows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][1], L"完成");
  EXPECT_EQ(rows[3], (Lines{L"6", L"已取消", L""}));
}

// A question AutoCAD waits on stops the run once it has waited past its limit, naming the
// question, instead of waiting out the whole script limit.
TEST_F(RunRecovery, AQuestionAutoCadWaitsOnStopsTheRunAndNamesIt) {
  Limits().callMs = 20000;
  StartStandin({.dialogAt = 2});
  auto paths = AddDrawings(3);
  ULONGLONG start = GetTickCount64();
  window_->Runs().Modify();
  EXPECT_LT(GetTickCount64() - start, 10000u);
  ExpectStopped(paths[1], Lines(paths.begin() + 1, paths.end()), L"“AutoCAD 警告”");
  EXPECT_NE(Messages().at(0).find(L"缺少 SHX 文件：romans.shx"), std::wstring::npos);
  EXPECT_NE(Messages().at(0).find(L"已结束由 Kavro 启动的 AutoCAD"), std::wstring::npos);
  EXPECT_TRUE(test::PumpUntil([] { return !Standin::IsRunning(); }));
}

TEST_F(RunRecovery, ALockedTrustedPathsStopsTheRunBeforeTheFirstDrawing) {
  StartStandin({.version = L"23.1", .trustedPathsLocked = true});
  auto paths = AddDrawings(2);
  window_->Runs().Modify();
  ExpectStopped(L"“" + FolderOfPath(ScriptPath()) + L"”", paths, L"TRUSTEDPATHS");
  Lines calls = standin_->Calls();
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::wstring& c) { return c.starts_with(L"Documents.Open"); }),
            0);
  EXPECT_EQ(window_->ItemText(MainControl::Text2), L"1");
}

}  // namespace
}  // namespace kavro
