#pragma once
// The real main window for the drawing list tests: the list's entries, clicks that collect the
// messages shown, and the file dialogs scripted or, untouched, the real ones.
#include <windows.h>
#include <gtest/gtest.h>

#include "app/main_window_win.h"
#include "drawings/drawings_actions_win.h"
#include "support/support.h"

namespace kavro::test {

using Lines = std::vector<std::wstring>;

class DrawingWindowTest : public ::testing::Test {
 protected:
  using C = MainControl;
  void SetUp() override {
    window_ = MainWindow::Create();
    window_->Show();
    SetWindowPos(window_->Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpPending();
  }
  HWND List() const { return window_->Item(C::List2); }
  Lines Entries() const {
    Lines entries;
    for (size_t i = 0; i < drawings::Count(*window_); ++i) {
      entries.push_back(drawings::Entry(*window_, i));
    }
    return entries;
  }
  void Add(const Lines& entries) {
    for (const std::wstring& entry : entries) {
      SendMessageW(List(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
  }
  // The file dialogs answer from a script from the first call on.
  ScriptedDialogs& Scripted() {
    if (!dialogs_) {
      auto dialogs = std::make_unique<ScriptedDialogs>();
      dialogs_ = dialogs.get();
      window_->SetDialogBackend(std::move(dialogs));
    }
    return *dialogs_;
  }
  void Answer(DialogOutcome outcome, const std::wstring& result = {}) {
    Scripted().answers.push_back({outcome, result});
  }
  // Clicks `button`; `answers` drive the real dialogs it opens. Returns every dialog seen.
  std::vector<SeenDialog> Click(C button, std::vector<DialogAnswer> answers = {}) {
    return RunAnswering([&] { SendMessageW(window_->Item(button), BM_CLICK, 0, 0); },
                        std::move(answers));
  }

  std::unique_ptr<MainWindow> window_;
  ScriptedDialogs* dialogs_ = nullptr;
};

}  // namespace kavro::test
