// Figures for the run journal and the run log of a long run (scripts/bench.sh journal): the bytes
// written per drawing, the recorder's own time per drawing, and reading the journal back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "run/journal.h"
#include "run/run_record.h"

namespace kavro::run {
namespace {

constexpr size_t kDrawings = 10000;

double MillisecondsOf(const std::function<void()>& step) {
  auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

class CountingSink final : public RecordSink {
 public:
  explicit CountingSink(std::string& bytes) : bytes_(bytes) {}
  void Append(std::string_view bytes) override { bytes_ += bytes; }
  void Finish() override {}

 private:
  std::string& bytes_;
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

TEST(JournalBenchmark, TenThousandDrawings) {
  RunInputs inputs = LongRun();
  std::string journal, log;
  RecorderParts parts;
  parts.journal = std::make_unique<CountingSink>(journal);
  parts.log = std::make_unique<CountingSink>(log);
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
