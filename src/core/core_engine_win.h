#pragma once
// AutoCAD's Core Console from the command line: every drawing a process of its own, several at
// once, with the scripts in a folder of the run's own that Core Console is made to trust.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "run/parallel_run.h"
#include "run/run_record.h"

namespace kavro::run {

struct CoreEngineParts {
  std::wstring corePath;    // accoreconsole.exe
  std::wstring dataFolder;  // the run's script folder goes below it
  size_t jobs = 1;
  HANDLE wake = nullptr;  // set when `cancel` may have changed
  std::function<CancelLevel()> cancel;
  std::function<double()> clockSeconds;
  std::function<void(const DrawingEnd&)> drawingEnded;
  uint32_t drawingMs = 1800000;  // one drawing's process, before it is ended
  // The release whose user profile the console reads ("R19.1"); empty: the current one.
  std::wstring release{};
};

struct CoreOutcome {
  ParallelSummary summary;
  std::optional<std::wstring> refusal;  // the run did not start: why
};

CoreOutcome RunOnCore(const RunInputs& inputs, const std::vector<size_t>& selection,
                      RunRecord& record, const CoreEngineParts& parts);

}  // namespace kavro::run
