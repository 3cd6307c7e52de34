#pragma once
// The main window set up for runs against the stand-in AutoCAD: short time limits, the script
// and the drawings in fresh folders, messages recorded instead of shown. Shared by the run tests
// and the run benchmark.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "support/standin.h"
#include "support/support.h"
#include "support/test_services.h"

namespace kavro::test {

// What a fresh drawing file holds.
inline constexpr char kDrawing[] = "drawing\r\n";

// A new folder as awkward to type as a user's: a short-name "~", key-code characters, Chinese.
std::wstring AwkwardFolder(const std::wstring& name);

// The log line of SendCommand(`command`), and the calls of a whole modify run (R2000) over
// `paths` with the script file `script`, against a stand-in that keeps command histories or,
// without `history`, refuses LOGFILEMODE.
std::wstring Sent(const std::wstring& command);
Lines ModifyCalls(const Lines& paths, const std::wstring& script, bool history = true);
// What an R2000 run puts back after `filedia 1`.
Lines PutBack(bool history = true);

class RunFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The program anew (services and main window), its script file going to `programFolder`.
  void Open(const std::wstring& programFolder, bool keepRecords = true);
  void StartStandin(const StandinOptions& options = {});
  // Drawing files <prefix>a.dwg, <prefix>b.dwg, ... added to the list; their paths.
  Lines AddDrawings(int count, const std::wstring& prefix = L"");
  Lines ListEntries() const { return ListBoxEntries(window_->Item(MainControl::List2)); }
  std::wstring ScriptPath() const;
  run::RunLimits& Limits() { return services_->Get().runLimits; }
  run::ProgressWindow* Form3() const { return window_->Runs().Form3(); }
  bool Form3Closed() const;  // waits for it
  bool MainShownAndEnabled() const;
  // The texts of the message boxes shown so far.
  Lines Messages() const;
  // The run log (its .csv, when there is one) and its rows after the header: page, result and
  // error number of each; the journals left.
  std::wstring LogPath() const;
  std::vector<Lines> LogRows() const;
  Lines Journals() const;
  // The run stopped with one message naming `named` and saying `says`, left `listed` in the
  // list and gave the main window back.
  void ExpectStopped(const std::wstring& named, const Lines& listed,
                     const std::wstring& says = L"") const;

  std::unique_ptr<TestServices> services_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<Standin> standin_;
  std::wstring folder_;
};

}  // namespace kavro::test
