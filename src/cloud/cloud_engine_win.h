#pragma once
// A run on Autodesk's hosted Core Console: every drawing a work item, several in flight.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cloud/cloud_jobs_win.h"
#include "run/parallel_run.h"
#include "run/run_record.h"

namespace kavro::cloud {

inline constexpr wchar_t kServiceUrl[] = L"https://developer.api.autodesk.com";

struct CloudEngineParts {
  std::wstring baseUrl = kServiceUrl;
  CloudCredentials credentials;
  std::string engine;                   // e.g. Autodesk.AutoCAD+24_3
  size_t jobs = 10;                     // work items in flight
  uint64_t partBytes = kMostPartBytes;  // uploads go in parts of at most this many bytes
  HANDLE wake = nullptr;
  std::function<run::CancelLevel()> cancel;
  std::function<double()> clockSeconds;
  std::function<void(const run::DrawingEnd&)> drawingEnded;
};

struct CloudOutcome {
  run::ParallelSummary summary;
  std::optional<std::wstring> refusal;  // the run did not start: why
};

CloudOutcome RunOnCloud(const run::RunInputs& inputs, const std::vector<size_t>& selection,
                        run::RunRecord& record, const CloudEngineParts& parts);

}  // namespace kavro::cloud
