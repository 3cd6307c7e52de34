#include "run/parallel_run.h"

#include <gtest/gtest.h>

#include <set>

#include "run/page_rule.h"
#include "run_fakes.h"

namespace kavro::run {
namespace {

// Jobs that end when the test says: one per wait, the newest first unless told otherwise.
class FakeJobs final : public DrawingJobs {
 public:
  JobStart Start(size_t index, const std::wstring& drawing, const std::wstring& script) override {
    EXPECT_FALSE(scripts.count(index)) << "started twice: " << index;
    if (!prepared.empty() && prepared.back() == index) {
      EXPECT_EQ(preparedScript, script);
    }
    scripts[index] = script;
    drawings[index] = drawing;
    if (refused.count(index)) return {false, 53, L"找不到 accoreconsole.exe"};
    started.push_back(index);
    running.push_back(index);
    mostAtOnce = std::max(mostAtOnce, running.size());
    return {true, 0, {}};
  }

  std::vector<JobEnd> WaitForEnds() override {
    EXPECT_FALSE(running.empty()) << "waited with nothing running";
    EXPECT_FALSE(record && record->unflushed) << "a save waits for the disk across a wait";
    bool ending = onWait ? onWait(++waits) : true;
    if (!ending || running.empty()) return {};
    auto which = oldestFirst ? running.begin() : running.end() - 1;
    size_t index = *which;
    running.erase(which);
    if (failing.count(index)) return {{index, false, 1, L"; error: 无效的图纸", {}}};
    // Every job's output goes with it; one that printed an error line is judged by it.
    std::wstring output = L"Command: _.qsave\r\n";
    if (erring.count(index))
      output = L"Command: BOGUS\r\n未知命令“BOGUS”。按 F1 查看帮助。\r\n" + output;
    return {{index, true, 0, {}, DrawingHistory::Of(output)}};
  }

  void Prepare(size_t index, const std::wstring&, const std::wstring& script) override {
    prepared.push_back(index);
    preparedScript = script;
  }

  void EndAll() override {
    ++endAllCalls;
    running.clear();
  }

  std::map<size_t, std::wstring> scripts, drawings;
  std::vector<size_t> started, running, prepared;
  std::wstring preparedScript;
  size_t mostAtOnce = 0;
  std::set<size_t> failing, refused, erring;
  bool oldestFirst = false;
  // Called at the start of each wait; false: the wait returns no end (a cancel woke it).
  std::function<bool(int)> onWait;
  int waits = 0, endAllCalls = 0;
  const TraceRecord* record = nullptr;
};

// Drawings D:\图\0, D:\图\1, ... from page 41.
RunInputs Inputs(size_t count, std::wstring scriptTemplate = L"-text page") {
  RunInputs inputs{{}, std::move(scriptTemplate), L"41", true};
  for (size_t i = 0; i < count; ++i) inputs.drawings.push_back(L"D:\\图\\" + std::to_wstring(i));
  return inputs;
}

size_t Position(const Log& calls, const std::wstring& call) {
  auto found = std::find(calls.begin(), calls.end(), call);
  EXPECT_NE(found, calls.end()) << call;
  return static_cast<size_t>(found - calls.begin());
}

class ParallelRun : public ::testing::Test {
 protected:
  ParallelRun() {
    jobs.record = &record;
    options.drawingEnded = [this](const DrawingEnd& end) {
      // What is reported ended is on the disk as such.
      EXPECT_FALSE(record.unflushed);
      reported.push_back(end);
    };
  }
  // A cancel of `level` comes at the `wait`-th wait, which it wakes without an end when `wakes`.
  void CancelAt(int wait, CancelLevel level, bool wakes) {
    jobs.onWait = [=, this](int n) {
      if (n == wait) cancel = level;
      return !(wakes && n == wait);
    };
    options.cancel = [this] { return cancel; };
  }

  FakeJobs jobs;
  TraceRecord record;
  ParallelOptions options;
  std::vector<DrawingEnd> reported;
  CancelLevel cancel = CancelLevel::None;
};

TEST_F(ParallelRun, AtMostNAtOnceEachOnceWithThePageOfItsPlaceAndTheSaveCommand) {
  RunInputs inputs = Inputs(10);
  double clock = 0;
  options.jobs = 3;
  options.clockSeconds = [&] { return clock += 0.5; };
  ParallelSummary summary = RunInParallel(inputs, jobs, record, options);

  EXPECT_EQ(jobs.mostAtOnce, 3u);
  EXPECT_EQ(jobs.started, (std::vector<size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(jobs.prepared, (std::vector<size_t>{3, 4, 5, 6, 7, 8, 9}));  // each next one, once
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(jobs.scripts[i], L"-text " + std::to_wstring(41 + i) + L"\r\n_.qsave\r\n");
    EXPECT_EQ(jobs.drawings[i], inputs.drawings[i]);
    EXPECT_LT(Position(record.calls, L"B" + std::to_wstring(i)),
              Position(record.calls, L"S" + std::to_wstring(i)));
  }
  // The newest ends first: 2 ends before 0 and 1, yet every page follows the list.
  ASSERT_EQ(reported.size(), 10u);
  EXPECT_EQ(reported[0].index, 2u);
  for (size_t n = 0; n < reported.size(); ++n) {
    EXPECT_EQ(reported[n].ended, n + 1);
    EXPECT_EQ(reported[n].total, 10u);
    EXPECT_EQ(reported[n].page, PageOf(L"41", reported[n].index));
    EXPECT_GT(reported[n].seconds.value_or(0), 0);
  }
  EXPECT_LT(Position(record.calls, L"S2"), Position(record.calls, L"S0"));
  EXPECT_TRUE(record.savedLater);
  EXPECT_EQ(record.calls.front(), L"start10");
  EXPECT_EQ(record.calls.back(), L"E10");
  EXPECT_EQ(summary.saved, 10u);
  EXPECT_EQ(summary.failed + summary.notBegun, 0u);
  EXPECT_FALSE(summary.cancelled);
  ASSERT_EQ(summary.drawings.size(), 10u);
  EXPECT_EQ(summary.drawings[7].page, L"48");
  EXPECT_EQ(summary.drawings[7].result, DrawingResult::Done);
  // The save command comes on a line of its own, without a blank line.
  for (const wchar_t* ending : {L"\r\n", L"\n", L"\r"}) {
    EXPECT_EQ(ParallelScript(Inputs(1, std::wstring(L"zoom e") + ending), 0),
              std::wstring(L"zoom e") + ending + kSaveCommand);
  }
  EXPECT_EQ(ParallelScript(Inputs(1, L""), 0), L"\r\n_.qsave\r\n");
  EXPECT_EQ(ParallelScript(Inputs(3, L"PAGE page"), 2), L"43 43\r\n_.qsave\r\n");
  RunInputs named = Inputs(3, L"PAGE <acet:cFullFileName>");
  EXPECT_EQ(ParallelScript(named, 2), L"43 " + named.drawings[2] + L"\r\n_.qsave\r\n");
}

TEST_F(ParallelRun, FailuresAndScriptErrorsLeaveTheOthersRunning) {
  jobs.failing = {3};
  jobs.refused = {5};
  jobs.erring = {6};
  jobs.oldestFirst = true;
  options.jobs = 2;
  ParallelSummary summary = RunInParallel(Inputs(8), jobs, record, options);
  EXPECT_EQ(summary.saved, 5u);
  EXPECT_EQ(summary.scriptErrors, 1u);
  EXPECT_EQ(summary.drawings[6].result, DrawingResult::ScriptError);
  EXPECT_EQ(summary.drawings[6].errorText, L"第 2 行：未知命令“BOGUS”。按 F1 查看帮助。");
  EXPECT_LT(Position(record.calls, L"H6!"), Position(record.calls, L"S6"));
  EXPECT_EQ(summary.failed, 2u);
  EXPECT_EQ(summary.notBegun, 0u);
  EXPECT_EQ(jobs.started.size(), 7u);
  EXPECT_EQ(summary.drawings[3].errorText, L"; error: 无效的图纸");
  EXPECT_EQ(summary.drawings[5].errorNumber, 53);
  EXPECT_EQ(summary.drawings[5].result, DrawingResult::Failed);
  EXPECT_FALSE(summary.drawings[5].seconds);  // never ran
  EXPECT_LT(Position(record.calls, L"B5"), Position(record.calls, L"F5:53"));
  Position(record.calls, L"F3:1");
  EXPECT_EQ(record.calls.back(), L"E8");
}

TEST_F(ParallelRun, ACancelStartsNothingMoreAndLetsTheRunningFinish) {
  CancelAt(2, CancelLevel::Finish, false);
  options.jobs = 2;
  ParallelSummary summary = RunInParallel(Inputs(6), jobs, record, options);
  // 0 and 1 start; 1 ends and 2 starts; the cancel comes; 2 and 0 finish.
  EXPECT_EQ(jobs.started, (std::vector<size_t>{0, 1, 2}));
  EXPECT_EQ(jobs.prepared, (std::vector<size_t>{2, 3}));  // none after the cancel
  EXPECT_EQ(jobs.endAllCalls, 0);
  EXPECT_EQ(summary.saved, 3u);
  EXPECT_EQ(summary.notBegun, 3u);
  EXPECT_TRUE(summary.cancelled);
  EXPECT_EQ(summary.drawings[4].result, DrawingResult::Cancelled);
  EXPECT_EQ(record.calls.back(), L"E3c");
  Position(record.calls, L"S0");
}

TEST_F(ParallelRun, ASecondCancelEndsTheRunningOnesAsPossiblyModified) {
  CancelAt(2, CancelLevel::Force, true);  // the second Ctrl+C wakes the wait
  SinkTrace journal;
  RecorderParts parts;
  parts.journal = std::make_unique<MemorySink>(journal);
  RunRecorder recorder(std::move(parts));
  options.jobs = 3;
  RunInputs inputs = Inputs(6);
  ParallelSummary summary = RunInParallel(inputs, jobs, recorder, options);

  EXPECT_EQ(jobs.endAllCalls, 1);
  EXPECT_EQ(jobs.started, (std::vector<size_t>{0, 1, 2, 3}));
  EXPECT_EQ(summary.saved, 1u);
  EXPECT_EQ(summary.failed, 3u);
  EXPECT_EQ(summary.notBegun, 2u);
  ASSERT_EQ(reported.size(), 4u);
  for (size_t n = 1; n < 4; ++n) {
    EXPECT_TRUE(reported[n].possiblyModified);
    EXPECT_EQ(reported[n].errorNumber, kForcedEndNumber);
  }
  // The journal offers the forced ones again, with their pages, flagged.
  auto state = ReadJournal(journal.Bytes());
  ASSERT_TRUE(state);
  RetryPlan plan = RetrySelection(*state);
  EXPECT_EQ(plan.selection, (std::vector<size_t>{0, 1, 3, 4, 5}));
  EXPECT_EQ(plan.savedBefore, (std::vector<size_t>{2}));
  EXPECT_EQ(plan.possiblyModified, (std::vector<size_t>{0, 1, 3}));
  EXPECT_EQ(plan.inputs, inputs);
}

TEST_F(ParallelRun, ASelectionKeepsThePagesOfItsPlaces) {
  options.jobs = 4;
  ParallelSummary summary = RunInParallel(Inputs(6), {4, 1, 4}, jobs, record, options);
  EXPECT_EQ(jobs.started, (std::vector<size_t>{1, 4}));
  EXPECT_EQ(jobs.scripts[1], L"-text 42\r\n_.qsave\r\n");
  EXPECT_EQ(jobs.scripts[4], L"-text 45\r\n_.qsave\r\n");
  ASSERT_EQ(summary.drawings.size(), 2u);
  EXPECT_EQ(summary.drawings[1].page, L"45");
  EXPECT_EQ(summary.drawings[1].total, 2u);
  EXPECT_EQ(record.calls.back(), L"E6");
  EXPECT_THROW(RunInParallel(Inputs(6), {2, 6}, jobs, record, options), std::out_of_range);
}

}  // namespace
}  // namespace kavro::run
