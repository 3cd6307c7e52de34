// Every drawing's outcome against what the stand-ins did: the core engine with eight consoles of
// random latencies on a loaded machine, and kavro.com's desktop engine. A drawing is 完成 exactly
// when the stand-in's log says it saved it. KAVRO_SOAK_CORE and KAVRO_SOAK_GUI set the counts
// (5000 and 1000; 0 skips a part).
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "base/program_folder.h"
#include "core/core_engine_win.h"
#include "run/run_engine.h"
#include "support/core_process.h"
#include "support/run_fixture.h"
#include "support/standin.h"
#include "support/support.h"
#include "record/record_files_win.h"
#include "win/file_win.h"
#include "win/program_folder_win.h"
#include "win/text_win.h"

namespace kavro {
namespace {

int Count(const wchar_t* name, int fallback) {
  std::wstring value = test::EnvironmentValue(name);
  return value.empty() ? fallback : std::stoi(value);
}

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// One busy thread per processor for as long as it lives.
class Load {
 public:
  Load() {
    for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i) {
      threads_.emplace_back([this] {
        volatile unsigned long spin = 0;
        while (!stop_) spin = spin + 1;
      });
    }
  }
  ~Load() {
    stop_ = true;
    for (auto& thread : threads_) thread.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

// How many times the stand-in's log says each drawing (by file name) was saved.
std::map<std::wstring, int> SavesInLog(const test::Standin& standin, const wchar_t* marker) {
  std::map<std::wstring, int> saves;
  for (const std::wstring& line : standin.LogLines()) {
    size_t at = line.find(marker);
    if (at == std::wstring::npos) continue;
    std::wstring path = line.substr(at + wcslen(marker));
    saves[path.substr(path.find_last_of(L'\\') + 1)]++;
  }
  return saves;
}

// Compares and prints; returns the wrong outcomes.
int Compare(const std::vector<std::wstring>& drawings, const std::vector<bool>& done,
            const std::vector<std::wstring>& why, const std::map<std::wstring, int>& saves) {
  int wrong = 0, saved = 0;
  for (size_t i = 0; i < drawings.size(); ++i) {
    std::wstring name = drawings[i].substr(drawings[i].find_last_of(L'\\') + 1);
    auto found = saves.find(name);
    int times = found == saves.end() ? 0 : found->second;
    saved += times > 0;
    if ((times > 0) == done[i] && times <= 1) continue;
    ++wrong;
    std::printf("  WRONG %ls: saved %d time(s), reported %s %s\n", name.c_str(), times,
                done[i] ? "完成" : "not saved", win::ToUtf8(why[i]).c_str());
  }
  std::printf("  %zu drawings, %d saved by the stand-in, %d wrong outcome(s)\n", drawings.size(),
              saved, wrong);
  return wrong;
}

TEST(OutcomeSoak, CoreEngineEightConsolesUnderLoad) {
  const int count = Count(L"KAVRO_SOAK_CORE", 5000);
  if (count == 0) GTEST_SKIP();
  test::StandinOptions options;
  options.coreStartMs = 20;
  options.coreCommandMs = 5;
  options.coreJitterMs = 150;
  options.coreFailAt = L"d7.dwg";
  options.coreCrashAt = L"d11.dwg";
  test::Standin standin(options);
  std::wstring folder = test::MakeTempFolder(L"outcome-soak-core");
  run::RunInputs inputs{{}, L"-text 0,0 page\r\n", L"1", true};
  for (int i = 0; i < count; ++i) {
    inputs.drawings.push_back(test::MakeDrawing(folder, L"d" + std::to_wstring(i) + L".dwg"));
  }
  std::vector<size_t> all(inputs.drawings.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  run::CoreEngineParts parts;
  parts.corePath = test::Standin::CoreExePath();
  parts.dataFolder = JoinFolder(folder, L"data");
  parts.jobs = 8;
  parts.drawingMs = 600000;
  run::NoRecord record;
  double begin = Seconds();
  run::CoreOutcome outcome;
  {
    Load load;
    outcome = run::RunOnCore(inputs, all, record, parts);
  }
  ASSERT_FALSE(outcome.refusal) << win::ToUtf8(*outcome.refusal);
  std::printf("core engine: %d drawings, 8 consoles, latency 20 ms + 0-150 ms, loaded: %.1f s\n",
              count, Seconds() - begin);
  std::vector<bool> done;
  std::vector<std::wstring> why;
  for (const auto& end : outcome.summary.drawings) {
    done.push_back(end.result == run::DrawingResult::Done);
    why.push_back(end.errorText);
  }
  EXPECT_EQ(Compare(inputs.drawings, done, why, SavesInLog(standin, L": saved ")), 0);
  test::DeleteFilesIn(folder);
}

TEST(OutcomeSoak, DesktopEngineThroughKavroCom) {
  const int count = Count(L"KAVRO_SOAK_GUI", 1000);
  if (count == 0) GTEST_SKIP();
  test::StandinOptions options;
  options.failAt = count / 2;  // the run stops there: the rest are not begun
  test::Standin standin(options);
  std::wstring folder = test::MakeTempFolder(L"outcome-soak-gui");
  std::vector<std::wstring> drawings;
  std::wstring list;
  for (int i = 0; i < count; ++i) {
    drawings.push_back(test::MakeDrawing(folder, L"d" + std::to_wstring(i) + L".dwg"));
    list += drawings.back() + L"\r\n";
  }
  std::wstring listPath = JoinFolder(folder, L"list.txt");
  std::wstring scriptPath = JoinFolder(folder, L"template.scr");
  std::wstring logPath = JoinFolder(folder, L"run.csv");
  ASSERT_TRUE(win::WriteFileReplacing(listPath, win::EncodeAnsi(list).bytes).ok);
  ASSERT_TRUE(win::WriteFileReplacing(scriptPath, "-text 0,0 page\r\n").ok);
  double begin = Seconds();
  test::CoreProcess com(test::KavroComPath(), L"run \"" + listPath + L"\" \"" + scriptPath +
                                                  L"\" --log \"" + logPath + L"\"");
  ASSERT_TRUE(com.Started());
  ASSERT_TRUE(com.Wait(3600000));
  std::printf("desktop engine: %d drawings through kavro.com: %.1f s, exit code %lu\n", count,
              Seconds() - begin, com.ExitCode());
  std::map<std::wstring, std::wstring> results;  // by path, from the run's log
  for (const auto& row : test::ReadCsv(logPath)) {
    if (row.size() > 2) results[row[1]] = row[2];
  }
  std::vector<bool> done;
  std::vector<std::wstring> why;
  for (const std::wstring& drawing : drawings) {
    done.push_back(results[drawing] == L"完成");
    why.push_back(results[drawing]);
  }
  EXPECT_EQ(Compare(drawings, done, why, SavesInLog(standin, L"- saved ")), 0);
  test::DeleteFilesIn(run::JournalFolder(JoinFolder(win::LocalAppDataFolder(), L"Kavro")));
  test::DeleteFilesIn(folder);
}

}  // namespace
}  // namespace kavro
