#pragma once
// The real main window for the tests of its own actions: the file dialogs are the real ones until
// scripted, the message boxes are recorded, and a fresh folder is at hand.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "support/support.h"
#include "support/test_services.h"

namespace kavro::test {

class WindowFixture : public ::testing::Test {
 protected:
  using C = MainControl;
  void SetUp() override;

  HWND Main() const { return window_->Hwnd(); }
  HWND List() const { return window_->Item(C::List2); }
  Lines Entries() const { return ListBoxEntries(List()); }
  void Add(const Lines& entries);
  // Clicks `button` while `answers` drive the real dialogs it opens; every dialog seen, the
  // message boxes (which come last) included.
  std::vector<SeenDialog> Click(C button, std::vector<DialogAnswer> answers = {});
  // Clicks `button` with the file dialogs scripted (from the first call on) to answer `outcome`
  // with `path`; the message boxes shown, as "title|text".
  Lines Answered(C button, DialogOutcome outcome, const std::wstring& path = {});

  TestServices services_;
  std::unique_ptr<MainWindow> window_;
  std::wstring folder_;
};

}  // namespace kavro::test
