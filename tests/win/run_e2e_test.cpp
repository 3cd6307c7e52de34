// The runs from the main window against the stand-in AutoCAD: what reaches AutoCAD (its log),
// what happens to the drawings, the list and the windows, and how the runs end when AutoCAD is
// missing, rejects, fails, crashes or hangs.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <tuple>

#include "record/record_files_win.h"
#include "run/progress_window_win.h"
#include "run/run_actions_win.h"
#include "support/run_fixture.h"
#include "support/support.h"
#include "win/handles_win.h"
#include "win/text_win.h"

namespace kavro {
namespace {

using test::kDrawing;
using test::Lines;
using test::ReadBytes;
using test::Sent;
using test::Standin;
using test::StandinOptions;

const std::wstring kOff = Sent(L"filedia\r0\r");
const std::wstring kOn = Sent(L"filedia\r1\r");

// Whether the screen shows `window`'s own face at its corner (not another window over it).
bool ShowsOnScreen(HWND window) {
  RECT place{};
  GetWindowRect(window, &place);
  return test::PumpUntil(
      [&] {
        HDC screen = GetDC(nullptr);
        COLORREF corner = GetPixel(screen, place.left + 2, place.top + 2);
        ReleaseDC(nullptr, screen);
        return corner == GetSysColor(COLOR_BTNFACE);
      },
      2000);
}

class RunE2e : public test::RunFixture {
 protected:
  std::wstring RunScript() const { return Sent(L"script\r" + ScriptPath() + L"\r"); }
  Lines ModifyCalls(const Lines& paths) const { return test::ModifyCalls(paths, ScriptPath()); }
};

TEST_F(RunE2e, ModifyRunSendsTheTableAndEveryDrawingGetsItsPage) {
  StartStandin();
  auto paths = AddDrawings(3);
  window_->SetItemText(MainControl::Text1, L"-text 0,0 page\r\nPAGE Page");
  window_->SetItemText(MainControl::Text2, L"5");
  window_->Click(MainControl::Command9);  // "  批量修改"

  EXPECT_EQ(standin_->Calls(), ModifyCalls(paths));
  Lines lines = standin_->LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find(L"-Embedding"), std::wstring::npos) << "started through COM";
  for (int i = 0; i < 3; ++i) {
    std::string page = std::to_string(5 + i);
    EXPECT_EQ(ReadBytes(paths[i]), kDrawing + ("-text 0,0 " + page + "\r\n" + page + " Page"));
  }
  EXPECT_EQ(ReadBytes(ScriptPath()), "-text 0,0 7\r\n7 Page");
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(ListEntries().empty());
  EXPECT_EQ(window_->ItemText(MainControl::Text1), L"-text 0,0 page\r\nPAGE Page");

  // Form3 stays with the completion caption until it is double-clicked; the main window waits.
  auto* form = Form3();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->LabelText(run::ProgressLabel::Label1), L"Kavro完成 双击窗口返回");
  EXPECT_EQ(form->LabelText(run::ProgressLabel::Label2), L"开始时间：");
  EXPECT_FALSE(form->LabelText(run::ProgressLabel::Label3).empty());
  EXPECT_FALSE(form->LabelText(run::ProgressLabel::Label5).empty());
  EXPECT_FALSE(IsWindowVisible(window_->Hwnd()));
  // Borderless 3900 x 1140 twips, centred across the screen with a third of the free height
  // above it, topmost, not in the task bar; what the screen shows there is Form3, not AutoCAD's
  // window, which the run activated.
  RECT place{};
  GetWindowRect(form->Hwnd(), &place);
  EXPECT_EQ(std::tuple(place.right - place.left, place.bottom - place.top), std::tuple(260, 76));
  EXPECT_EQ(place.left, (GetSystemMetrics(SM_CXSCREEN) - 260) / 2);
  EXPECT_NEAR(place.top, (GetSystemMetrics(SM_CYSCREEN) - 76) / 3.0, 0.5);
  EXPECT_EQ(GetWindowLongW(form->Hwnd(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
  EXPECT_EQ(GetWindowLongW(form->Hwnd(), GWL_EXSTYLE) & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST),
            WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  EXPECT_TRUE(ShowsOnScreen(form->Hwnd()));
  test::SaveWindowPicture(form->Hwnd(), L"progress_done");
  // Once the last drawing is saved there is nothing to stop: a click or Esc asks nothing.
  PostMessageW(form->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(form->Hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  test::PumpUntil([] { return false; }, 100);
  EXPECT_TRUE(Messages().empty());
  SendMessageW(form->Label(run::ProgressLabel::Label4), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  EXPECT_TRUE(Form3Closed());
  EXPECT_TRUE(MainShownAndEnabled());
}

// Attached to the AutoCAD the user started: no second one. Its script went wrong (a Chinese
// AutoCAD writing its history as UTF-16): a warning right after it, with the lines.
TEST_F(RunE2e, PreviewRunAttachesAndScriptsTheFirstDrawingOnlyAndLeavesItOpen) {
  StartStandin({.historyEncoding = 2, .unknownCommands = L"zoom", .chinese = true});
  ASSERT_TRUE(standin_->StartDirectly());
  HWND running = Standin::Window();
  auto paths = AddDrawings(2);
  window_->SetItemText(MainControl::Text1, L"zoom page");
  window_->SetItemText(MainControl::Text2, L"5");
  window_->Click(MainControl::xpcmdbutton7);  // "  修改预览"
  // A modify run's calls without its drawings, and the first drawing opened and scripted before
  // the dialogs go back on. It stays open: its history is written once the log is switched off,
  // and on again.
  Lines expected = ModifyCalls({});
  expected.insert(
      expected.begin() + 9,
      {L"Documents.Open " + paths[0], L"Document.GetVariable LOGFILENAME", kOff, RunScript(),
       L"Document.SetVariable LOGFILEMODE 0", L"Document.SetVariable LOGFILEMODE 1"});
  EXPECT_EQ(standin_->Calls(), expected);
  EXPECT_EQ(Standin::Window(), running);
  Lines lines = standin_->LogLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](auto& l) { return l.rfind(L"- start", 0) == 0; }),
            1);
  EXPECT_EQ(ReadBytes(paths[0]), kDrawing);  // not saved
  EXPECT_EQ(ReadBytes(ScriptPath()), "zoom 5");
  EXPECT_EQ(LogRows(), (std::vector<Lines>{{L"5", L"预览", L""}}));
  EXPECT_TRUE(Journals().empty());
  EXPECT_EQ(ListEntries(), paths);
  EXPECT_EQ(Form3(), nullptr);
  EXPECT_TRUE(MainShownAndEnabled());
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_TRUE(Messages()[0].starts_with(L"预览的脚本在 AutoCAD 中报错：\n第 ")) << Messages()[0];
  EXPECT_NE(Messages()[0].find(L" 行：未知命令“ZOOM”。按 F1 查看帮助。\n\n运行记录："),
            std::wstring::npos);
  EXPECT_EQ(services_->messages->shown[0].flags, UINT{MB_OK | MB_ICONWARNING});
}

TEST_F(RunE2e, NoAutoCadAtAllGivesOneMessageAndNothingElse) {
  StartStandin();
  ASSERT_TRUE(Standin::Unregister());
  auto paths = AddDrawings(1);
  window_->Runs().Modify();
  Standin::Register();
  ExpectStopped(L"AutoCAD.Application", paths);
  EXPECT_EQ(services_->messages->shown.at(0).flags, static_cast<UINT>(MB_OK));  // no error icon
}

// AutoCAD failing to open or to save a drawing, meeting a fault of its own, crashing there or
// hanging (the call's watchdog ends the wait): the run stops at that drawing, names it, and keeps
// it and the rest listed. The user's own AutoCAD may hold unsaved work: a hang there is reported,
// never ended. After AutoCAD crashed, or hung and was ended, the next run connects afresh.
struct Stop {
  const char* name;
  StandinOptions options;
  int stoppedAt;  // index of the drawing
  const wchar_t* says;
  bool dialogsBackOn;  // only where AutoCAD still answers
  bool startedByUser = false;
};

class RunStops : public RunE2e, public ::testing::WithParamInterface<Stop> {};

TEST_P(RunStops, AtThatDrawing) {
  const Stop& stop = GetParam();
  // Short enough for the hung rows, long enough for AutoCAD's start on a busy machine (under Wine a
  // COM start alone takes about a second).
  Limits().callMs = 4000;
  StartStandin(stop.options);
  if (stop.startedByUser) ASSERT_TRUE(standin_->StartDirectly());
  auto paths = AddDrawings(3);
  window_->SetItemText(MainControl::Text1, L"page");
  ULONGLONG start = GetTickCount64();
  window_->Runs().Modify();
  EXPECT_LT(GetTickCount64() - start, 15000u);
  ExpectStopped(paths[stop.stoppedAt], Lines(paths.begin() + stop.stoppedAt, paths.end()),
                stop.says);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ReadBytes(paths[i]), kDrawing + (i < stop.stoppedAt ? std::to_string(i + 1) : ""));
  }
  // Where AutoCAD still answers, the dialogs and then the settings of the run are put back.
  Lines calls = standin_->Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), kOn), stop.dialogsBackOn ? 1 : 0);
  if (stop.dialogsBackOn) EXPECT_EQ(Lines(calls.end() - 3, calls.end()), test::PutBack());
  // A crashed AutoCAD is gone; so is a hung one that the run started itself (it ended it).
  bool gone = stop.options.crashAt > 0 || (stop.options.hangAt > 0 && !stop.startedByUser);
  EXPECT_TRUE(test::PumpUntil([&] { return Standin::IsRunning() != gone; }, 10000));
  EXPECT_EQ(window_->ItemText(MainControl::Text1), L"page");
  if (!gone) return;
  StartStandin();
  Limits().callMs = 8000;
  window_->Runs().Modify();
  EXPECT_EQ(Messages().size(), 1u) << "no second failure on the dead reference";
  EXPECT_TRUE(ListEntries().empty());
  ASSERT_NE(Form3(), nullptr);
  calls = standin_->Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), L"Document.Close true"), 3 - stop.stoppedAt);
}

INSTANTIATE_TEST_SUITE_P(
    FailedCrashedHung, RunStops,
    ::testing::Values(Stop{"Fault", {.faultAt = 2}, 1, L"planted fault at drawing 2", true},
                      Stop{"Crashed", {.crashAt = 2}, 1, L"", false},
                      Stop{"Hung", {.hangAt = 1}, 0, L"已结束由 Kavro 启动的 AutoCAD", false},
                      Stop{"HungByUser",
                           {.hangAt = 1},
                           0,
                           L"AutoCAD 没有响应。请检查 AutoCAD 是否在等待回答。",
                           false,
                           true}),
    [](const auto& info) { return info.param.name; });

// Drawing 3's script has an unknown command: the run goes on, the log says 脚本报错 for it, and
// the message comes when the main window returns. An AutoCAD that refuses LOGFILEMODE runs as
// before: every drawing 完成, noted as without its history.
TEST_F(RunE2e, AScriptThatWentWrongIsToldAfterTheDoubleClick) {
  struct Case {
    StandinOptions options;
    const wchar_t *third, *message;
  };
  for (const Case& c :
       {Case{{.historyEncoding = 1, .unknownCommands = L"bogusc"},
             L"脚本报错",
             L"本次批量修改中有 1 张图纸的脚本报错（第 3 页）。\n\n运行记录："},
        Case{{.refuseHistory = true, .unknownCommands = L"bogusc"}, L"完成", nullptr}}) {
    bool history = !c.options.refuseHistory;
    StartStandin(c.options);
    auto paths = AddDrawings(5);
    window_->SetItemText(MainControl::Text1, L"zoom page\r\nbogus<acet:cBaseName>\r\n");
    window_->Runs().Modify();
    EXPECT_EQ(standin_->Calls(), test::ModifyCalls(paths, ScriptPath(), history));
    EXPECT_TRUE(Messages().empty());
    ASSERT_NE(Form3(), nullptr);
    SendMessageW(Form3()->Hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    ASSERT_TRUE(Form3Closed());
    Lines messages = Messages();
    ASSERT_EQ(messages.size(), history ? 1u : 0u);
    if (history) EXPECT_TRUE(messages[0].starts_with(c.message)) << messages[0];
    if (history) EXPECT_EQ(services_->messages->shown[0].flags, UINT{MB_OK | MB_ICONWARNING});
    // The log, each drawing as it ended. (Its history file: kavro_com_e2e_test.)
    std::vector<Lines> rows = test::ReadCsv(LogPath());
    ASSERT_EQ(rows.size(), 6u);
    for (size_t i = 1; i <= 5; ++i) {
      EXPECT_EQ(rows[i][2], i == 3 ? c.third : L"完成");
      std::wstring note = !history ? L"未能读取命令记录"
                          : i == 3 ? L" 行：Unknown command \"BOGUSC\".  Press F1 for help."
                                   : L"";
      EXPECT_TRUE(rows[i][7].ends_with(note) && rows[i][7].empty() == note.empty()) << rows[i][7];
    }
    services_->messages->shown.clear();
    test::DeleteFilesIn(run::LogFolder(services_->dataFolder));
  }
}

// A read-only drawing and one open elsewhere stop the run before AutoCAD is reached; one message
// with the error icon and the title "错误" lists them, and the list stays as it was. So do a start
// page and a script that cannot be used; none of them leaves a log or a journal.
TEST_F(RunE2e, TheCheckRefusesAReadOnlyAndALockedDrawingBeforeAutoCad) {
  StartStandin();
  auto paths = AddDrawings(3);
  window_->SetItemText(MainControl::Text2, L"5");
  SetFileAttributesW(paths[0].c_str(), FILE_ATTRIBUTE_READONLY);
  {
    win::UniqueFile held(
        CreateFileW(paths[2].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    window_->Runs().Modify();
  }
  SetFileAttributesW(paths[0].c_str(), FILE_ATTRIBUTE_NORMAL);
  ExpectStopped(L"第 5 页 " + paths[0] + L"：文件只读\n第 7 页 " + paths[2] +
                    L"：正被其他程序打开\n\n共 2 张图纸无法修改，批量修改没有开始。",
                paths);
  const auto& shown = services_->messages->shown.at(0);
  EXPECT_EQ(shown.title, L"错误");
  EXPECT_EQ(shown.flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
  window_->SetItemText(MainControl::Text2, L"1E999");
  window_->Runs().Modify();
  window_->SetItemText(MainControl::Text2, L"1");
  window_->SetItemText(MainControl::Text1, L"line\r\n-text 😀 page");
  window_->Runs().Modify();
  ASSERT_EQ(Messages().size(), 3u);
  EXPECT_NE(Messages()[2].find(L"第 2 行第 7 个字符“😀”"), std::wstring::npos) << Messages()[2];
  EXPECT_TRUE(test::FilesIn(run::LogFolder(services_->dataFolder)).empty());
  EXPECT_TRUE(Journals().empty());
  EXPECT_FALSE(Standin::IsRunning());
}

// Each drawing's script names its own file (the stand-in keeps what the script said); a name
// the code page cannot hold, used by a keyword, stops the run before AutoCAD is touched. An
// unwritable program folder puts the script in the user's folder.
TEST_F(RunE2e, FileKeywordsNameEachDrawingInItsScript) {
  StartStandin();
  Open(folder_ + L"\\missing\\folder");
  auto paths = AddDrawings(2, L"图");
  window_->SetItemText(MainControl::Text1,
                       L"-plot page \"<acet:cFolderName>\\<ACET:CBASENAME>.pdf\"\r\n");
  window_->Runs().Modify();
  for (int i = 0; i < 2; ++i) {
    std::wstring base = i == 0 ? L"图a" : L"图b";
    std::wstring said =
        L"-plot " + std::to_wstring(1 + i) + L" \"" + folder_ + L"\\" + base + L".pdf\"\r\n";
    EXPECT_EQ(ReadBytes(paths[i]), kDrawing + win::EncodeAnsi(said).bytes);
  }
  std::wstring script = test::EnvironmentValue(L"LOCALAPPDATA") + L"\\Kavro\\kavro.scr";
  EXPECT_EQ(ReadBytes(script), ReadBytes(paths[1]).substr(sizeof(kDrawing) - 1));
  Lines calls = standin_->Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), Sent(L"script\r" + script + L"\r")), calls.end());
  EXPECT_TRUE(Messages().empty());
  // Alt+F4 on Form3 does what a double-click does: the main window is never left hidden.
  ASSERT_NE(Form3(), nullptr);
  SendMessageW(Form3()->Hwnd(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(Form3Closed());
  EXPECT_TRUE(MainShownAndEnabled());

  std::wstring unwritable = test::MakeDrawing(folder_, L"😀.dwg", kDrawing);
  SendMessageW(window_->Item(MainControl::List2), LB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(unwritable.c_str()));
  window_->Runs().Modify();
  ExpectStopped(unwritable + L"：路径含有当前代码页无法表示的字符", {unwritable});
  EXPECT_EQ(standin_->Calls(), calls);
}

// Scripts that run on in the background: calls are rejected until AutoCAD is quiescent. All
// the while Form3 answers at once (it never turns into a "Not responding" ghost) and the main
// window takes no input.
TEST_F(RunE2e, ABusyAutoCadIsWaitedForAndTheProgressWindowStaysAlive) {
  StartStandin({.scriptMs = 300, .asyncScripts = true});
  auto paths = AddDrawings(2);
  window_->SetItemText(MainControl::Text1, L"page");
  std::atomic<bool> done{false};
  std::atomic<int> answered{0}, unanswered{0};
  std::atomic<bool> mainTookInput{false};
  HWND main = window_->Hwnd();
  std::thread watcher([&] {
    // Never a plain send: this test's thread may be joining us.
    for (; !done; Sleep(20)) {
      HWND form = FindWindowW(L"Form3", nullptr);
      if (!form) continue;
      wchar_t caption[64] = L"";
      DWORD_PTR got = 0;
      SendMessageTimeoutW(GetDlgItem(form, 100), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(caption),
                          SMTO_ABORTIFHUNG, 250, &got);
      if (wcsncmp(caption, L"正在处理", 4) == 0 && IsWindowEnabled(main)) mainTookInput = true;
      if (SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 250, &got)) {
        ++answered;
      } else if (!done) {  // not the wait of this test's own thread, which joins us
        ++unanswered;
      }
    }
  });
  window_->Runs().Modify();
  done = true;
  watcher.join();
  EXPECT_GT(answered.load(), 10);
  EXPECT_EQ(unanswered.load(), 0);
  EXPECT_FALSE(mainTookInput.load());
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(standin_->Calls(), ModifyCalls(paths));
  EXPECT_EQ(ReadBytes(paths[1]), kDrawing + std::string("2"));
}

}  // namespace
}  // namespace kavro
