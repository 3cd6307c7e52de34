#include "record/recorder.h"

#include <gtest/gtest.h>

#include "record/run_log.h"
#include "run_fakes.h"

namespace kavro::run {
namespace {

using Bytes = std::vector<std::string>;
const RunInputs kInputs{
    {L" C:\\图\\a.dwg", L"b.dwg", L"c,d.dwg", L"e.dwg"}, L"-text page", L"5", true};

// A recorder of a modify run over kInputs (with a journal, unless told otherwise), whose clock
// ticks a second (1.5 on the steady clock) at each call.
class RecorderTest : public ::testing::Test {
 protected:
  std::unique_ptr<RunRecorder> Make(RunKind kind = RunKind::Modify, bool journal = true,
                                    std::vector<size_t> savedBefore = {},
                                    const RunInputs& inputs = kInputs) {
    RecorderParts parts;
    parts.kind = kind;
    if (journal) parts.journal = std::make_unique<MemorySink>(journal_);
    parts.log = std::make_unique<MemorySink>(log_);
    parts.logPath = L"C:\\logs\\Kavro-20261207-090502.csv";
    parts.timeOfDay = [this] { return L"9:00:0" + std::to_wstring(ticks_++); };
    parts.clockSeconds = [this] { return (clock_ += 1.5); };
    parts.savedBefore = std::move(savedBefore);
    auto recorder = std::make_unique<RunRecorder>(std::move(parts));
    recorder->Started(inputs);
    return recorder;
  }
  // Drawings `from` to `to` begun and saved.
  static void Save(RunRecorder& recorder, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      recorder.Begun(i);
      recorder.Saved(i);
    }
  }

  // The journal of drawings 0 to n-1 begun and saved, then the end.
  static Bytes Records(size_t n) {
    Bytes records{InputsRecords(kInputs)};
    for (size_t i = 0; i < n; ++i) records.insert(records.end(), {BegunRecord(i), SavedRecord(i)});
    records.push_back(EndedRecord());
    return records;
  }

  static std::string Row(const wchar_t* page, const std::wstring& drawing, DrawingResult result,
                         const wchar_t* start = L"", const wchar_t* end = L"",
                         std::optional<double> seconds = std::nullopt,
                         std::optional<long> number = std::nullopt,
                         const wchar_t* description = L"") {
    return LogRowBytes({page, drawing, result, start, end, seconds, number, description});
  }

  SinkTrace journal_, log_;
  int ticks_ = 0;
  double clock_ = 0;
};

// The rows of the drawings not begun say why: a failure, or a cancel. Either way the journal is
// kept for a retry.
TEST_F(RecorderTest, AFailureOrACancelAfterTheFirstOfFour) {
  for (bool cancelled : {false, true}) {
    journal_ = {}, log_ = {}, ticks_ = 0, clock_ = 0;
    auto recorder = Make();
    Save(*recorder, 0, 1);
    recorder->Begun(1);
    if (cancelled) recorder->Saved(1);
    if (!cancelled) recorder->Failed(1, -2147352567L, L"打不开");
    recorder->Ended(2, cancelled);
    EXPECT_EQ(journal_.Bytes(), InputsRecords(kInputs) + BegunRecord(0) + SavedRecord(0) +
                                    BegunRecord(1) + (cancelled ? SavedRecord(1) : "") +
                                    EndedRecord());
    DrawingResult rest = cancelled ? DrawingResult::Cancelled : DrawingResult::NotBegun;
    EXPECT_EQ(
        Bytes(log_.appends.begin() + 2, log_.appends.end()),
        (Bytes{cancelled ? Row(L"6", L"b.dwg", DrawingResult::Done, L"9:00:02", L"9:00:03", 1.5)
                         : Row(L"6", L"b.dwg", DrawingResult::Failed, L"9:00:02", L"9:00:03", 1.5,
                               -2147352567L, L"打不开"),
               Row(L"7", L"c,d.dwg", rest), Row(L"8", L"e.dwg", rest)}));
    EXPECT_TRUE(journal_.kept && journal_.finished);
  }
}

TEST_F(RecorderTest, FailuresOutsideADrawing) {
  auto recorder = Make();
  recorder->Failed(4, 5, L"after the last");  // not a drawing of the list: no row
  recorder->Failed(0, 5, L"before opening");  // while on it, not yet begun: a row
  recorder->Ended(1, false);
  ASSERT_EQ(log_.appends.size(), 5u);
  EXPECT_EQ(log_.appends[1], Row(L"5", kInputs.drawings[0], DrawingResult::Failed, L"", L"9:00:00",
                                 std::nullopt, 5L, L"before opening"));
  EXPECT_EQ(log_.appends[2], Row(L"6", L"b.dwg", DrawingResult::NotBegun));
}

TEST_F(RecorderTest, APreviewAndCallsOutOfTurn) {
  auto preview = Make(RunKind::Preview, false, {}, {{L"a.dwg"}, L"page", L"3", true});
  preview->Started(kInputs);  // started already: ignored
  Save(*preview, 0, 1);
  preview->Ended(1, false);
  Save(*preview, 0, 1);  // ended already: ignored
  preview->Ended(0, true);
  EXPECT_EQ(log_.appends, (Bytes{LogHeaderBytes(), Row(L"3", L"a.dwg", DrawingResult::Previewed,
                                                       L"9:00:00", L"9:00:01", 1.5)}));
}

// A journal that cannot be written is closed (and so deleted): a journal stopped part way
// would later offer drawings that were saved after it stopped. A log that cannot be written
// goes; a log without even its header has no path to name.
TEST_F(RecorderTest, AFailingSinkIsDroppedAndTheOtherGoesOn) {
  struct Case {
    int journalFailAt, logFailAt;
    size_t journalAppends, logAppends;
    bool logNamed;
  };
  for (const Case& c : {Case{2, 0, 1, 5, true}, Case{0, 2, 4, 1, true}, Case{0, 1, 4, 0, false}}) {
    SCOPED_TRACE(testing::Message() << c.journalFailAt << " " << c.logFailAt);
    journal_ = {}, log_ = {};
    journal_.failAt = c.journalFailAt;
    log_.failAt = c.logFailAt;
    auto recorder = Make();
    recorder->Begun(0);
    EXPECT_EQ(journal_.finished, c.journalFailAt > 0);
    recorder->Saved(0);
    EXPECT_EQ(recorder->LogPath().empty(), !c.logNamed);
    recorder->Ended(1, false);
    EXPECT_EQ(journal_.appends.size(), c.journalAppends);
    EXPECT_EQ(log_.appends.size(), c.logAppends);
  }
  journal_ = {}, log_ = {};
  journal_.failFinish = log_.failFinish = true;
  EXPECT_NO_THROW(Make()->Ended(0, false));
}

// Drawings under way at once end in any order: each row still has its own page and times.
TEST_F(RecorderTest, DrawingsThatOverlapAndEndOutOfOrder) {
  auto recorder = Make();
  EXPECT_EQ(recorder->LogPath(), L"C:\\logs\\Kavro-20261207-090502.csv");
  recorder->Begun(0);               // 9:00:00, clock 1.5
  recorder->Begun(1);               // 9:00:01, clock 3
  recorder->Begun(2);               // 9:00:02, clock 4.5
  recorder->Failed(1, 7, L"坏了");  // 9:00:03, clock 6
  recorder->Saved(2);               // 9:00:04, clock 7.5
  recorder->Saved(0);               // 9:00:05, clock 9
  recorder->Ended(3, true);
  EXPECT_EQ(
      log_.appends,
      (Bytes{LogHeaderBytes(),
             Row(L"6", L"b.dwg", DrawingResult::Failed, L"9:00:01", L"9:00:03", 3.0, 7L, L"坏了"),
             Row(L"7", L"c,d.dwg", DrawingResult::Done, L"9:00:02", L"9:00:04", 3.0),
             Row(L"5", kInputs.drawings[0], DrawingResult::Done, L"9:00:00", L"9:00:05", 7.5),
             Row(L"8", L"e.dwg", DrawingResult::Cancelled)}));
  auto state = ReadJournal(journal_.Bytes());
  ASSERT_TRUE(state);
  EXPECT_EQ(state->saved, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(state->begun, (std::vector<bool>{true, true, true, false}));
}

// Told so, a saved record reaches the disk with the next record that must (a begun one, the end)
// or at a Settle; a journal whose flush fails is dropped as one whose append fails.
TEST_F(RecorderTest, SavedRecordsMayWaitForTheNextDurableOne) {
  auto recorder = Make();
  recorder->FlushSavedLater();
  auto waiting = [this] { return journal_.appends.size() - journal_.durable; };
  Save(*recorder, 0, 1);
  EXPECT_EQ(waiting(), 1u);
  recorder->Begun(1);
  EXPECT_EQ(waiting(), 0u);
  recorder->Saved(1);
  recorder->Settle();
  EXPECT_EQ(waiting(), 0u);
  Save(*recorder, 2, 3);
  recorder->Ended(3, false);
  EXPECT_EQ(waiting(), 0u);
  EXPECT_EQ(journal_.appends, Records(3));
  EXPECT_EQ(log_.appends.size(), 5u);
  EXPECT_TRUE(log_.finished);

  SinkTrace failing;
  RecorderParts parts;
  parts.journal = std::make_unique<MemorySink>(failing);
  RunRecorder dropped(std::move(parts));
  dropped.FlushSavedLater();
  dropped.Started(kInputs);
  Save(dropped, 0, 1);
  failing.failFlush = true;
  dropped.Settle();
  EXPECT_TRUE(failing.finished);
  size_t appended = failing.appends.size();
  Save(dropped, 1, 2);
  EXPECT_EQ(failing.appends.size(), appended);
}

// A retry: what an earlier run saved is journalled saved at once and gets no row. The journal is
// kept while drawings are left.
TEST_F(RecorderTest, ARetryCountsTheEarlierSavedOnes) {
  auto recorder = Make(RunKind::Modify, true, {0, 2, 99});
  recorder->Saved(0);  // not this run's: ignored
  Save(*recorder, 1, 2);
  recorder->Ended(3, true);
  EXPECT_EQ(journal_.appends[0], InputsRecords(kInputs) + SavedRecord(0) + SavedRecord(2));
  EXPECT_EQ(log_.appends.size(), 3u);
  EXPECT_EQ(log_.appends[2], Row(L"8", L"e.dwg", DrawingResult::Cancelled));
  EXPECT_TRUE(journal_.kept);  // 3 is left

  journal_ = {};
  recorder = Make(RunKind::Modify, true, {0, 2, 3});
  Save(*recorder, 1, 2);
  recorder->Ended(4, false);
  EXPECT_TRUE(journal_.finished);
  EXPECT_FALSE(journal_.kept);
}

}  // namespace
}  // namespace kavro::run
