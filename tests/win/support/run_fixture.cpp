#include "support/run_fixture.h"

#include <shlobj.h>

#include "run/progress_window_win.h"
#include "run/run_actions_win.h"
#include "support/support.h"

namespace kavro::test {

std::wstring AwkwardFolder(const std::wstring& name) {
  std::wstring folder = MakeTempFolder(name) + L"\\图纸~1 {A}+(1)^%";
  SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return folder;
}

void RunFixture::SetUp() {
  run::RunSettings& settings = run::Settings();
  settings.automation.callMs = 8000;
  settings.automation.busyRetryMs = 4000;
  settings.automation.scriptMs = 8000;
  settings.automation.quiescentPollMs = 2;
  settings.keysMs = 4000;
  settings.programFolder = MakeTempFolder(L"run_program");
  settings.showMessage = [this](HWND, const std::wstring& text, UINT) {
    messages_.push_back(text);
  };
  folder_ = MakeTempFolder(L"run_drawings");
  window_ = MainWindow::Create();
  window_->Show();
  PumpPending();
}

void RunFixture::TearDown() {
  run::CadLink().Disconnect();
  if (auto* form = run::ProgressWindow::Current()) form->Unload();
  window_.reset();
  standin_.reset();
  run::Settings() = run::RunSettings{};
}

void RunFixture::StartStandin(const StandinOptions& options) {
  standin_ = std::make_unique<Standin>(options);
}

Lines RunFixture::AddDrawings(int count, const std::wstring& prefix) {
  Lines paths;
  for (int i = 0; i < count; ++i) {
    std::wstring name = prefix + std::wstring(1, static_cast<wchar_t>(L'a' + i)) + L".dwg";
    paths.push_back(MakeDrawing(folder_, name, kDrawing));
    SendMessageW(window_->Item(MainControl::List2), LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(paths.back().c_str()));
  }
  return paths;
}

Lines RunFixture::ListEntries() const {
  HWND list = window_->Item(MainControl::List2);
  Lines entries;
  int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t text[MAX_PATH * 2] = L"";
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    entries.push_back(text);
  }
  return entries;
}

std::wstring RunFixture::ScriptPath() const {
  return run::Settings().programFolder + L"\\kavro.scr";
}

bool RunFixture::MainShownAndEnabled() const {
  return IsWindowVisible(window_->Hwnd()) && IsWindowEnabled(window_->Hwnd());
}

void RunFixture::ExpectStopped(const std::wstring& named, const Lines& listed,
                               const std::wstring& says) const {
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(named), std::wstring::npos) << messages_[0];
  EXPECT_NE(messages_[0].find(says), std::wstring::npos) << messages_[0];
  EXPECT_EQ(ListEntries(), listed);
  EXPECT_EQ(run::ProgressWindow::Current(), nullptr);
  EXPECT_TRUE(MainShownAndEnabled());
}

}  // namespace kavro::test
