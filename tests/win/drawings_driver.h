#pragma once
// The real main window for the drawing list tests: the list's entries, clicks that collect the
// messages shown, and the file dialogs scripted or, untouched, the real ones.
#include <windows.h>
#include <gtest/gtest.h>

#include "app/main_window_win.h"
#include "drawings/list_box_win.h"
#include "support/support.h"
#include "support/test_services.h"

namespace kavro::test {

using Lines = std::vector<std::wstring>;

class DrawingWindowTest : public ::testing::Test {
 protected:
  using C = MainControl;
  void SetUp() override {
    window_ = MainWindow::Create(services_.Get());
    window_->Show();
    SetWindowPos(window_->Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpPending();
  }
  HWND List() const { return window_->Item(C::List2); }
  Lines Entries() const {
    Lines entries;
    drawings::DrawingListBox list(List());
    for (size_t i = 0; i < list.Count(); ++i) {
      entries.push_back(list.At(i));
    }
    return entries;
  }
  void Add(const Lines& entries) {
    for (const std::wstring& entry : entries) {
      SendMessageW(List(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
  }
  // The file dialogs answer from a script from the first call on.
  ScriptedDialogs& Scripted() { return services_.Scripted(); }
  void Answer(DialogOutcome outcome, const std::wstring& result = {}) {
    Scripted().answers.push_back({outcome, result});
  }
  // Clicks `button`; `answers` drive the real dialogs it opens. Returns every dialog seen, the
  // message boxes (which come last) included.
  std::vector<SeenDialog> Click(C button, std::vector<DialogAnswer> answers = {}) {
    size_t shown = services_.messages->shown.size();
    std::vector<SeenDialog> seen =
        RunAnswering([&] { window_->Click(button); }, std::move(answers));
    for (size_t i = shown; i < services_.messages->shown.size(); ++i) {
      seen.push_back({services_.messages->shown[i].title, services_.messages->shown[i].text});
    }
    return seen;
  }

  TestServices services_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace kavro::test
