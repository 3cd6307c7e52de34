// The runs from the main window against the stand-in AutoCAD: what reaches AutoCAD (its log),
// what happens to the drawings, the list and the windows, and how the runs end when AutoCAD is
// missing, rejects, fails, crashes or hangs.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
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
  run::ModifyRun(*window_);

  Lines expected = {L"put Application.Visible true", L"Documents.Add " + Standin::TemplatePath(),
                    kOff};
  for (auto& path : paths) {
    expected.insert(expected.end(), {L"Documents.Open " + path, RunScript(), L"Document.Close true"});
  }
  expected.push_back(kOn);
  EXPECT_EQ(standin_->Calls(), expected);
  for (int i = 0; i < 3; ++i) {
    std::string page = std::to_string(5 + i);
    EXPECT_EQ(test::ReadBytes(paths[i]), kDrawing + ("-text 0,0 " + page + "\r\n" + page + " Page"));
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
  run::PreviewRun(*window_);
  Lines expected = {L"put Application.Visible true", L"Documents.Add " + Standin::TemplatePath(),
                    kOff, L"Documents.Open " + paths[0], kOff, RunScript(), kOn};
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
  EXPECT_EQ(form->LabelText(run::ProgressLabel::Label5), L"");
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
  EXPECT_EQ(standin_->Calls().back(), kOn);
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
  EXPECT_EQ(standin_->Calls().back(), kOn);
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
}

TEST_F(RunE2e, ABusyAutoCadIsWaitedFor) {
  StartStandin({.scriptMs = 150, .asyncScripts = true});
  auto paths = AddDrawings(2);
  window_->SetItemText(MainControl::Text1, L"page");
  run::ModifyRun(*window_);
  EXPECT_TRUE(messages_.empty());
  Lines expected = {L"put Application.Visible true", L"Documents.Add " + Standin::TemplatePath(),
                    kOff};
  for (auto& path : paths) {
    expected.insert(expected.end(), {L"Documents.Open " + path, RunScript(), L"Document.Close true"});
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

}  // namespace
}  // namespace kavro
