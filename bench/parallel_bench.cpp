// Figures for kavro.com's side of a long run (scripts/bench.sh parallel): the scheduler's own time
// per drawing with jobs that end at once, and the time to write each drawing's line for a pipe.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

#include "cli/console_text.h"
#include "run/parallel_run.h"
#include "record_bench_support.h"
#include "record/recorder.h"

namespace kavro::run {
namespace {

constexpr size_t kDrawings = 10000;

// Jobs that end as soon as they are waited for, the oldest first.
class InstantJobs final : public DrawingJobs {
 public:
  JobStart Start(size_t index, const std::wstring&, const std::wstring& script) override {
    scriptChars += script.size();
    running.push_back(index);
    return {true, 0, {}};
  }
  std::vector<JobEnd> WaitForEnds() override {
    std::vector<JobEnd> ends{{running.front(), true, 0, {}}};
    running.erase(running.begin());
    return ends;
  }
  void EndAll() override { running.clear(); }
  std::vector<size_t> running;
  size_t scriptChars = 0;
};

RunInputs LongRun() {
  RunInputs inputs;
  for (size_t i = 0; i < kDrawings; ++i) {
    inputs.drawings.push_back(L"D:\\工程\\项目 " + std::to_wstring(i % 40) + L"\\图纸 " +
                              std::to_wstring(i) + L".dwg");
  }
  inputs.scriptTemplate = L"-text 0,0 2.5 0 page\r\nzoom e\r\n";
  inputs.startPage = L"1";
  return inputs;
}

TEST(ParallelBenchmark, TenThousandDrawingsEightAtOnce) {
  RunInputs inputs = LongRun();
  std::string journal, log, piped;
  RecorderParts parts;
  parts.journal = std::make_unique<MemorySink>(journal);
  parts.log = std::make_unique<MemorySink>(log);
  parts.timeOfDay = [] { return std::wstring(L"9:41:07"); };
  parts.clockSeconds = [] { return 1.0; };
  RunRecorder recorder(std::move(parts));
  InstantJobs jobs;
  ParallelOptions options;
  options.jobs = 8;
  options.clockSeconds = [] { return 1.0; };
  options.drawingEnded = [&](const DrawingEnd& end) {
    piped += cli::EncodedForPipe(cli::DrawingLine(end));
  };
  ParallelSummary summary;
  double runMs = MillisecondsOf([&] { summary = RunInParallel(inputs, jobs, recorder, options); });
  std::printf("scheduler, recorder and pipe lines: %.2f us per drawing (in memory)\n",
              1000.0 * runMs / kDrawings);
  std::printf("pipe output: %.1f bytes per drawing\n",
              static_cast<double>(piped.size()) / kDrawings);
  EXPECT_EQ(summary.saved, kDrawings);
}

}  // namespace
}  // namespace kavro::run
