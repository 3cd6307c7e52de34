#include "cloud/cloud_engine_win.h"

#include <stdexcept>

#include "win/text_win.h"

namespace kavro::cloud {

CloudOutcome RunOnCloud(const run::RunInputs& inputs, const std::vector<size_t>& selection,
                        run::RunRecord& record, const CloudEngineParts& parts) {
  CloudOutcome outcome;
  std::optional<HttpClient> http;
  try {
    http.emplace(parts.baseUrl);
  } catch (const std::exception&) {
    outcome.refusal =
        L"云端地址 " + parts.baseUrl + L" 无效：只能是 https 地址（本机的测试服务可以用 http）。";
    return outcome;
  }
  CloudSession session(*http, parts.credentials, parts.clockSeconds);
  std::wstring refusal = session.Prepare(parts.engine);
  if (!refusal.empty()) {
    outcome.refusal = refusal;
    return outcome;
  }
  // The run's objects are named by the process and the time: ASCII, unique enough per client.
  std::string runId =
      "run" + std::to_string(GetCurrentProcessId()) + "t" + std::to_string(GetTickCount64());
  CloudJobs jobs(session, runId, parts.wake, parts.partBytes);
  run::ParallelOptions options;
  options.jobs = parts.jobs;
  options.cancel = parts.cancel;
  options.clockSeconds = parts.clockSeconds;
  options.drawingEnded = parts.drawingEnded;
  outcome.summary = run::RunInParallel(inputs, selection, jobs, record, options);
  return outcome;
}

}  // namespace kavro::cloud
