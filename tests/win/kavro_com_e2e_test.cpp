// kavro.com against the stand-in AutoCAD and its Core Console: what each drawing ends up holding,
// what the log says, what the console shows and the exit code of every outcome.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/program_folder.h"
#include "base/utf8.h"
#include "run/page_rule.h"
#include "record/record_files_win.h"
#include "support/core_process.h"
#include "support/run_fixture.h"
#include "support/support.h"
#include "win/file_win.h"
#include "win/handles_win.h"
#include "win/program_folder_win.h"
#include "win/text_win.h"

namespace kavro {
namespace {

using test::CoreProcess;
using test::Lines;
using test::ReadBytes;
using test::Standin;
using test::StandinOptions;

constexpr char kTemplate[] = "-text 0,0 page\r\n";

std::wstring DataFolder() { return JoinFolder(win::LocalAppDataFolder(), L"Kavro"); }

// The drawing after a save of its page's script: what the stand-in appends.
std::string Modified(const std::string& page) {
  return std::string(test::kDrawing) + "-text 0,0 " + page + "\r\n_.qsave\r\n";
}

class KavroCom : public test::RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    test::ClearKavroRecords();
    logPath_ = JoinFolder(folder_, L"run.csv");
  }
  void TearDown() override {
    test::ClearKavroRecords();
    RunFixture::TearDown();
  }

  // `count` drawings d01.dwg ... in a list file, and the template file; their paths.
  Lines Inputs(int count, const std::string& scriptTemplate = kTemplate) {
    test::BatchFiles batch = test::MakeBatch(folder_, count, test::kDrawing, scriptTemplate);
    listPath_ = batch.list;
    scriptPath_ = batch.scriptTemplate;
    return batch.drawings;
  }

  using Ran = test::ComRan;
  Ran Kavro(const std::wstring& arguments) { return test::RunKavroCom(arguments, 60000); }
  std::wstring RunArgs(const std::wstring& options) const {
    return L"run \"" + listPath_ + L"\" \"" + scriptPath_ + L"\" --log \"" + logPath_ + L"\" " +
           options;
  }
  std::vector<Lines> LogRows() const { return test::LogRowsByPage(logPath_); }

  std::wstring listPath_, scriptPath_, logPath_;
};

bool Has(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

TEST_F(KavroCom, CoreRunOfTwentyDrawingsFourAtOnceGivesEachItsPage) {
  standin_ = std::make_unique<Standin>(StandinOptions{});
  Lines paths = Inputs(20);
  Ran ran = Kavro(RunArgs(L"--start 41 --engine core --jobs 4"));
  EXPECT_EQ(ran.code, 0u) << std::string(ran.output.begin(), ran.output.end());
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(ReadBytes(paths[i]), Modified(std::to_string(41 + i))) << i;
    EXPECT_TRUE(Has(ran.output, L"第 " + std::to_wstring(41 + i) + L" 页 完成 ")) << i;
  }
  EXPECT_TRUE(Has(ran.output, L"[20/20]"));
  EXPECT_TRUE(Has(ran.output, L"完成 20 张，失败 0 张，未开始 0 张"));
  EXPECT_TRUE(Has(ran.output, L"运行记录：" + logPath_));
  // One row per drawing, each with the page of its list position.
  std::vector<Lines> rows = LogRows();
  ASSERT_EQ(rows.size(), 20u);
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(rows[i], (Lines{std::to_wstring(41 + i), paths[i], L"完成"}));
  // A run that saved everything leaves no journal and removes its scripts.
  EXPECT_TRUE(test::FilesIn(run::JournalFolder(DataFolder())).empty());
  EXPECT_TRUE(test::FilesIn(JoinFolder(DataFolder(), L"core")).empty());
}

TEST_F(KavroCom, RetryRunsExactlyTheTwoScatteredFailuresWithTheirPages) {
  StandinOptions failing;
  failing.coreFailAt = L"d03.dwg";
  failing.coreCrashAt = L"d07.dwg";
  standin_ = std::make_unique<Standin>(failing);
  Lines paths = Inputs(9);
  Ran first = Kavro(RunArgs(L"--start 5 --engine core --jobs 3"));
  EXPECT_EQ(first.code, 1u);
  EXPECT_TRUE(Has(first.output, L"完成 7 张，失败 2 张"));
  std::vector<Lines> rows = LogRows();
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[2], (Lines{L"7", paths[2], L"失败"}));
  EXPECT_EQ(rows[6], (Lines{L"11", paths[6], L"失败"}));
  EXPECT_EQ(ReadBytes(paths[2]), test::kDrawing);
  EXPECT_EQ(ReadBytes(paths[6]), test::kDrawing);

  standin_ = std::make_unique<Standin>(StandinOptions{});
  Ran retry = Kavro(L"retry --engine core --log \"" + logPath_ + L"\"");
  EXPECT_EQ(retry.code, 0u) << std::string(retry.output.begin(), retry.output.end());
  EXPECT_TRUE(Has(retry.output, L"完成 2 张，失败 0 张，未开始 0 张"));
  for (int i = 0; i < 9; ++i) {
    // Saved once each: the seven of the first run were not touched again.
    EXPECT_EQ(ReadBytes(paths[i]), Modified(std::to_string(5 + i))) << i;
  }
  EXPECT_EQ(LogRows(), (std::vector<Lines>{{L"7", paths[2], L"完成"}, {L"11", paths[6], L"完成"}}));
  // Nothing is left to retry.
  Ran again = Kavro(L"retry --engine core");
  EXPECT_EQ(again.code, 2u);
}

// A folder in place of the list file: every drawing under it, in the list box's order, each with
// its page and, through the keywords, its own name.
TEST_F(KavroCom, AFolderStandsForEveryDrawingUnderItAndEachScriptNamesItsDrawing) {
  standin_ = std::make_unique<Standin>(StandinOptions{});
  std::wstring tree = JoinFolder(folder_, L"工程");
  Lines paths;
  for (const wchar_t* relative : {L"d0.dwg", L"x\\d1.dwg", L"y\\D2.DWG"}) {
    std::wstring path = JoinFolder(tree, relative);
    ASSERT_TRUE(win::MakeFolders(FolderOfPath(path)));
    paths.push_back(test::MakeDrawing(FolderOfPath(path), path.substr(path.rfind(L'\\') + 1)));
  }
  Inputs(0, "-text 0,0 page <acet:cBaseName>\r\n");
  Ran ran =
      Kavro(L"run \"" + tree + L"\" \"" + scriptPath_ + L"\" --start 7 --engine core --jobs 2");
  EXPECT_EQ(ran.code, 0u) << std::string(ran.output.begin(), ran.output.end());
  const char* bases[] = {"d0", "d1", "D2"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ReadBytes(paths[i]), std::string(test::kDrawing) + "-text 0,0 " +
                                       std::to_string(7 + i) + " " + bases[i] + "\r\n_.qsave\r\n")
        << i;
  }
  // A folder without drawings is bad input.
  std::wstring empty = JoinFolder(folder_, L"空");
  ASSERT_TRUE(win::MakeFolders(empty));
  Ran none = Kavro(L"run \"" + empty + L"\" \"" + scriptPath_ + L"\"");
  EXPECT_EQ(none.code, 2u);
  EXPECT_TRUE(Has(none.output, L"文件夹 " + empty + L" 中没有图纸。"));
}

TEST_F(KavroCom, ExitCodesOfBadInputsAndOfNoAutoCad) {
  standin_ = std::make_unique<Standin>(StandinOptions{});
  Inputs(2);
  EXPECT_EQ(Kavro(L"run").code, 2u);  // every refusal of the command line, unit-tested
  Ran help = Kavro(L"/?");
  EXPECT_EQ(help.code, 0u);
  EXPECT_FALSE(help.output.empty());
  Ran missing = Kavro(L"run \"" + folder_ + L"\\none.txt\" \"" + scriptPath_ + L"\"");
  EXPECT_EQ(missing.code, 2u);
  EXPECT_EQ(Kavro(RunArgs(L"--engine core --core \"" + folder_ + L"\\no.exe\"")).code, 3u);

  ASSERT_TRUE(Standin::Unregister());
  Ran noCore = Kavro(RunArgs(L"--engine core"));
  Ran noGui = Kavro(RunArgs(L""));
  ASSERT_TRUE(Standin::Register());
  EXPECT_EQ(noCore.code, 3u) << std::string(noCore.output.begin(), noCore.output.end());
  EXPECT_EQ(noGui.code, 3u);
}

// A script with an unknown command on either engine (the Core Console judged by what it printed):
// each drawing is saved yet 脚本报错, with its first error line, counted in the summary; exit 1.
// The gui engine's script file lies beside kavro.com.
TEST_F(KavroCom, ScriptsThatWentWrongAreCountedAndExitOne) {
  standin_ = std::make_unique<Standin>(StandinOptions{.unknownCommands = L"bogus"});
  Lines paths = Inputs(2, "bogus page\r\n");
  for (const wchar_t* engine : {L"core", L"gui"}) {
    SCOPED_TRACE(engine);
    Ran ran = Kavro(RunArgs(L"--engine " + std::wstring(engine)));
    EXPECT_EQ(ran.code, 1u);
    EXPECT_TRUE(Has(ran.output, L"第 2 页 脚本报错"))
        << std::string(ran.output.begin(), ran.output.end());
    EXPECT_TRUE(Has(ran.output, L"行：Unknown command \"BOGUS\".  Press F1 for help."));
    EXPECT_TRUE(Has(ran.output, L"完成 0 张，脚本报错 2 张，失败 0 张"));
    EXPECT_EQ(LogRows(),
              (std::vector<Lines>{{L"1", paths[0], L"脚本报错"}, {L"2", paths[1], L"脚本报错"}}));
    EXPECT_TRUE(Has(FromUtf8(ReadBytes(JoinFolder(folder_, L"run.txt"))).value_or(L""),
                    L"=== 第 1 页 " + paths[0] + L" 脚本报错 ===\r\n"));
  }
  std::wstring comScript = JoinFolder(FolderOfPath(test::KavroComPath()), L"kavro.scr");
  EXPECT_TRUE(standin_->Logged(test::Sent(L"script\r" + comScript + L"\r")));
}

// The check before the first drawing: a read-only drawing and one open elsewhere (its .dwl names
// who has it) stop either engine before AutoCAD is reached; --check lists every drawing.
TEST_F(KavroCom, DrawingsThatCannotBeModifiedStopTheRunBeforeAutoCad) {
  standin_ = std::make_unique<Standin>(StandinOptions{});
  Lines paths = Inputs(4);
  DeleteFileW(logPath_.c_str());
  ASSERT_TRUE(SetFileAttributesW(paths[1].c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(win::WriteFileReplacing(JoinFolder(folder_, L"d04.dwl"),
                                      "wang\r\nCAD-07\r\n2026-12-07 09:00\r\n")
                  .ok);
  auto held = std::make_unique<win::UniqueFile>(
      CreateFileW(paths[3].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(*held);
  auto plain = [](std::wstring text) {
    std::erase(text, L'\r');
    return text;
  };
  const std::wstring refused =
      L"第 2 页 " + paths[1] + L"：文件只读\n第 4 页 " + paths[3] +
      L"：正被 wang（CAD-07）打开\n\n共 2 张图纸无法修改，批量修改没有开始。";
  for (const wchar_t* options : {L"", L"--engine core --jobs 2"}) {
    Ran ran = Kavro(RunArgs(options));
    EXPECT_EQ(ran.code, 2u) << options;
    EXPECT_TRUE(Has(plain(ran.output), refused))
        << std::string(ran.output.begin(), ran.output.end());
  }
  Ran check = Kavro(RunArgs(L"--engine core --check"));
  EXPECT_EQ(check.code, 2u);
  EXPECT_TRUE(Has(plain(check.output), L"第 1 页 " + paths[0] + L"：00001.scr\n第 2 页 " +
                                           paths[1] + L"：文件只读\n第 3 页 " + paths[2] +
                                           L"：00003.scr\n"));
  EXPECT_EQ(GetFileAttributesW(logPath_.c_str()), INVALID_FILE_ATTRIBUTES);

  held.reset();
  ASSERT_TRUE(SetFileAttributesW(paths[1].c_str(), FILE_ATTRIBUTE_NORMAL));
  Ran fine = Kavro(RunArgs(L"--start 5 --check"));
  EXPECT_EQ(fine.code, 0u);
  EXPECT_TRUE(Has(plain(fine.output), L"第 8 页 " + paths[3] + L"：kavro.scr\n"));
  EXPECT_TRUE(standin_->Calls().empty());  // neither AutoCAD nor a console was started
}

}  // namespace
}  // namespace kavro
