#pragma once
// What the record benchmarks share: a stopwatch and a sink that keeps its bytes in memory.
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "record/recorder.h"

namespace kavro::run {

inline double MillisecondsOf(const std::function<void()>& step) {
  auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

class MemorySink final : public RecordSink {
 public:
  explicit MemorySink(std::string& bytes) : bytes_(bytes) {}
  void Append(std::string_view bytes) override { bytes_ += bytes; }
  void Finish() override {}

 private:
  std::string& bytes_;
};

}  // namespace kavro::run
