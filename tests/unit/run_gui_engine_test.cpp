// The command line's gui engine: modify runs over stretches of a selection, each drawing with the
// page of its list position, reported in the list's positions to one record.
#include "run/gui_engine.h"

#include <gtest/gtest.h>

#include "run_fakes.h"

namespace kavro::run {
namespace {

class GuiEngine : public ::testing::Test {
 protected:
  GuiOutcome Run(const std::vector<size_t>& selection) {
    auto clock = [] { return std::wstring(L"10:00"); };
    auto stop = [this] { return stopAfter_ > 0 && ends_.size() >= stopAfter_; };
    auto ended = [this](const DrawingEnd& end) { ends_.push_back(end); };
    auto said = [this](const std::wstring& text) { cad_.messages.push_back(text); };
    GuiEngineParts parts{cad_, cad_, cad_, clock, {}, stop, ended, said};
    return RunOnGui(inputs_, selection, record_, parts);
  }
  size_t Connects() const { return std::count(cad_.log.begin(), cad_.log.end(), L"ConnectCad"); }

  RunInputs inputs_{
      {L"a.dwg", L"b.dwg", L"c.dwg", L"d.dwg", L"e.dwg", L"f.dwg"}, L"text page", L"10", true};
  Recorder cad_;
  TraceRecord record_;
  std::vector<DrawingEnd> ends_;
  size_t stopAfter_ = 0;
};

TEST_F(GuiEngine, EveryPositionIsOneModifyRunOverTheWholeList) {
  GuiOutcome outcome = Run({0, 1, 2, 3, 4, 5});
  EXPECT_TRUE(outcome.reachedAutoCad);
  EXPECT_EQ(Connects(), 1u);
  EXPECT_EQ(cad_.Args(L"Documents.Open"), inputs_.drawings);
  EXPECT_EQ(cad_.Args(L"Write"),
            (Log{L"text 10", L"text 11", L"text 12", L"text 13", L"text 14", L"text 15"}));
  EXPECT_EQ(outcome.summary.saved, 6u);
  ASSERT_EQ(ends_.size(), 6u);
  EXPECT_EQ(ends_[5].page, L"15");
  EXPECT_EQ(ends_[5].ended, 6u);
  EXPECT_EQ(record_.calls.front(), L"start6");
  EXPECT_EQ(record_.calls.back(), L"E6");
  EXPECT_TRUE(cad_.messages.empty());
}

TEST_F(GuiEngine, ScatteredPositionsKeepTheirPagesAndNamesAndReportInListPositions) {
  inputs_.scriptTemplate = L"text page <acet:cBaseName>";
  GuiOutcome outcome = Run({1, 2, 5});
  EXPECT_EQ(Connects(), 2u);  // two stretches: 1-2 and 5
  EXPECT_EQ(cad_.Args(L"Documents.Open"), (Log{L"b.dwg", L"c.dwg", L"f.dwg"}));
  EXPECT_EQ(cad_.Args(L"Write"), (Log{L"text 11 b", L"text 12 c", L"text 15 f"}));
  EXPECT_EQ(record_.calls, (Log{L"start6", L"B1", L"S1", L"B2", L"S2", L"B5", L"S5", L"E6"}));
  EXPECT_EQ(outcome.summary.saved, 3u);
  EXPECT_EQ(outcome.summary.drawings[2].index, 5u);
}

TEST_F(GuiEngine, AFailureEndsTheCommandAndTheRestAreNotBegun) {
  cad_.FailAt(L"Documents.Open", 2);
  GuiOutcome outcome = Run({0, 1, 3, 4});
  EXPECT_EQ(Connects(), 1u);
  EXPECT_EQ(outcome.summary.saved, 1u);
  EXPECT_EQ(outcome.summary.failed, 1u);
  EXPECT_EQ(outcome.summary.notBegun, 2u);
  EXPECT_EQ(outcome.summary.drawings[2].result, DrawingResult::NotBegun);
  EXPECT_EQ(record_.calls.back(), L"E3");
  EXPECT_EQ(cad_.messages.size(), 1u);  // the run's own message
}

TEST_F(GuiEngine, AStopBetweenStretchesCancelsTheRest) {
  stopAfter_ = 1;
  GuiOutcome outcome = Run({0, 2, 4});
  EXPECT_EQ(cad_.Args(L"Documents.Open"), (Log{L"a.dwg"}));
  EXPECT_TRUE(outcome.summary.cancelled);
  EXPECT_EQ(outcome.summary.drawings[1].result, DrawingResult::Cancelled);
  EXPECT_EQ(record_.calls.back(), L"E2c");
}

TEST_F(GuiEngine, NoAutoCadTouchesNothing) {
  cad_.connects = false;
  GuiOutcome outcome = Run({0, 1});
  EXPECT_FALSE(outcome.reachedAutoCad);
  EXPECT_TRUE(record_.calls.empty());
  EXPECT_EQ(cad_.messages, (Log{L"no AutoCAD"}));
}

}  // namespace
}  // namespace kavro::run
