// The command line's gui engine: modify runs over stretches of a selection, each drawing with the
// page of its list position, reported in the list's positions to one record.
#include "run/gui_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavro::run {
namespace {

using Texts = std::vector<std::wstring>;

// AutoCAD, the keyboard and the script file in one: what was opened and what each script said.
class FakeCad : public CadConnector, public CadApplication, public Keystrokes, public ScriptFile {
 public:
  Texts opened, scripts;
  int connects = 0;
  bool available = true;
  size_t failOpenAt = 0;  // the k-th open (1-based) fails

  CadApplication* ConnectCad(std::wstring& failure) override {
    ++connects;
    if (!available) failure = L"no AutoCAD";
    return available ? this : nullptr;
  }
  std::wstring Caption() override { return L"AutoCAD"; }
  std::wstring FullName() override { return L"C:\\ACAD\\acad.exe"; }
  void DocumentsAdd(const std::wstring&) override {}
  void DocumentsOpen(const std::wstring& path) override {
    opened.push_back(path);
    if (opened.size() == failOpenAt) throw RunFailure(-1, L"cannot open " + path);
  }
  void ActiveDocumentOpen(const std::wstring& path) override { DocumentsOpen(path); }
  void SendCommand(const std::wstring&) override {}
  void ActiveDocumentCloseSaving() override {}
  void WaitUntilQuiescent() override {}
  bool StillAnswers() override { return true; }
  std::wstring Version() override { return L"15.0"; }
  std::wstring GetVariable(const std::wstring&) override { return L"0"; }
  void SetVariable(const std::wstring&, const std::wstring&) override {}
  std::optional<std::wstring> AfterFailure() override { return std::nullopt; }
  void ActivateWindow(const std::wstring&) override {}
  void Type(const std::wstring&) override {}
  void TypeScriptCommand(const std::wstring&) override {}
  std::wstring ScriptPath() override { return L"C:\\Kavro\\kavro.scr"; }
  std::optional<size_t> FirstUnwritable(std::wstring_view) override { return std::nullopt; }
  void Write(const std::wstring&, const std::wstring& text) override { scripts.push_back(text); }
};

class TraceRecord : public RunRecord {
 public:
  Texts events;
  void Started(const RunInputs& inputs) override {
    events.push_back(L"started " + std::to_wstring(inputs.drawings.size()));
  }
  void Begun(size_t i) override { events.push_back(L"begun " + std::to_wstring(i)); }
  void Saved(size_t i) override { events.push_back(L"saved " + std::to_wstring(i)); }
  void Failed(size_t i, long, const std::wstring&) override {
    events.push_back(L"failed " + std::to_wstring(i));
  }
  void Ended(size_t from, bool cancelled) override {
    events.push_back(L"ended " + std::to_wstring(from) + (cancelled ? L" cancelled" : L""));
  }
  std::wstring LogPath() const override { return {}; }
};

class GuiEngine : public ::testing::Test {
 protected:
  GuiOutcome Run(const std::vector<size_t>& selection) {
    GuiEngineParts parts{cad_,
                         cad_,
                         cad_,
                         [] { return std::wstring(L"10:00"); },
                         {},
                         [this] { return stopAfter_ > 0 && ends_.size() >= stopAfter_; },
                         [this](const DrawingEnd& end) { ends_.push_back(end); },
                         [this](const std::wstring& text) { messages_.push_back(text); }};
    return RunOnGui(inputs_, selection, record_, parts);
  }

  RunInputs inputs_{
      {L"a.dwg", L"b.dwg", L"c.dwg", L"d.dwg", L"e.dwg", L"f.dwg"}, L"text page", L"10", true};
  FakeCad cad_;
  TraceRecord record_;
  std::vector<DrawingEnd> ends_;
  Texts messages_;
  size_t stopAfter_ = 0;
};

TEST_F(GuiEngine, EveryPositionIsOneModifyRunOverTheWholeList) {
  GuiOutcome outcome = Run({0, 1, 2, 3, 4, 5});
  EXPECT_TRUE(outcome.reachedAutoCad);
  EXPECT_EQ(cad_.connects, 1);
  EXPECT_EQ(cad_.opened, inputs_.drawings);
  EXPECT_EQ(cad_.scripts,
            (Texts{L"text 10", L"text 11", L"text 12", L"text 13", L"text 14", L"text 15"}));
  EXPECT_EQ(outcome.summary.saved, 6u);
  ASSERT_EQ(ends_.size(), 6u);
  EXPECT_EQ(ends_[5].page, L"15");
  EXPECT_EQ(ends_[5].ended, 6u);
  EXPECT_EQ(record_.events.front(), L"started 6");
  EXPECT_EQ(record_.events.back(), L"ended 6");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(GuiEngine, ScatteredPositionsKeepTheirPagesAndNamesAndReportInListPositions) {
  inputs_.scriptTemplate = L"text page <acet:cBaseName>";
  GuiOutcome outcome = Run({1, 2, 5});
  EXPECT_EQ(cad_.connects, 2);  // two stretches: 1-2 and 5
  EXPECT_EQ(cad_.opened, (Texts{L"b.dwg", L"c.dwg", L"f.dwg"}));
  EXPECT_EQ(cad_.scripts, (Texts{L"text 11 b", L"text 12 c", L"text 15 f"}));
  EXPECT_EQ(record_.events, (Texts{L"started 6", L"begun 1", L"saved 1", L"begun 2", L"saved 2",
                                   L"begun 5", L"saved 5", L"ended 6"}));
  EXPECT_EQ(outcome.summary.saved, 3u);
  EXPECT_EQ(outcome.summary.drawings[2].index, 5u);
}

TEST_F(GuiEngine, AFailureEndsTheCommandAndTheRestAreNotBegun) {
  cad_.failOpenAt = 2;
  GuiOutcome outcome = Run({0, 1, 3, 4});
  EXPECT_EQ(cad_.connects, 1);
  EXPECT_EQ(outcome.summary.saved, 1u);
  EXPECT_EQ(outcome.summary.failed, 1u);
  EXPECT_EQ(outcome.summary.notBegun, 2u);
  EXPECT_EQ(outcome.summary.drawings[2].result, DrawingResult::NotBegun);
  EXPECT_EQ(record_.events.back(), L"ended 3");
  ASSERT_EQ(messages_.size(), 1u);  // the run's own message
}

TEST_F(GuiEngine, AStopBetweenStretchesCancelsTheRest) {
  stopAfter_ = 1;
  GuiOutcome outcome = Run({0, 2, 4});
  EXPECT_EQ(cad_.opened, (Texts{L"a.dwg"}));
  EXPECT_TRUE(outcome.summary.cancelled);
  EXPECT_EQ(outcome.summary.drawings[1].result, DrawingResult::Cancelled);
  EXPECT_EQ(record_.events.back(), L"ended 2 cancelled");
}

TEST_F(GuiEngine, NoAutoCadTouchesNothing) {
  cad_.available = false;
  GuiOutcome outcome = Run({0, 1});
  EXPECT_FALSE(outcome.reachedAutoCad);
  EXPECT_TRUE(record_.events.empty());
  EXPECT_EQ(messages_, (Texts{L"no AutoCAD"}));
}

}  // namespace
}  // namespace kavro::run
