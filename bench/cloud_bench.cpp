// kavro.com on the hosted engine against the stand-in cloud service (scripts/bench.sh cloud): the
// wall time of `kavro.com run LIST SCRIPT --engine cloud --jobs N`, and the requests it sent to
// the service per drawing — token, bucket, activity, uploads' and downloads' addresses, work
// items, status batches, deletions — not counting the transfers to the signed storage addresses
// (the bytes themselves and the reports). Each work item waits in the stand-in's queue first.
//
//   KAVRO_BENCH_DRAWINGS  drawings per run (default 200)
//   KAVRO_BENCH_JOBS      the --jobs values, comma-separated (default "1,10,50")
//   KAVRO_BENCH_QUEUE_MS  a work item's time in the queue (default 2000)
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/program_folder.h"
#include "bench_settings.h"
#include "base/utf8.h"
#include "record/record_files_win.h"
#include "support/core_process.h"
#include "support/standin.h"
#include "support/support.h"
#include "win/program_folder_win.h"

namespace kavro {
namespace {

using bench::Numbers;
using bench::Setting;

constexpr char kDrawing[] = "AC1032 drawing\r\n";

// The service's log: one line per request to it ("METHOD /path"), and a "token …" line for each
// token it gave.
std::vector<std::string> Requests(const std::wstring& log) {
  std::vector<std::string> requests;
  std::string bytes = test::ReadBytes(log);
  for (size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
    std::string line = bytes.substr(at, end - at);
    if (line.rfind("token ", 0) != 0) requests.push_back(line);
  }
  return requests;
}

// "POST /da/us-east/v3/workitems/status" and its like, without the names of objects and items.
std::string KindOf(const std::string& request) {
  size_t space = request.find(' ');
  std::string method = request.substr(0, space), path = request.substr(space + 1);
  if (path.find("/signeds3upload") != std::string::npos) return method + " signeds3upload";
  if (path.find("/signeds3download") != std::string::npos) return method + " signeds3download";
  if (path.rfind("/oss/v2/buckets", 0) == 0) {
    return method + (path.find("/objects/") != std::string::npos ? " object" : " bucket");
  }
  if (path.find("/workitems/status") != std::string::npos) return method + " status";
  if (path.find("/workitems") != std::string::npos) return method + " workitem";
  if (path.find("/activities") != std::string::npos) return method + " activity";
  return method + " " + path;
}

TEST(CloudBenchmark, WallTimeAndRequestsPerDrawing) {
  size_t count = Numbers(Setting("KAVRO_BENCH_DRAWINGS", "200")).at(0);
  std::vector<size_t> jobList = Numbers(Setting("KAVRO_BENCH_JOBS", "1,10,50"));
  std::string queueMs = Setting("KAVRO_BENCH_QUEUE_MS", "2000");
  test::Standin standin;  // installs the stand-in Core Console the service runs
  std::wstring root = test::MakeTempFolder(L"cloud-bench");
  std::wstring portFile = JoinFolder(root, L"port"), log = JoinFolder(root, L"calls.log");
  std::wstring service = JoinFolder(FolderOfPath(test::KavroComPath()), L"tools\\standin_aps.exe");
  test::CoreProcess aps(service, L"--core \"" + test::Standin::CoreExePath() +
                                     L"\" --port-file \"" + portFile + L"\" --log \"" + log +
                                     L"\" --queue-ms " +
                                     std::wstring(queueMs.begin(), queueMs.end()));
  ASSERT_TRUE(aps.Started());
  std::string port;
  for (int i = 0; i < 100 && port.empty(); ++i) {
    Sleep(100);
    port = test::ReadBytes(portFile);
  }
  ASSERT_FALSE(port.empty()) << "the stand-in service did not start";
  SetEnvironmentVariableW(L"KAVRO_APS_URL",
                          (L"http://127.0.0.1:" + std::wstring(port.begin(), port.end())).c_str());
  SetEnvironmentVariableW(L"APS_CLIENT_ID", L"kavro-test-client");
  SetEnvironmentVariableW(L"APS_CLIENT_SECRET", L"kavro-test-secret");
  std::printf("stand-in service: %s ms in the queue per work item, %zu drawings per run\n",
              queueMs.c_str(), count);

  for (size_t jobs : jobList) {
    std::wstring folder = JoinFolder(root, L"jobs" + std::to_wstring(jobs));
    CreateDirectoryW(folder.c_str(), nullptr);
    test::BatchFiles batch =
        test::MakeBatch(folder, static_cast<int>(count), kDrawing, "-text 0,0 page\r\n");
    size_t before = Requests(log).size();
    DWORD began = GetTickCount();
    test::ComRan ran = test::RunKavroCom(L"run \"" + batch.list + L"\" \"" + batch.scriptTemplate +
                                             L"\" --engine cloud --jobs " + std::to_wstring(jobs) +
                                             L" --log \"" + JoinFolder(folder, L"run.csv") + L"\"",
                                         3600000);
    double seconds = (GetTickCount() - began) / 1000.0;
    std::vector<std::string> requests = Requests(log);
    requests.erase(requests.begin(), requests.begin() + static_cast<std::ptrdiff_t>(before));
    EXPECT_EQ(ran.code, 0u) << ToUtf8(ran.output);
    size_t modified = 0;
    for (const std::wstring& drawing : batch.drawings) {
      modified += test::ReadBytes(drawing).find("_.qsave") != std::string::npos;
    }
    EXPECT_EQ(modified, count);
    std::map<std::string, size_t> kinds;
    for (const std::string& request : requests) ++kinds[KindOf(request)];
    std::string parts;
    for (const auto& [kind, n] : kinds) parts += "; " + kind + " " + std::to_string(n);
    std::printf("--jobs %zu: %.1f s, %.2f requests to the service per drawing (%zu in all%s)\n",
                jobs, seconds, static_cast<double>(requests.size()) / static_cast<double>(count),
                requests.size(), parts.c_str());
    std::fflush(stdout);
  }
  aps.Kill();
}

}  // namespace
}  // namespace kavro
