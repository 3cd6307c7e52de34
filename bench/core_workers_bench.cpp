// Drawings on the stand-in Core Console through the parallel scheduler: how the run's wall time
// falls with more consoles at once, and what a drawing costs beyond the console's own latency
// (process start under Wine, the script file, the pipe, the wait).
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/core_jobs_win.h"
#include "run/parallel_run.h"
#include "run/run_engine.h"
#include "support/standin.h"
#include "support/support.h"
#include "win/text_win.h"

namespace kavro {
namespace {

run::ParallelOptions Options(size_t jobs) {
  run::ParallelOptions options;
  options.jobs = jobs;
  return options;
}

constexpr int kDrawings = 200;
constexpr int kStartMs = 300;
constexpr int kCommandMs = 50;
// Two commands; the save appended to every script is the third.
constexpr wchar_t kTemplate[] = L"filedia 0\r\ncmdecho page\r\n";
constexpr int kLatencyMs = kStartMs + 3 * kCommandMs;

double Seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The wall time of one run of every drawing with `workers` consoles at once.
double RunAll(const std::wstring& folder, size_t workers) {
  std::wstring scripts = folder + L"\\run-" + std::to_wstring(workers);
  CreateDirectoryW(scripts.c_str(), nullptr);
  run::RunInputs inputs{{}, kTemplate, L"1", true};
  for (int i = 0; i < kDrawings; ++i) {
    inputs.drawings.push_back(test::MakeDrawing(folder, L"d" + std::to_wstring(i) + L".dwg"));
  }
  run::CoreJobs jobs({test::Standin::CoreExePath(), scripts, 60000, nullptr});
  run::NoRecord record;
  double begin = Seconds();
  run::ParallelSummary summary = run::RunInParallel(inputs, jobs, record, Options(workers));
  double seconds = Seconds() - begin;
  EXPECT_EQ(static_cast<size_t>(kDrawings), summary.saved);
  for (const auto& end : summary.drawings) {
    if (end.result == run::DrawingResult::Done) continue;
    std::printf("  %s failed (%ld): %s\n", win::ToUtf8(end.drawing).c_str(), end.errorNumber,
                win::ToUtf8(end.errorText).c_str());
  }
  return seconds;
}

TEST(CoreWorkersBenchmark, TwoHundredDrawingsOnOneToEightConsoles) {
  test::Standin standin({.coreStartMs = kStartMs, .coreCommandMs = kCommandMs});
  std::wstring folder = test::MakeTempFolder(L"core-workers-bench");
  std::printf("%d drawings, stand-in latency %d ms each (start %d ms + 3 commands x %d ms)\n",
              kDrawings, kLatencyMs, kStartMs, kCommandMs);
  double one = 0;
  for (size_t workers : {1, 2, 4, 8}) {
    double seconds = RunAll(folder, workers);
    if (workers == 1) one = seconds;
    std::printf("%d worker(s): %6.1f s, %5.2f drawings/s, speed-up %4.2f\n",
                static_cast<int>(workers), seconds, kDrawings / seconds, one / seconds);
    if (workers == 1) {
      double perDrawing = 1000.0 * seconds / kDrawings;
      std::printf("  one worker: %.0f ms per drawing, %.0f ms over the stand-in's own %d ms\n",
                  perDrawing, perDrawing - kLatencyMs, kLatencyMs);
    }
  }
}

}  // namespace
}  // namespace kavro
