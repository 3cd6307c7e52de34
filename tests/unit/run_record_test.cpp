#include "record/recorder.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "record/run_log.h"

namespace kavro::run {
namespace {

// What a sink was given; it can be told to fail at its n-th append.
struct SinkTrace {
  std::vector<std::string> appends;
  bool finished = false;
  bool kept = false;  // for a retry
  int failAt = 0;     // 0: never
  bool failFinish = false;
  std::string Bytes() const {
    std::string all;
    for (const std::string& bytes : appends) all += bytes;
    return all;
  }
};

class MemorySink final : public RecordSink {
 public:
  explicit MemorySink(SinkTrace& trace) : trace_(trace) {}
  void Append(std::string_view bytes) override {
    if (static_cast<int>(trace_.appends.size()) + 1 == trace_.failAt) {
      throw std::runtime_error("disk full");
    }
    trace_.appends.emplace_back(bytes);
  }
  void KeepForRetry() override { trace_.kept = true; }
  void Finish() override {
    trace_.finished = true;
    if (trace_.failFinish) throw std::runtime_error("cannot close");
  }

 private:
  SinkTrace& trace_;
};

const RunInputs kInputs{
    {L" C:\\图\\a.dwg", L"b.dwg", L"c,d.dwg", L"e.dwg"}, L"-text page", L"5", true};

class RecorderTest : public ::testing::Test {
 protected:
  std::unique_ptr<RunRecorder> MakeRecorder(RunKind kind = RunKind::Modify, bool journal = true) {
    RecorderParts parts;
    parts.kind = kind;
    if (journal) parts.journal = std::make_unique<MemorySink>(journal_);
    parts.log = std::make_unique<MemorySink>(log_);
    parts.logPath = L"C:\\logs\\Kavro-20261207-090502.csv";
    parts.timeOfDay = [this] { return L"9:00:0" + std::to_wstring(ticks_++); };
    parts.clockSeconds = [this] { return (clock_ += 1.5); };
    return std::make_unique<RunRecorder>(std::move(parts));
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

TEST_F(RecorderTest, ACompleteRun) {
  auto recorder = MakeRecorder();
  recorder->Started(kInputs);
  for (size_t i = 0; i < 4; ++i) {
    recorder->Begun(i);
    recorder->Saved(i);
  }
  recorder->Ended(4, false);
  std::vector<std::string> records{InputsRecords(kInputs)};
  for (size_t i = 0; i < 4; ++i) {
    records.push_back(BegunRecord(i));
    records.push_back(SavedRecord(i));
  }
  records.push_back(EndedRecord());
  EXPECT_EQ(journal_.appends, records);
  EXPECT_TRUE(journal_.finished);
  EXPECT_FALSE(journal_.kept);
  EXPECT_EQ(log_.appends,
            (std::vector<std::string>{
                LogHeaderBytes(),
                Row(L"5", kInputs.drawings[0], DrawingResult::Done, L"9:00:00", L"9:00:01", 1.5),
                Row(L"6", L"b.dwg", DrawingResult::Done, L"9:00:02", L"9:00:03", 1.5),
                Row(L"7", L"c,d.dwg", DrawingResult::Done, L"9:00:04", L"9:00:05", 1.5),
                Row(L"8", L"e.dwg", DrawingResult::Done, L"9:00:06", L"9:00:07", 1.5)}));
  EXPECT_TRUE(log_.finished);
  EXPECT_EQ(recorder->LogPath(), L"C:\\logs\\Kavro-20261207-090502.csv");
}

TEST_F(RecorderTest, AFailureAtTheSecondOfFour) {
  auto recorder = MakeRecorder();
  recorder->Started(kInputs);
  recorder->Begun(0);
  recorder->Saved(0);
  recorder->Begun(1);
  recorder->Failed(1, -2147352567L, L"打不开");
  recorder->Ended(2, false);
  EXPECT_EQ(journal_.Bytes(), InputsRecords(kInputs) + BegunRecord(0) + SavedRecord(0) +
                                  BegunRecord(1) + EndedRecord());
  ASSERT_EQ(log_.appends.size(), 5u);
  EXPECT_EQ(log_.appends[2], Row(L"6", L"b.dwg", DrawingResult::Failed, L"9:00:02", L"9:00:03", 1.5,
                                 -2147352567L, L"打不开"));
  EXPECT_EQ(log_.appends[3], Row(L"7", L"c,d.dwg", DrawingResult::NotBegun));
  EXPECT_EQ(log_.appends[4], Row(L"8", L"e.dwg", DrawingResult::NotBegun));
  EXPECT_TRUE(journal_.kept);
}

TEST_F(RecorderTest, ACancelAfterTheSecondOfFour) {
  auto recorder = MakeRecorder();
  recorder->Started(kInputs);
  for (size_t i = 0; i < 2; ++i) {
    recorder->Begun(i);
    recorder->Saved(i);
  }
  recorder->Ended(2, true);
  ASSERT_EQ(log_.appends.size(), 5u);
  EXPECT_EQ(log_.appends[3], Row(L"7", L"c,d.dwg", DrawingResult::Cancelled));
  EXPECT_EQ(log_.appends[4], Row(L"8", L"e.dwg", DrawingResult::Cancelled));
  EXPECT_TRUE(journal_.finished);
}

TEST_F(RecorderTest, FailuresOutsideADrawing) {
  auto recorder = MakeRecorder();
  recorder->Started(kInputs);
  recorder->Failed(4, 5, L"after the last");  // not a drawing of the list: no row
  recorder->Failed(0, 5, L"before opening");  // while on it, not yet begun: a row
  recorder->Ended(1, false);
  ASSERT_EQ(log_.appends.size(), 5u);
  EXPECT_EQ(log_.appends[1], Row(L"5", kInputs.drawings[0], DrawingResult::Failed, L"", L"9:00:00",
                                 std::nullopt, 5L, L"before opening"));
  EXPECT_EQ(log_.appends[2], Row(L"6", L"b.dwg", DrawingResult::NotBegun));
}

TEST_F(RecorderTest, APreview) {
  auto recorder = MakeRecorder(RunKind::Preview, false);
  recorder->Started({{L"a.dwg"}, L"page", L"3", true});
  recorder->Begun(0);
  recorder->Saved(0);
  recorder->Ended(1, false);
  EXPECT_EQ(log_.appends, (std::vector<std::string>{LogHeaderBytes(),
                                                    Row(L"3", L"a.dwg", DrawingResult::Previewed,
                                                        L"9:00:00", L"9:00:01", 1.5)}));
}

TEST_F(RecorderTest, CallsOutOfTurnAreIgnored) {
  auto recorder = MakeRecorder();
  recorder->Begun(0);  // before Started
  recorder->Started(kInputs);
  recorder->Started({{L"x.dwg"}, L"", L"", true});
  recorder->Ended(0, true);
  recorder->Begun(0);
  recorder->Saved(0);
  recorder->Ended(0, false);
  EXPECT_EQ(journal_.Bytes(), InputsRecords(kInputs) + EndedRecord());
  EXPECT_EQ(log_.appends.size(), 5u);
}

// A journal that cannot be written is closed (and so deleted): a journal stopped part way
// would later offer drawings that were saved after it stopped.
TEST_F(RecorderTest, AFailingSinkIsDroppedAndTheOtherGoesOn) {
  journal_.failAt = 2;
  auto recorder = MakeRecorder();
  recorder->Started(kInputs);
  recorder->Begun(0);
  EXPECT_TRUE(journal_.finished);
  recorder->Saved(0);
  recorder->Ended(1, false);
  EXPECT_EQ(journal_.appends.size(), 1u);
  EXPECT_EQ(log_.appends.size(), 5u);
  EXPECT_TRUE(log_.finished);

  journal_ = {}, log_ = {};
  log_.failAt = 2;
  recorder = MakeRecorder();
  recorder->Started(kInputs);
  recorder->Begun(0);
  recorder->Saved(0);
  recorder->Ended(1, false);
  EXPECT_EQ(journal_.appends.size(), 4u);
  EXPECT_EQ(log_.appends.size(), 1u);
  EXPECT_FALSE(recorder->LogPath().empty());  // the file exists, with its header

  journal_ = {}, log_ = {};
  journal_.failFinish = log_.failFinish = true;
  recorder = MakeRecorder();
  recorder->Started(kInputs);
  EXPECT_NO_THROW(recorder->Ended(0, false));

  journal_ = {}, log_ = {};
  log_.failAt = 1;
  recorder = MakeRecorder();
  recorder->Started(kInputs);
  EXPECT_EQ(recorder->LogPath(), L"");
}

TEST_F(RecorderTest, TheJournalReadsBackAtEveryStage) {
  auto recorder = MakeRecorder();
  auto offer = [&] { return ResumeOf(ReadJournal(journal_.Bytes()).value()); };
  recorder->Started(kInputs);
  EXPECT_EQ(offer()->restored, kInputs);
  EXPECT_FALSE(offer()->possiblyModified);
  recorder->Begun(0);
  EXPECT_EQ(offer()->restored, kInputs);
  EXPECT_EQ(offer()->possiblyModified, L"C:\\图\\a.dwg");
  recorder->Saved(0);
  EXPECT_EQ(offer()->saved, 1u);
  EXPECT_EQ(offer()->restored.startPage, L"6");
  EXPECT_FALSE(offer()->possiblyModified);
  recorder->Begun(1);
  EXPECT_EQ(offer()->possiblyModifiedPage, L"6");
  recorder->Saved(1);
  EXPECT_EQ(offer()->restored.drawings, (std::vector<std::wstring>{L"c,d.dwg", L"e.dwg"}));
  recorder->Ended(2, true);
  EXPECT_FALSE(offer());
}

// Drawings under way at once end in any order: each row still has its own page and times.
TEST_F(RecorderTest, DrawingsThatOverlapAndEndOutOfOrder) {
  auto recorder = MakeRecorder();
  recorder->Started(kInputs);
  recorder->Begun(0);               // 9:00:00, clock 1.5
  recorder->Begun(1);               // 9:00:01, clock 3
  recorder->Begun(2);               // 9:00:02, clock 4.5
  recorder->Failed(1, 7, L"坏了");  // 9:00:03, clock 6
  recorder->Saved(2);               // 9:00:04, clock 7.5
  recorder->Saved(0);               // 9:00:05, clock 9
  recorder->Ended(3, true);
  EXPECT_EQ(
      log_.appends,
      (std::vector<std::string>{
          LogHeaderBytes(),
          Row(L"6", L"b.dwg", DrawingResult::Failed, L"9:00:01", L"9:00:03", 3.0, 7L, L"坏了"),
          Row(L"7", L"c,d.dwg", DrawingResult::Done, L"9:00:02", L"9:00:04", 3.0),
          Row(L"5", kInputs.drawings[0], DrawingResult::Done, L"9:00:00", L"9:00:05", 7.5),
          Row(L"8", L"e.dwg", DrawingResult::Cancelled)}));
  auto state = ReadJournal(journal_.Bytes());
  ASSERT_TRUE(state);
  EXPECT_EQ(state->saved, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(state->begun, (std::vector<bool>{true, true, true, false}));
}

// A retry: what an earlier run saved is journalled saved at once and gets no row.
TEST_F(RecorderTest, ARetryCountsTheEarlierSavedOnes) {
  RecorderParts parts;
  parts.journal = std::make_unique<MemorySink>(journal_);
  parts.log = std::make_unique<MemorySink>(log_);
  parts.savedBefore = {0, 2, 99};
  RunRecorder recorder(std::move(parts));
  recorder.Started(kInputs);
  recorder.Saved(0);  // not this run's: ignored
  recorder.Begun(1);
  recorder.Saved(1);
  recorder.Ended(3, true);
  EXPECT_EQ(journal_.appends[0], InputsRecords(kInputs) + SavedRecord(0) + SavedRecord(2));
  ASSERT_EQ(log_.appends.size(), 3u);
  EXPECT_EQ(log_.appends[2], Row(L"8", L"e.dwg", DrawingResult::Cancelled));
  EXPECT_TRUE(journal_.kept);  // 3 is left
}

TEST_F(RecorderTest, ARetryThatSavesTheRestLeavesNothingToKeep) {
  RecorderParts parts;
  parts.journal = std::make_unique<MemorySink>(journal_);
  parts.savedBefore = {0, 2, 3};
  RunRecorder recorder(std::move(parts));
  recorder.Started(kInputs);
  recorder.Begun(1);
  recorder.Saved(1);
  recorder.Ended(4, false);
  EXPECT_TRUE(journal_.finished);
  EXPECT_FALSE(journal_.kept);
}

}  // namespace
}  // namespace kavro::run
