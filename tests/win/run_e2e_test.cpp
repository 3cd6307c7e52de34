// The runs from the main window against the stand-in AutoCAD: what reaches AutoCAD (its log),
// what happens to the drawings, the list and the windows, and how the runs end when AutoCAD is
// missing, rejects, fails, crashes or hangs.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "run/progress_window_win.h"
#include "run/run_actions_win.h"
#include "support/standin.h"
#include "support/support.h"
#include "win/file_win.h"

namespace kavro {
namespace {

using test::LogQuote;
using test::Standin;
using test::StandinOptions;
using Lines = std::vector<std::wstring>;

constexpr char kDrawing[] = "drawing\r\n";

class RunE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    run::RunSettings& settings = run::Settings();
    settings.automation.callMs = 8000;
    settings.automation.busyRetryMs = 4000;
    settings.automation.scriptMs = 8000;
    settings.automation.quiescentPollMs = 2;
    settings.keysMs = 4000;
    settings.programFolder = test::MakeTempFolder(L"run_program");
    settings.showMessage = [this](HWND, const std::wstring& text, UINT) {
      messages_.push_back(text);
    };
    folder_ = test::MakeTempFolder(L"run_drawings");
    window_ = MainWindow::Create();
    window_->Show();
    test::PumpPending();
  }
  void TearDown() override {
    run::CadLink().Disconnect();
    if (auto* form = run::ProgressWindow::Current()) form->Unload();
    window_.reset();
    standin_.reset();
    run::Settings() = run::RunSettings{};
  }

  void StartStandin(const StandinOptions& options = {}) {
    standin_ = std::make_unique<Standin>(options);
  }
  // Drawing files a.dwg, b.dwg, ... in the list.
  std::vector<std::wstring> AddDrawings(int count) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < count; ++i) {
      std::wstring name = std::wstring(1, static_cast<wchar_t>(L'a' + i)) + L".dwg";
      paths.push_back(test::MakeDrawing(folder_, name, kDrawing));
      SendMessageW(window_->Item(MainControl::List2), LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(paths.back().c_str()));
    }
    return paths;
  }
  std::vector<std::wstring> ListEntries() {
    HWND list = window_->Item(MainControl::List2);
    std::vector<std::wstring> entries;
    int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      wchar_t text[MAX_PATH * 2] = L"";
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
      entries.push_back(text);
    }
    return entries;
  }
  std::wstring ScriptPath() const { return run::Settings().programFolder + L"\\kavro.scr"; }
  static std::wstring Send(const std::wstring& text) {
    return L"Document.SendCommand " + LogQuote(text);
  }
  std::wstring RunScript() const { return Send(L"script\r" + ScriptPath() + L"\r"); }
  // Whether the screen shows `window`'s own face at its corner (not another window over it).
  static bool ShowsOnScreen(HWND window) {
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
  std::wstring LastCall() const {
    Lines calls = standin_->Calls();
    return calls.empty() ? L"" : calls.back();
  }
  bool MainShownAndEnabled() const {
    return IsWindowVisible(window_->Hwnd()) && IsWindowEnabled(window_->Hwnd());
  }

  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<Standin> standin_;
  std::wstring folder_;
  Lines messages_;
};

const std::wstring kOff = L"Document.SendCommand " + LogQuote(L"filedia\r0\r");
const std::wstring kOn = L"Document.SendCommand " + LogQuote(L"filedia\r1\r");

TEST_F(RunE2e, ModifyRunSendsTheTableAndEveryDrawingGetsItsPage) {
  StartStandin();
  auto paths = AddDrawings(3);
  window_->SetItemText(MainControl::Text1, L"-text 0,0 page\r\nPAGE Page");
  window_->SetItemText(MainControl::Text2, L"5");
  SendMessageW(window_->Item(MainControl::Command9), BM_CLICK, 0, 0);  // "  批量修改"

  Lines expected = {L"put Application.Visible true", L"Documents.Add " + Standin::TemplatePath(),
                    kOff};
  for (auto& path : paths) {
    expected.insert(expected.end(),
                    {L"Documents.Open " + path, RunScript(), L"Document.Close true"});
  }
  expected.push_back(kOn);
  EXPECT_EQ(standin_->Calls(), expected);
  Lines lines = standin_->LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find(L"-Embedding"), std::wstring::npos) << "started through COM";
  for (int i = 0; i < 3; ++i) {
    std::string page = std::to_string(5 + i);
    EXPECT_EQ(test::ReadBytes(paths[i]),
              kDrawing + ("-text 0,0 " + page + "\r\n" + page + " Page"));
  }
  EXPECT_EQ(test::ReadBytes(ScriptPath()), "-text 0,0 7\r\n7 Page");
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(ListEntries().empty());
  EXPECT_EQ(window_->ItemText(MainControl::Text1), L"-text 0,0 page\r\nPAGE Page");

  // Form3 stays with the completion caption until it is double-clicked; the main window waits.
  auto* form = run::ProgressWindow::Current();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->LabelText(run::ProgressLabel::Label1), L"Kavro完成 双击窗口返回");
  EXPECT_FALSE(form->LabelText(run::ProgressLabel::Label3).empty());
  EXPECT_FALSE(form->LabelText(run::ProgressLabel::Label5).empty());
  EXPECT_TRUE(GetWindowLongW(form->Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(IsWindowVisible(window_->Hwnd()));
  EXPECT_TRUE(ShowsOnScreen(form->Hwnd()));
  test::SaveWindowPicture(form->Hwnd(), L"progress_done");
  SendMessageW(form->Label(run::ProgressLabel::Label4), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  EXPECT_TRUE(test::PumpUntil([] { return run::ProgressWindow::Current() == nullptr; }));
  EXPECT_TRUE(MainShownAndEnabled());
}

TEST_F(RunE2e, PreviewRunScriptsTheFirstDrawingOnlyAndLeavesItOpen) {
  StartStandin();
  auto paths = AddDrawings(2);
  window_->SetItemText(MainControl::Text1, L"zoom page");
  window_->SetItemText(MainControl::Text2, L"5");
  SendMessageW(window_->Item(MainControl::xpcmdbutton7), BM_CLICK, 0, 0);  // "  修改预览"
  Lines expected = {L"put Application.Visible true",
                    L"Documents.Add " + Standin::TemplatePath(),
                    kOff,
                    L"Documents.Open " + paths[0],
                    kOff,
                    RunScript(),
                    kOn};
  EXPECT_EQ(standin_->Calls(), expected);
  EXPECT_EQ(test::ReadBytes(paths[0]), kDrawing);  // not saved
  EXPECT_EQ(test::ReadBytes(ScriptPath()), "zoom 5");
  EXPECT_EQ(ListEntries().size(), 2u);
  EXPECT_EQ(run::ProgressWindow::Current(), nullptr);
  EXPECT_TRUE(MainShownAndEnabled());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(RunE2e, AttachesToARunningAutoCadInsteadOfStartingOne) {
  StartStandin();
  ASSERT_TRUE(standin_->StartDirectly());
  HWND running = Standin::Window();
  run::PreviewRun(*window_);
  EXPECT_EQ(Standin::Window(), running);
  EXPECT_TRUE(IsWindowVisible(running));
  Lines lines = standin_->LogLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](auto& l) { return l.rfind(L"- start", 0) == 0; }),
            1);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(RunE2e, EmptyListStillSwitchesFileDialogsBackOn) {
  StartStandin();
  run::ModifyRun(*window_);
  EXPECT_EQ(standin_->Calls(), (Lines{L"put Application.Visible true",
                                      L"Documents.Add " + Standin::TemplatePath(), kOff, kOn}));
  auto* form = run::ProgressWindow::Current();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->LabelText(run::ProgressLabel::Label1), L"正在替换第   页  共   页");
  EXPECT_EQ(form->LabelText(run::ProgressLabel::Label2), L"开始时间：");
  EXPECT_EQ(form->LabelText(run::ProgressLabel::Label4), L"结束时间：");
  EXPECT_EQ(form->LabelText(run::ProgressLabel::Label5), L"");
  // Borderless 3900 x 1140 twips, centred across the screen with a third of the free height
  // above it, topmost, not in the task bar.
  RECT place{};
  GetWindowRect(form->Hwnd(), &place);
  int screenW = GetSystemMetrics(SM_CXSCREEN);
  int screenH = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(place.right - place.left, 260);
  EXPECT_EQ(place.bottom - place.top, 76);
  EXPECT_EQ(place.left, (screenW - 260) / 2);
  EXPECT_NEAR(place.top, (screenH - 76) / 3.0, 0.5);
  EXPECT_EQ(GetWindowLongW(form->Hwnd(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
  EXPECT_TRUE(GetWindowLongW(form->Hwnd(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(IsWindowVisible(form->Hwnd()));
  // What the screen shows there is Form3, not AutoCAD's window, which the run activated.
  EXPECT_TRUE(ShowsOnScreen(form->Hwnd()));
  test::SaveWindowPicture(form->Hwnd(), L"progress_empty_list");
  SendMessageW(form->Hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  EXPECT_TRUE(test::PumpUntil([] { return run::ProgressWindow::Current() == nullptr; }));
  EXPECT_TRUE(MainShownAndEnabled());
}

TEST_F(RunE2e, NoAutoCadAtAllGivesOneMessageAndNothingElse) {
  StartStandin();
  ASSERT_TRUE(Standin::Unregister());
  AddDrawings(1);
  run::ModifyRun(*window_);
  Standin::Register();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(L"AutoCAD.Application"), std::wstring::npos) << messages_[0];
  EXPECT_EQ(ListEntries().size(), 1u);
  EXPECT_EQ(run::ProgressWindow::Current(), nullptr);
  EXPECT_TRUE(MainShownAndEnabled());
}

TEST_F(RunE2e, AFailedDrawingStopsTheRunAndKeepsTheRestListed) {
  StartStandin({.failAt = 2});
  auto paths = AddDrawings(3);
  window_->SetItemText(MainControl::Text1, L"page");
  run::ModifyRun(*window_);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(paths[1]), std::wstring::npos) << messages_[0];
  EXPECT_EQ(LastCall(), kOn);
  EXPECT_EQ(ListEntries(), (Lines{paths[1], paths[2]}));
  EXPECT_EQ(test::ReadBytes(paths[0]), std::string(kDrawing) + "1");
  EXPECT_EQ(test::ReadBytes(paths[1]), kDrawing);
  EXPECT_EQ(run::ProgressWindow::Current(), nullptr);
  EXPECT_TRUE(MainShownAndEnabled());
  EXPECT_EQ(window_->ItemText(MainControl::Text1), L"page");
}

TEST_F(RunE2e, AReadOnlyDrawingFailsAtItsSave) {
  StartStandin();
  auto paths = AddDrawings(2);
  SetFileAttributesW(paths[0].c_str(), FILE_ATTRIBUTE_READONLY);
  run::ModifyRun(*window_);
  SetFileAttributesW(paths[0].c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(L"read-only"), std::wstring::npos) << messages_[0];
  EXPECT_NE(messages_[0].find(paths[0]), std::wstring::npos);
  EXPECT_EQ(ListEntries().size(), 2u);
  EXPECT_EQ(LastCall(), kOn);
}

TEST_F(RunE2e, AScriptTheCodePageCannotHoldIsRefusedBeforeAutoCadIsTouched) {
  StartStandin();
  AddDrawings(1);
  window_->SetItemText(MainControl::Text1, L"line\r\n-text 😀 page");
  run::ModifyRun(*window_);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(L"第 2 行第 7 个字符“😀”"), std::wstring::npos) << messages_[0];
  EXPECT_FALSE(Standin::IsRunning());
  EXPECT_TRUE(MainShownAndEnabled());
}

TEST_F(RunE2e, AnUnwritableProgramFolderPutsTheScriptInTheUsersFolder) {
  StartStandin();
  auto paths = AddDrawings(1);
  run::Settings().programFolder = folder_ + L"\\missing\\folder";
  window_->SetItemText(MainControl::Text1, L"page");
  run::ModifyRun(*window_);
  wchar_t local[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
  std::wstring script = std::wstring(local) + L"\\Kavro\\kavro.scr";
  EXPECT_EQ(test::ReadBytes(script), "1");
  Lines calls = standin_->Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), Send(L"script\r" + script + L"\r")), calls.end());
  EXPECT_TRUE(messages_.empty());
  // Alt+F4 on Form3 does what a double-click does: the main window is never left hidden.
  ASSERT_NE(run::ProgressWindow::Current(), nullptr);
  SendMessageW(run::ProgressWindow::Current()->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(test::PumpUntil([] { return run::ProgressWindow::Current() == nullptr; }));
  EXPECT_TRUE(MainShownAndEnabled());
}

// Scripts that run on in the background: calls are rejected until AutoCAD is quiescent. All
// the while Form3 answers at once: it never turns into a "Not responding" ghost.
TEST_F(RunE2e, ABusyAutoCadIsWaitedForAndTheProgressWindowStaysAlive) {
  StartStandin({.scriptMs = 300, .asyncScripts = true});
  auto paths = AddDrawings(2);
  window_->SetItemText(MainControl::Text1, L"page");
  std::atomic<bool> done{false};
  std::atomic<int> answered{0};
  std::atomic<int> unanswered{0};
  std::atomic<bool> mainTookInput{false};
  HWND main = window_->Hwnd();
  std::thread watcher([&] {
    while (!done) {
      HWND form = FindWindowW(L"Form3", nullptr);
      // Mid-run (a progress caption is up) the main window takes no input.
      wchar_t caption[64] = L"";
      DWORD_PTR got = 0;  // never a plain send: this test's thread may be joining us
      if (form) {
        SendMessageTimeoutW(GetDlgItem(form, 100), WM_GETTEXT, 64,
                            reinterpret_cast<LPARAM>(caption), SMTO_ABORTIFHUNG, 250, &got);
      }
      if (wcsncmp(caption, L"正在处理", 4) == 0 && IsWindowEnabled(main)) mainTookInput = true;
      DWORD_PTR result = 0;
      if (form) {
        bool ok = SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 250, &result) != 0;
        if (ok) {
          ++answered;
        } else if (!done) {  // not the wait of this test's own thread, which joins us
          ++unanswered;
        }
      }
      Sleep(20);
    }
  });
  run::ModifyRun(*window_);
  done = true;
  watcher.join();
  EXPECT_GT(answered.load(), 10);
  EXPECT_EQ(unanswered.load(), 0);
  EXPECT_FALSE(mainTookInput.load());
  EXPECT_TRUE(messages_.empty());
  Lines expected = {L"put Application.Visible true", L"Documents.Add " + Standin::TemplatePath(),
                    kOff};
  for (auto& path : paths) {
    expected.insert(expected.end(),
                    {L"Documents.Open " + path, RunScript(), L"Document.Close true"});
  }
  expected.push_back(kOn);
  EXPECT_EQ(standin_->Calls(), expected);
  EXPECT_EQ(test::ReadBytes(paths[1]), std::string(kDrawing) + "2");
}

TEST_F(RunE2e, ACrashedAutoCadEndsTheRunWithAMessage) {
  StartStandin({.crashAt = 2});
  auto paths = AddDrawings(3);
  run::ModifyRun(*window_);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(paths[1]), std::wstring::npos) << messages_[0];
  EXPECT_EQ(ListEntries(), (Lines{paths[1], paths[2]}));
  EXPECT_TRUE(MainShownAndEnabled());
  EXPECT_EQ(run::ProgressWindow::Current(), nullptr);
}

TEST_F(RunE2e, AHungAutoCadCostsTheRunItsWatchdogNotTheProgram) {
  run::Settings().automation.callMs = 1500;
  StartStandin({.hangAt = 1});
  auto paths = AddDrawings(2);
  ULONGLONG start = GetTickCount64();
  run::ModifyRun(*window_);
  EXPECT_LT(GetTickCount64() - start, 6000u);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(L"没有响应"), std::wstring::npos) << messages_[0];
  EXPECT_NE(messages_[0].find(paths[0]), std::wstring::npos);
  EXPECT_EQ(ListEntries().size(), 2u);
  EXPECT_TRUE(MainShownAndEnabled());
  EXPECT_EQ(run::ProgressWindow::Current(), nullptr);
}

// Not a test: figures for a long run. Run by hand with --gtest_also_run_disabled_tests
// --gtest_filter=*Benchmark*.
TEST_F(RunE2e, DISABLED_Benchmark200Drawings) {
  for (int latency : {20, 0}) {
    StartStandin({.openMs = latency, .scriptMs = latency, .saveMs = latency});
    HWND list = window_->Item(MainControl::List2);
    for (int i = 0; i < 200; ++i) {
      wchar_t name[32];
      swprintf(name, 32, L"d%03d.dwg", i);
      std::wstring path = test::MakeDrawing(folder_, name, kDrawing);
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    window_->SetItemText(MainControl::Text1, L"-text 0,0 page");
    ASSERT_TRUE(standin_->StartDirectly());
    run::PreviewRun(*window_);  // connected and warm: the figures are the loop's own
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    run::ModifyRun(*window_);
    QueryPerformanceCounter(&end);
    ASSERT_TRUE(messages_.empty());
    double perDrawingMs =
        1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) / frequency.QuadPart / 200;
    if (latency > 0) {
      std::printf("latency %d ms: %.2f ms per drawing, %.3f x the %d ms AutoCAD takes\n", latency,
                  perDrawingMs, perDrawingMs / (3 * latency), 3 * latency);
    } else {
      std::printf("no latency: %.2f ms per drawing\n", perDrawingMs);
    }
    if (auto* form = run::ProgressWindow::Current()) form->Unload();
    run::CadLink().Disconnect();
    standin_.reset();
  }
}

}  // namespace
}  // namespace kavro
