// Figures for the run journal and the run log of a long run (scripts/bench.sh journal): the bytes
// written per drawing, the recorder's own time per drawing, and reading the journal back.
#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "record/journal.h"
#include "record/record_files_win.h"
#include "record_bench_support.h"
#include "record/recorder.h"

namespace kavro::run {
namespace {

constexpr size_t kDrawings = 10000;

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

TEST(JournalBenchmark, TenThousandDrawings) {
  RunInputs inputs = LongRun();
  std::string journal, log;
  RecorderParts parts;
  parts.journal = std::make_unique<MemorySink>(journal);
  parts.log = std::make_unique<MemorySink>(log);
  parts.timeOfDay = [] { return std::wstring(L"9:41:07"); };
  parts.clockSeconds = [] { return 1.0; };
  RunRecorder recorder(std::move(parts));
  recorder.Started(inputs);
  size_t inputsBytes = journal.size();
  double recordMs = MillisecondsOf([&] {
    for (size_t i = 0; i < kDrawings; ++i) {
      recorder.Begun(i);
      recorder.Saved(i);
    }
  });
  std::string abandoned = journal;
  recorder.Ended(kDrawings, false);
  std::optional<ResumeOffer> offer;
  double readMs = MillisecondsOf([&] { offer = ResumeOf(ReadJournal(abandoned).value()); });
  std::printf("journal: %zu bytes of inputs, %.1f bytes per drawing\n", inputsBytes,
              static_cast<double>(abandoned.size() - inputsBytes) / kDrawings);
  std::printf("log: %.1f bytes per drawing\n", static_cast<double>(log.size()) / kDrawings);
  std::printf("recorder: %.2f us per drawing (in memory)\n", 1000.0 * recordMs / kDrawings);
  std::printf("reading %zu KB back: %.1f ms\n", abandoned.size() / 1024, readMs);
  EXPECT_FALSE(offer);  // every drawing was saved
}

}  // namespace
}  // namespace kavro::run

namespace kavro::run {
namespace {

// The same records on the disk, through the program's own files: the journal's two
// written-through records per drawing and the log's row.
TEST(JournalBenchmark, TwoHundredDrawingsOnDisk) {
  constexpr size_t kOnDisk = 200;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring data =
      std::wstring(temp) + L"kavro-journal-bench-" + std::to_wstring(GetCurrentProcessId());
  RunInputs inputs;
  for (size_t i = 0; i < kOnDisk; ++i) {
    inputs.drawings.push_back(L"C:\\图纸\\第" + std::to_wstring(i) + L"张.dwg");
  }
  inputs.scriptTemplate = L"-text 0,0 page";
  inputs.startPage = L"1";
  for (bool withRecords : {true, false}) {
    std::unique_ptr<RunRecord> record = MakeRunRecord(RunKind::Modify, withRecords ? data : L"",
                                                      [] { return std::wstring(L"10:00:00"); });
    double ms = MillisecondsOf([&] {
      record->Started(inputs);
      for (size_t i = 0; i < kOnDisk; ++i) {
        record->Begun(i);
        record->Saved(i);
      }
      record->Ended(kOnDisk, false);
    });
    std::printf("%s: %.3f ms per drawing\n", withRecords ? "journal and log on disk" : "no files",
                ms / kOnDisk);
  }
}

}  // namespace
}  // namespace kavro::run
