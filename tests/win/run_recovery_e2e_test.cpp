// How runs end when they do not simply complete, from the main window against the stand-in:
// the run log, the start page after a stop, a stop asked for on the progress window, a hung or
// crashed AutoCAD, a question AutoCAD waits on, and AutoCAD's trusted folders.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/utf8.h"
#include "record/record_files_win.h"
#include "support/run_fixture.h"
#include "support/support.h"

namespace kavro {
namespace {

using test::FilesIn;
using test::Lines;
using test::ReadBytes;
using test::Standin;
using test::StandinOptions;

class RunRecovery : public test::RunFixture {
 protected:
  std::wstring LogPath() const {
    std::wstring folder = run::LogFolder(services_->dataFolder);
    auto names = FilesIn(folder);  // the log and its history file
    std::erase_if(names, [](const std::wstring& name) { return !name.ends_with(L".csv"); });
    return names.size() == 1 ? folder + L"\\" + names[0] : L"";
  }
  // The log's rows after its header: page, result and error number of each.
  std::vector<Lines> LogRows() const {
    std::vector<Lines> rows = test::ReadCsv(LogPath());
    std::vector<Lines> brief;
    for (size_t i = 1; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].size(), 8u);
      if (rows[i].size() == 8) brief.push_back({rows[i][0], rows[i][2], rows[i][6]});
    }
    return brief;
  }
  Lines Journals() const { return FilesIn(run::JournalFolder(services_->dataFolder)); }
};

// A completed run logs a row per drawing and leaves no journal behind; a stopped one logs
// where it stopped, and moves the start page on to the first drawing left.
TEST_F(RunRecovery, TheLogHasARowPerDrawingAndTheStartPageContinuesAfterAFailure) {
  StartStandin();
  auto paths = AddDrawings(2);
  window_->SetItemText(MainControl::Text2, L"7");
  window_->Runs().Modify();
  ASSERT_TRUE(Form3() != nullptr);
  EXPECT_EQ(LogRows(), (std::vector<Lines>{{L"7", L"完成", L""}, {L"8", L"完成", L""}}));
  std::string bytes = ReadBytes(LogPath());
  EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF" + ToUtf8(L"页码,"))) << "UTF-8 with its mark";
  EXPECT_NE(bytes.find(ToUtf8(L"7," + paths[0] + L",完成,")), std::string::npos);
  EXPECT_TRUE(Journals().empty());
  std::wstring name = LogPath().substr(LogPath().rfind(L'\\') + 1);
  EXPECT_TRUE(name.starts_with(L"Kavro-") && name.ends_with(L".csv") && name.size() == 25u) << name;
}

TEST_F(RunRecovery, AFailureLeavesTheStartPageAtTheDrawingThatFailed) {
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

  // Started again, the rest is numbered as the first run would have numbered it.
  StartStandin();
  window_->SetItemText(MainControl::Text1, L"page");
  window_->Runs().Modify();
  ASSERT_TRUE(Form3() != nullptr);
  for (int i = 2; i < 5; ++i) {
    EXPECT_EQ(ReadBytes(paths[i]), test::kDrawing + std::to_string(7 + i)) << i;
  }
}

// A preview logs its one drawing; a run refused before AutoCAD is reached leaves no file.
TEST_F(RunRecovery, APreviewLogsItsDrawingAndARefusedRunNothing) {
  StartStandin();
  AddDrawings(2);
  window_->SetItemText(MainControl::Text2, L"abc");  // reads as 0
  window_->Runs().Preview();
  EXPECT_EQ(LogRows(), (std::vector<Lines>{{L"0", L"预览", L""}}));
  EXPECT_TRUE(Journals().empty());
  test::DeleteFilesIn(run::LogFolder(services_->dataFolder));
  window_->SetItemText(MainControl::Text2, L"1E999");
  window_->Runs().Modify();
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_TRUE(FilesIn(run::LogFolder(services_->dataFolder)).empty());
  EXPECT_TRUE(Journals().empty());
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

// Once the last drawing is saved there is nothing to stop: a click asks nothing.
TEST_F(RunRecovery, AClickAfterTheLastDrawingAsksNothing) {
  StartStandin();
  AddDrawings(1);
  window_->Runs().Modify();
  ASSERT_TRUE(Form3() != nullptr);
  HWND form3 = Form3()->Hwnd();
  PostMessageW(form3, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(form3, WM_KEYDOWN, VK_ESCAPE, 0);
  test::PumpPending();
  Sleep(100);
  test::PumpPending();
  EXPECT_TRUE(Messages().empty());
  PostMessageW(form3, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(Form3Closed());
  EXPECT_TRUE(MainShownAndEnabled());
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

std::wstring ProgramFolderOf(const std::wstring& scriptPath) {
  return scriptPath.substr(0, scriptPath.rfind(L'\\'));
}

struct Trust {
  const char* name;
  StandinOptions options;
  bool asked;  // SECURELOAD and TRUSTEDPATHS read
  bool added;  // the script's folder added for the run, and the old value put back
};

class ScriptSecurity : public RunRecovery, public ::testing::WithParamInterface<Trust> {};

// AutoCAD 2014 to 2024 run the run's scripts because the run trusts their folder for its length;
// other versions are asked nothing.
TEST_P(ScriptSecurity, TheScriptFolderIsTrustedForTheRunOnly) {
  const Trust& t = GetParam();
  StartStandin(t.options);
  auto paths = AddDrawings(2);
  window_->SetItemText(MainControl::Text1, L"page");
  window_->Runs().Modify();
  ASSERT_TRUE(Form3() != nullptr) << (Messages().empty() ? L"" : Messages()[0]);
  EXPECT_EQ(ReadBytes(paths[1]), test::kDrawing + std::string("2"));
  Lines calls = standin_->Calls();
  auto count = [&](const std::wstring& prefix) {
    return std::count_if(calls.begin(), calls.end(),
                         [&](const std::wstring& c) { return c.starts_with(prefix); });
  };
  EXPECT_EQ(count(L"Document.GetVariable SECURELOAD") + count(L"Document.GetVariable TRUSTEDPATHS"),
            t.asked ? 2 : 0);
  std::wstring folder = ProgramFolderOf(ScriptPath());
  std::wstring before = t.options.trustedPaths;
  Lines sets;
  for (auto& c : calls) {
    if (c.starts_with(L"Document.SetVariable TRUSTEDPATHS")) sets.push_back(c);
  }
  if (t.added) {
    std::wstring with = before.empty() ? folder : before + L";" + folder;
    EXPECT_EQ(sets, (Lines{L"Document.SetVariable TRUSTEDPATHS " + with,
                           L"Document.SetVariable TRUSTEDPATHS " + before}));
    EXPECT_EQ(*(calls.end() - 4), L"Document.SetVariable TRUSTEDPATHS " + before);
  } else {
    EXPECT_TRUE(sets.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ScriptSecurity,
    ::testing::Values(Trust{"Release15", {.version = L"15.0"}, false, false},
                      Trust{"Release25", {.version = L"25.0"}, false, false},
                      Trust{"Asks", {.version = L"23.1s (LMS Tech)", .secureLoad = 1}, true, true},
                      Trust{"Ignores",
                            {.version = L"19.1", .secureLoad = 2, .trustedPaths = L"D:\\cad"},
                            true,
                            true},
                      Trust{"Off", {.version = L"24.0", .secureLoad = 0}, true, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(RunRecovery, ALockedTrustedPathsStopsTheRunBeforeTheFirstDrawing) {
  StartStandin({.version = L"23.1", .trustedPathsLocked = true});
  auto paths = AddDrawings(2);
  window_->Runs().Modify();
  ExpectStopped(L"“" + ProgramFolderOf(ScriptPath()) + L"”", paths, L"TRUSTEDPATHS");
  Lines calls = standin_->Calls();
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::wstring& c) { return c.starts_with(L"Documents.Open"); }),
            0);
  EXPECT_EQ(window_->ItemText(MainControl::Text2), L"1");
}

struct Gone {
  const char* name;
  StandinOptions options;
};

class RunAfterAutoCadWent : public RunRecovery, public ::testing::WithParamInterface<Gone> {};

// After AutoCAD crashed, or hung and was ended, the next run connects afresh: no second failure
// on the dead reference.
TEST_P(RunAfterAutoCadWent, ConnectsAfresh) {
  // Short enough for the hang, long enough for AutoCAD's start on a busy machine.
  Limits().callMs = 4000;
  StartStandin(GetParam().options);
  auto paths = AddDrawings(3);
  window_->Runs().Modify();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_TRUE(test::PumpUntil([] { return !Standin::IsRunning(); }, 10000));
  Lines left = ListEntries();
  StartStandin();
  Limits().callMs = 8000;
  window_->Runs().Modify();
  EXPECT_EQ(Messages().size(), 1u) << Messages().back();
  EXPECT_TRUE(ListEntries().empty());
  ASSERT_TRUE(Form3() != nullptr);
  Lines calls = standin_->Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), L"Document.Close true"),
            static_cast<long>(left.size()));
}

INSTANTIATE_TEST_SUITE_P(CrashedOrHung, RunAfterAutoCadWent,
                         ::testing::Values(Gone{"Crashed", {.crashAt = 2}},
                                           Gone{"Hung", {.hangAt = 2}}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kavro
