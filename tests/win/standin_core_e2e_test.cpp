// The stand-in Core Console (accoreconsole.exe) run as Kavro's parallel runs will run it: what it
// prints, what it leaves in each drawing file and in the shared log must be what its command line,
// script and settings asked for, or the tests built on it prove nothing.
#include <windows.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "support/core_process.h"
#include "support/standin.h"
#include "support/support.h"
#include "win/text_win.h"

namespace kavro {
namespace {

using test::CoreProcess;
using test::ReadBytes;
using test::Standin;
using test::StandinOptions;

constexpr char kDrawing[] = "drawing\r\n";
constexpr char kScript[] = "filedia 0\r\n_.qsave\r\n";
constexpr DWORD kCrashed = 0xC0000005;

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = test::MakeTempFolder(L"standin-core"); }

  // Writes the settings (with a fresh log) for the consoles started next.
  void Settings(const StandinOptions& options) { standin_ = std::make_unique<Standin>(options); }
  std::wstring Drawing(const std::wstring& name) {
    return test::MakeDrawing(folder_, name, kDrawing);
  }
  std::wstring Script(const std::string& text, const std::wstring& name = L"kavro.scr") {
    return test::MakeDrawing(folder_, name, text);
  }
  static std::wstring Args(const std::wstring& drawing, const std::wstring& script) {
    return L"/i \"" + drawing + L"\" /s \"" + script + L"\"";
  }
  // Runs one console to its end.
  struct Ran {
    DWORD code;
    std::wstring output;
  };
  Ran Run(const std::wstring& arguments) {
    CoreProcess core(arguments);
    EXPECT_TRUE(core.Started());
    EXPECT_TRUE(core.Wait());
    return {core.ExitCode(), core.Output()};
  }
  bool Logged(const std::wstring& part) const {
    for (const auto& line : standin_->LogLines()) {
      if (line.find(part) != std::wstring::npos) return true;
    }
    return false;
  }

  std::wstring folder_;
  std::unique_ptr<Standin> standin_;
};

TEST_F(CoreTest, SavesWhatTheScriptRanUpToEachSave) {
  Settings({});
  std::wstring drawing = Drawing(L"d001.dwg");
  std::wstring script = Script(kScript);
  CoreProcess core(Args(drawing, script));
  ASSERT_TRUE(core.Wait());
  EXPECT_EQ(0u, core.ExitCode());
  EXPECT_EQ(std::string(kDrawing) + kScript, ReadBytes(drawing));
  // UTF-16LE bytes, no byte-order mark, even into a pipe.
  ASSERT_GE(core.OutputBytes().size(), 4u);
  EXPECT_EQ(std::string("A\0u\0", 4), core.OutputBytes().substr(0, 4));
  std::wstring output = core.Output();
  EXPECT_NE(std::wstring::npos, output.find(L"\r\nCommand: filedia\r\n"));
  EXPECT_NE(std::wstring::npos, output.find(L"Enter new value for FILEDIA <1>: 0\r\n"));
  EXPECT_NE(std::wstring::npos, output.find(L"Command: _.qsave\r\n"));
  EXPECT_TRUE(Logged(L"accoreconsole /i " + drawing));
  EXPECT_TRUE(Logged(L"d001.dwg: saved " + drawing));

  // Commands after the last save are not in the file; a last line without its Enter is not run.
  std::wstring second = Drawing(L"d002.dwg");
  Run(Args(second, Script("one\r\n_.QSAVE two\r\nthree\r\n_.qsave")));
  EXPECT_EQ(std::string(kDrawing) + "one\r\n_.QSAVE two\r\n", ReadBytes(second));
  // Two saves append in turn; "save" with a name writes the whole drawing there.
  std::wstring third = Drawing(L"d003.dwg");
  std::wstring copy = folder_ + L"\\copy of d003.dwg";
  Run(Args(third, Script("a\nqsave\nb\nsave\n" + win::ToUtf8(copy) + "\n")));
  EXPECT_EQ(std::string(kDrawing) + "a\nqsave\n", ReadBytes(third));
  EXPECT_EQ(std::string(kDrawing) + "a\nqsave\nb\nsave\n" + win::ToUtf8(copy) + "\n",
            ReadBytes(copy));
}

TEST_F(CoreTest, ArgumentsAreCheckedAndOptionsLogged) {
  Settings({});
  std::wstring drawing = Drawing(L"d001.dwg");
  std::wstring script = Script(kScript);
  for (const std::wstring& bad :
       {L"/i \"" + drawing + L"\"", L"/s \"" + script + L"\"", Args(drawing, script) + L" /x",
        Args(drawing, script) + L" /l", L"/i /s \"" + script + L"\""}) {
    Ran ran = Run(bad);
    EXPECT_EQ(1u, ran.code) << win::ToUtf8(bad);
    EXPECT_NE(std::wstring::npos, ran.output.find(L"Usage: accoreconsole.exe /i"))
        << win::ToUtf8(bad);
  }
  EXPECT_EQ(2u, Run(Args(folder_ + L"\\none.dwg", script)).code);
  EXPECT_EQ(3u, Run(Args(drawing, folder_ + L"\\none.scr")).code);
  EXPECT_EQ(kDrawing, ReadBytes(drawing));

  // Accepted and logged; read-only, the drawing is not saved.
  Ran ran =
      Run(Args(drawing, script) + L" /l en-US /isolate kavro1 \"" + folder_ + L"\" /readonly");
  EXPECT_EQ(0u, ran.code);
  EXPECT_NE(std::wstring::npos, ran.output.find(L"read-only"));
  EXPECT_TRUE(
      Logged(L"d001.dwg: start, read-only, language en-US, isolated as kavro1 in " + folder_));
  EXPECT_EQ(kDrawing, ReadBytes(drawing));
}

TEST_F(CoreTest, FailCrashAndNoSaveLeaveTheDrawingAsItWas) {
  Settings({.coreFailAt = L"D002.dwg", .coreCrashAt = L"d003.dwg"});
  std::wstring script = Script(kScript);
  std::wstring good = Drawing(L"d001.dwg");
  std::wstring failing = Drawing(L"d002.dwg");
  std::wstring crashing = Drawing(L"d003.dwg");
  EXPECT_EQ(0u, Run(Args(good, script)).code);
  Ran failed = Run(Args(failing, script));
  EXPECT_EQ(2u, failed.code);
  EXPECT_NE(std::wstring::npos, failed.output.find(L"Unable to open drawing"));
  EXPECT_EQ(kCrashed, Run(Args(crashing, script)).code);
  EXPECT_EQ(std::string(kDrawing) + kScript, ReadBytes(good));
  EXPECT_EQ(kDrawing, ReadBytes(failing));
  EXPECT_EQ(kDrawing, ReadBytes(crashing));
  EXPECT_TRUE(Logged(L"d003.dwg: crash"));

  Settings({.coreNoSave = true});
  std::wstring unsaved = Drawing(L"d004.dwg");
  EXPECT_EQ(0u, Run(Args(unsaved, script)).code);
  EXPECT_EQ(kDrawing, ReadBytes(unsaved));
  EXPECT_TRUE(Logged(L"d004.dwg: save ignored"));
}

TEST_F(CoreTest, AHungConsoleRunsUntilKilled) {
  Settings({.coreHangAt = L"d001.dwg"});
  std::wstring drawing = Drawing(L"d001.dwg");
  CoreProcess core(Args(drawing, Script(kScript)));
  ASSERT_TRUE(test::PumpUntil([&] { return Logged(L"d001.dwg: hang"); }, 15000));
  EXPECT_FALSE(core.Wait(300));
  EXPECT_TRUE(core.Running());
  core.Kill();
  EXPECT_FALSE(core.Running());
  EXPECT_EQ(kDrawing, ReadBytes(drawing));
}

// AutoCAD 2014 to 2024 load a script only from a trusted folder while SECURELOAD is not 0; with
// no one to ask, the console ignores it, warns and exits with 0.
TEST_F(CoreTest, AnUntrustedScriptIsIgnoredWithExitCodeZero) {
  CreateDirectoryW((folder_ + L"\\Scripts").c_str(), nullptr);
  CreateDirectoryW((folder_ + L"\\Scripts\\Run").c_str(), nullptr);
  std::wstring script = Script(kScript, L"Scripts\\Run\\kavro.scr");
  struct Case {
    StandinOptions options;
    bool runs;
  };
  std::wstring tree = folder_ + L"\\scripts\\...";
  std::vector<Case> cases = {
      {{.version = L"23.1s (LMS Tech)"}, false},
      {{.version = L"19.1", .coreTrustedPaths = folder_ + L"\\Scripts"}, false},
      {{.version = L"24.3", .coreSecureLoad = 2, .coreTrustedPaths = L"C:\\x;" + tree}, true},
      {{.version = L"23.1", .coreSecureLoad = 0}, true},
      {{.version = L"19.0"}, true},
      {{.version = L"25.0"}, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    Settings(c.options);
    std::wstring drawing = Drawing(L"d" + std::to_wstring(++n) + L".dwg");
    Ran ran = Run(Args(drawing, script));
    SCOPED_TRACE(win::ToUtf8(c.options.version) + " case " + std::to_string(n));
    EXPECT_EQ(0u, ran.code);
    EXPECT_EQ(c.runs ? std::string(kDrawing) + kScript : kDrawing, ReadBytes(drawing));
    EXPECT_EQ(!c.runs, ran.output.find(L"not in a trusted location") != std::wstring::npos);
  }
}

TEST_F(CoreTest, LatenciesDelayStartAndEachCommand) {
  Settings({.coreStartMs = 300, .coreCommandMs = 100});
  ULONGLONG begin = GetTickCount64();
  EXPECT_EQ(0u, Run(Args(Drawing(L"d001.dwg"), Script("a b c\r\n"))).code);
  EXPECT_GE(GetTickCount64() - begin, 600u);
}

// Four consoles at once on four drawings: each saves its own script, and the shared log holds
// every line of every one of them whole. Many short commands, so that their log writes meet.
TEST_F(CoreTest, FourAtOnceEachSaveTheirDrawingAndLogWholeLines) {
  Settings({});
  constexpr int kWords = 400;
  std::string words;
  for (int i = 0; i < kWords; ++i) words += " w" + std::to_string(i);
  std::vector<std::unique_ptr<CoreProcess>> cores;
  std::vector<std::wstring> drawings;
  std::vector<std::string> scripts;
  for (int i = 1; i <= 4; ++i) {
    std::wstring name = L"d00" + std::to_wstring(i);
    scripts.push_back("filedia 0\r\npage " + std::to_string(i) + words + "\r\n_.qsave\r\n");
    drawings.push_back(Drawing(name + L".dwg"));
    cores.push_back(std::make_unique<CoreProcess>(
        Args(drawings.back(), Script(scripts.back(), name + L".scr"))));
  }
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(cores[i]->Wait());
    EXPECT_EQ(0u, cores[i]->ExitCode());
    EXPECT_EQ(kDrawing + scripts[i], ReadBytes(drawings[i]));
  }
  // Each console: its call, start, opened, script, the commands, set, saved, exit.
  std::wregex form(
      L"accoreconsole /i .*|- core (\\d+) (d00\\d\\.dwg): "
      L"(start|opened .*|script .*|command [\\w.]+|set FILEDIA 0|saved .*|exit)");
  std::map<std::wstring, int> perDrawing;
  int calls = 0;
  for (const auto& line : standin_->LogLines()) {
    std::wsmatch match;
    ASSERT_TRUE(std::regex_match(line, match, form)) << win::ToUtf8(line);
    if (match[2].matched) {
      ++perDrawing[match[2]];
    } else {
      ++calls;
    }
  }
  EXPECT_EQ(4, calls);
  ASSERT_EQ(4u, perDrawing.size());
  for (const auto& [name, count] : perDrawing)
    EXPECT_EQ(6 + 4 + kWords, count) << win::ToUtf8(name);
}

}  // namespace
}  // namespace kavro
