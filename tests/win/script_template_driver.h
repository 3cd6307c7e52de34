#pragma once
// The real main window for the script template tests: clicks with the file dialogs scripted or
// driven for real, the message boxes recorded.
#include <windows.h>
#include <gtest/gtest.h>

#include "app/main_window_win.h"
#include "support/support.h"
#include "support/test_services.h"
#include "win/file_win.h"

namespace kavro::test {

using kavro::MainControl;

inline std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  EXPECT_TRUE(win::ReadWholeFile(path, &bytes).ok) << "cannot read the file";
  return bytes;
}

class ScriptTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936u) << "the Wine prefix must run with the Chinese code page";
    window_ = MainWindow::Create(services_.Get());
    window_->Show();
    // Wine reuses process ids from run to run: the folder name needs more than the id.
    folder_ = MakeTempFolder(L"template-" + std::to_wstring(GetTickCount64()));
  }
  // Clicks `button` while `answer` drives the real dialog it opens; returns the titles seen.
  std::vector<std::wstring> Click(MainControl button, DialogAnswer answer) {
    std::vector<std::wstring> titles;
    for (const SeenDialog& dialog : RunAnswering([&] { window_->Click(button); }, {answer})) {
      titles.push_back(dialog.title);
    }
    return titles;
  }
  // Clicks `button` with the file dialogs scripted (from the first call on) to answer
  // `outcome`; keeps "title|text" of each message box shown in `boxes_`.
  void Run(MainControl button, DialogOutcome outcome, const std::wstring& path = L"") {
    services_.Scripted().answers.push_back({outcome, path});
    size_t shown = services_.messages->shown.size();
    window_->Click(button);
    for (size_t i = shown; i < services_.messages->shown.size(); ++i) {
      boxes_.push_back(services_.messages->shown[i].title + L"|" +
                       services_.messages->shown[i].text);
    }
  }
  void Save(const std::wstring& path) {
    Run(MainControl::xpcmdbutton1, DialogOutcome::Chosen, path);
  }
  void Load(const std::wstring& path) {
    Run(MainControl::xpcmdbutton5, DialogOutcome::Chosen, path);
  }
  std::wstring Template() { return window_->ItemText(MainControl::Text1); }
  void SetTemplate(const std::wstring& text) { window_->SetItemText(MainControl::Text1, text); }

  TestServices services_;
  std::unique_ptr<MainWindow> window_;
  std::wstring folder_;
  std::vector<std::wstring> boxes_;
};

}  // namespace kavro::test
