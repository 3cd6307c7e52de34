#include "cloud/cloud_engine_win.h"

#include <stdexcept>

#include "cloud/aps_rules.h"
#include "win/text_win.h"

namespace kavro::cloud {

std::optional<std::wstring> RefusalOfText(const run::RunInputs& inputs,
                                          const std::vector<size_t>& selection) {
  if (NeedsMoreThanAscii(inputs.scriptTemplate)) {
    return L"脚本模板含有 ASCII 以外的字符（例如中文）。云端的 AutoCAD 读取脚本所用的编码尚未确定，"
           L"为免乱码，--engine cloud 只接受纯 ASCII 的脚本模板；没有上传任何文件。";
  }
  for (size_t index : selection) {
    const std::wstring& drawing = inputs.drawings.at(index);
    if (NeedsMoreThanAscii(drawing)) {
      return L"图纸 " + drawing +
             L" 的路径含有 ASCII 以外的字符（例如中文）。云端的 AutoCAD "
             L"读取脚本所用的编码尚未确定，"
             L"脚本中的文件名可能乱码，--engine cloud 只接受纯 ASCII 的路径；没有上传任何文件。";
    }
  }
  return std::nullopt;
}

CloudOutcome RunOnCloud(const run::RunInputs& inputs, const std::vector<size_t>& selection,
                        run::RunRecord& record, const CloudEngineParts& parts) {
  CloudOutcome outcome;
  outcome.refusal = RefusalOfText(inputs, selection);
  if (outcome.refusal) return outcome;
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
