#include "cli/command_line.h"

#include <gtest/gtest.h>

namespace kavro::cli {
namespace {

CommandLine Parse(std::vector<std::wstring> args) { return ParseCommandLine(args); }

// The error text names what was wrong.
void ExpectError(std::vector<std::wstring> args, const std::wstring& named) {
  CommandLine result = ParseCommandLine(args);
  ASSERT_EQ(result.kind, CommandKind::Error) << named;
  EXPECT_NE(result.error.find(named), std::wstring::npos) << result.error;
}

TEST(CommandLineTest, RunTakesEveryOptionInBothFormsAndAnyPlaceAndHasDefaults) {
  CommandLine spaced =
      Parse({L"run", L"--start", L"-5", L"list.txt", L"--engine", L"core", L"a.scr", L"--jobs",
             L"12", L"--log", L"r.csv", L"--core", L"C:\\AC\\accoreconsole.exe"});
  CommandLine joined = Parse({L"run", L"list.txt", L"--start=-5", L"--engine=core", L"--jobs=12",
                              L"--log=r.csv", L"--core=C:\\AC\\accoreconsole.exe", L"a.scr"});
  for (const CommandLine& result : {spaced, joined}) {
    ASSERT_EQ(result.kind, CommandKind::Run) << result.error;
    EXPECT_EQ(result.listPath, L"list.txt");
    EXPECT_EQ(result.scriptPath, L"a.scr");
    EXPECT_EQ(result.startPage, L"-5");
    EXPECT_EQ(result.engine, Engine::Core);
    EXPECT_EQ(result.jobs, 12u);
    EXPECT_EQ(result.logPath, L"r.csv");
    EXPECT_EQ(result.corePath, L"C:\\AC\\accoreconsole.exe");
    EXPECT_TRUE(result.r2000);
  }
  // A value holding "=" keeps everything after the first one.
  EXPECT_EQ(Parse({L"run", L"l", L"s", L"--log=a=b.csv"}).logPath, L"a=b.csv");
  // The defaults and the version flags.
  CommandLine plain = Parse({L"run", L"l.txt", L"s.scr"});
  ASSERT_EQ(plain.kind, CommandKind::Run);
  EXPECT_EQ(plain.startPage, L"1");
  EXPECT_TRUE(plain.r2000);
  EXPECT_EQ(plain.engine, Engine::Gui);
  EXPECT_EQ(plain.jobs, 0u);
  EXPECT_EQ(Parse({L"run", L"l", L"s", L"--engine=core", L"--jobs=32"}).jobs, 32u);
  CommandLine cloud = Parse({L"run", L"l", L"s", L"--engine=cloud", L"--jobs=50", L"--cloud-engine",
                             L"Autodesk.AutoCAD+25_0"});
  EXPECT_EQ(cloud.engine, Engine::Cloud);
  EXPECT_EQ(cloud.jobs, 50u);
  EXPECT_EQ(cloud.cloudEngine, L"Autodesk.AutoCAD+25_0");
  EXPECT_FALSE(Parse({L"run", L"--r14", L"l", L"s"}).r2000);
  EXPECT_TRUE(Parse({L"run", L"l", L"s", L"--r2000"}).r2000);
  EXPECT_FALSE(plain.checkOnly);
  EXPECT_TRUE(Parse({L"run", L"l", L"s", L"--check"}).checkOnly);
  ExpectError({L"run", L"l", L"s", L"--check=1"}, L"--check");
  // The start page is kept as typed: it is read later, like the start page box.
  EXPECT_EQ(Parse({L"run", L"l", L"s", L"--start", L" 4 1x"}).startPage, L" 4 1x");
}

TEST(CommandLineTest, RetryTakesAnOptionalJournalAndItsOptions) {
  CommandLine bare = Parse({L"retry"});
  ASSERT_EQ(bare.kind, CommandKind::Retry);
  EXPECT_TRUE(bare.journalPath.empty());
  CommandLine full = Parse({L"retry", L"--engine=core", L"j.kvj", L"--jobs", L"3", L"--log", L"x"});
  ASSERT_EQ(full.kind, CommandKind::Retry) << full.error;
  EXPECT_EQ(full.journalPath, L"j.kvj");
  EXPECT_EQ(full.jobs, 3u);
  EXPECT_EQ(full.logPath, L"x");
  ExpectError({L"retry", L"--start", L"3"}, L"--start");
  ExpectError({L"retry", L"--r14"}, L"--r14");
  ExpectError({L"retry", L"a", L"b"}, L"“b”");
  EXPECT_EQ(Parse({L"retry", L"--cad=zwcad"}).cad, L"zwcad");
  EXPECT_EQ(Parse({L"run", L"l", L"s", L"--cad", L"中望CAD 2025"}).cad, L"中望CAD 2025");
  EXPECT_EQ(Parse({L"cad"}).kind, CommandKind::Cad);
  ExpectError({L"cad", L"x"}, L"“x”");
}

TEST(CommandLineTest, HelpWinsWhereverItStands) {
  for (const wchar_t* help : {L"--help", L"-h", L"/?", L"help"}) {
    EXPECT_EQ(Parse({help}).kind, CommandKind::Help) << help;
  }
  EXPECT_EQ(Parse({L"run", L"l", L"--help"}).kind, CommandKind::Help);
  EXPECT_EQ(Parse({L"retry", L"/?"}).kind, CommandKind::Help);
  // "help" later on is a file name.
  EXPECT_EQ(Parse({L"run", L"help", L"s"}).listPath, L"help");
  EXPECT_EQ(Parse({}).kind, CommandKind::None);
}

TEST(CommandLineTest, BadArgumentsAndConflictsAreNamed) {
  ExpectError({L"frobnicate"}, L"frobnicate");
  ExpectError({L"--jobs", L"2"}, L"--jobs");
  ExpectError({L"run"}, L"列表");
  ExpectError({L"run", L"l"}, L"脚本");
  ExpectError({L"run", L"l", L"s", L"extra"}, L"extra");
  ExpectError({L"run", L"l", L"s", L"--fast"}, L"--fast");
  ExpectError({L"run", L"l", L"s", L"-j"}, L"-j");
  ExpectError({L"run", L"l", L"s", L"--start"}, L"--start");
  ExpectError({L"run", L"l", L"s", L"--log="}, L"--log");
  ExpectError({L"run", L"l", L"s", L"--start", L"2", L"--start=3"}, L"--start");
  ExpectError({L"run", L"l", L"s", L"--r14=1"}, L"--r14");
  ExpectError({L"run", L"l", L"s", L"--engine", L"GUI2"}, L"GUI2");
  for (const wchar_t* jobs : {L"0", L"33", L"-1", L"2x", L"1000000000000000000000", L" 3"}) {
    ExpectError({L"run", L"l", L"s", L"--engine=core", L"--jobs", jobs}, jobs);
  }
  ExpectError({L"run", L"l", L"s", L"--engine=cloud", L"--jobs", L"51"}, L"51");
  // A start page that reads as infinite is refused as the start page box refuses it.
  ExpectError({L"run", L"l", L"s", L"--start", L"1e999"}, L"起始页码“1e999”太大，无法使用。");
  // Options that do not go together.
  ExpectError({L"run", L"l", L"s", L"--r14", L"--r2000"}, L"--r2000");
  ExpectError({L"run", L"l", L"s", L"--jobs", L"2"}, L"--jobs");
  ExpectError({L"run", L"l", L"s", L"--engine", L"gui", L"--jobs", L"2"}, L"--jobs");
  ExpectError({L"run", L"l", L"s", L"--r14", L"--engine", L"core"}, L"--r14");
  ExpectError({L"run", L"l", L"s", L"--core", L"x.exe"}, L"--core");
  ExpectError({L"retry", L"--engine=gui", L"--jobs", L"2"}, L"--jobs");
  // A retry without --engine is checked once its journal's engine is known.
  CommandLine retry = Parse({L"retry", L"--jobs", L"40"});
  EXPECT_EQ(retry.kind, CommandKind::Retry);
  EXPECT_EQ(EngineConflict(retry, Engine::Cloud), L"");
  EXPECT_NE(EngineConflict(retry, Engine::Core).find(L"“40”"), std::wstring::npos);
  ExpectError({L"run", L"l", L"s", L"--cloud-engine", L"x", L"--engine=core"}, L"--cloud-engine");
  ExpectError({L"run", L"l", L"s", L"--r14", L"--engine", L"cloud"}, L"--r14");
  ExpectError({L"run", L"l", L"s", L"--core", L"x", L"--engine", L"cloud"}, L"--core");
}

TEST(CommandLineTest, JobsExitCodesAndUsage) {
  EXPECT_EQ(ResolveJobs(0, 2), 2u);
  EXPECT_EQ(ResolveJobs(0, 32), 8u);
  EXPECT_EQ(ResolveJobs(0, 0), 1u);
  EXPECT_EQ(ResolveJobs(16, 2), 16u);
  EXPECT_EQ(ExitCodeOf(0, 0, 0), ExitCode::AllSaved);
  EXPECT_EQ(ExitCodeOf(1, 0, 0), ExitCode::SomeFailed);
  EXPECT_EQ(ExitCodeOf(0, 3, 0), ExitCode::SomeFailed);
  EXPECT_EQ(ExitCodeOf(0, 0, 1), ExitCode::SomeFailed);
  // The usage names both commands and every option.
  for (const wchar_t* word :
       {L"kavro run", L"kavro retry", L"--start", L"--r14", L"--r2000", L"--engine", L"--jobs",
        L"--log", L"--core", L"--cad", L"kavro cad", L"--help"}) {
    EXPECT_NE(UsageText().find(word), std::wstring::npos) << word;
  }
}

}  // namespace
}  // namespace kavro::cli
