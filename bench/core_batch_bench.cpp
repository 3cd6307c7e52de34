// kavro.com's own cost on the Core Console engine (scripts/bench.sh core_batch): the wall time of
// `kavro.com run LIST SCRIPT --engine core` against that of plain batch files run with cmd.exe
// that start the stand-in console once per drawing with the same ready-made scripts, measured side
// by side in one run: --jobs 1 against one batch file, --jobs 4 against four at once (each with
// every fourth drawing). The stand-in console takes 300 ms to start and 50 ms per command.
//
// The machine's load changes while it runs: the sides take turns within each round, in an order
// that changes from round to round, and the figures are the median and range over the rounds.
//
//   KAVRO_BENCH_DRAWINGS  drawing counts, comma-separated (default "40"); with two or more, also
//                         how the difference grows per added drawing (the sides' own start-up
//                         cancels out)
//   KAVRO_BENCH_ROUNDS    rounds per count (default 3)
//   KAVRO_BENCH_JOBS      only this --jobs (default: 1, then 4)
//   KAVRO_BENCH_BEFORE    another kavro.com (a Windows path, e.g. of an earlier build) measured in
//                         the same rounds as a third side
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/program_folder.h"
#include "bench_settings.h"
#include "core/core_outcome.h"
#include "record/record_files_win.h"
#include "run/parallel_run.h"
#include "support/core_process.h"
#include "support/standin.h"
#include "support/support.h"
#include "win/file_win.h"
#include "win/program_folder_win.h"
#include "win/text_win.h"

namespace kavro {
namespace {

using bench::Numbers;
using bench::Setting;

constexpr char kTemplate[] = "-text 0,0 page\r\n";
constexpr DWORD kRunLimitMs = 600000;

double NowMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring CmdPath() {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  return JoinFolder(folder, L"cmd.exe");
}

// One count's drawings, their list and template for kavro.com, and for the batch files the
// scripts kavro.com writes, ready-made.
class Workbench {
 public:
  Workbench(const std::wstring& root, size_t count)
      : folder_(JoinFolder(root, L"n" + std::to_wstring(count))) {
    win::MakeFolders(folder_);
    std::wstring scripts = JoinFolder(folder_, L"scripts");
    win::MakeFolders(scripts);
    run::RunInputs inputs;
    inputs.scriptTemplate = win::DecodeAnsi(kTemplate);
    inputs.startPage = L"1";
    std::wstring list;
    for (size_t i = 0; i < count; ++i) {
      // Numbered with leading zeros: kavro.com takes the list in the order of the names.
      std::wstring number = std::to_wstring(i + 1);
      number.insert(0, 4 - std::min<size_t>(4, number.size()), L'0');
      drawings_.push_back(JoinFolder(folder_, L"d" + number + L".dwg"));
      inputs.drawings.push_back(drawings_.back());
      list += drawings_.back() + L"\r\n";
    }
    listPath_ = JoinFolder(folder_, L"list.txt");
    templatePath_ = JoinFolder(folder_, L"template.scr");
    logPath_ = JoinFolder(folder_, L"run.csv");
    EXPECT_TRUE(win::WriteFileReplacing(listPath_, win::EncodeAnsi(list).bytes).ok);
    EXPECT_TRUE(win::WriteFileReplacing(templatePath_, kTemplate).ok);
    // The batch files' lines: the console as kavro.com starts it, with the same script.
    std::wstring profile = JoinFolder(scripts, L"profile");
    for (size_t i = 0; i < count; ++i) {
      std::wstring script = JoinFolder(scripts, run::CoreScriptName(i));
      EXPECT_TRUE(
          win::WriteFileReplacing(script, win::EncodeAnsi(run::ParallelScript(inputs, i)).bytes)
              .ok);
      lines_.push_back(Quoted(test::Standin::CoreExePath()) + L" /i " + Quoted(drawings_[i]) +
                       L" /s " + Quoted(script) + L" /isolate kavro " + Quoted(profile) + L"\r\n");
    }
  }

  // Each drawing as it was before any run.
  void ResetDrawings() const {
    for (const std::wstring& drawing : drawings_) {
      test::MakeDrawing(FolderOfPath(drawing), drawing.substr(drawing.find_last_of(L'\\') + 1));
    }
  }

  // `files` batch files that together start every drawing's console once, drawing i in file
  // i mod `files`.
  std::vector<std::wstring> BatchFiles(size_t files) const {
    std::vector<std::wstring> paths;
    for (size_t f = 0; f < files; ++f) {
      std::wstring text = L"@echo off\r\n";
      for (size_t i = f; i < lines_.size(); i += files) text += lines_[i];
      paths.push_back(JoinFolder(
          folder_, L"run-" + std::to_wstring(files) + L"-" + std::to_wstring(f + 1) + L".cmd"));
      EXPECT_TRUE(win::WriteFileReplacing(paths.back(), win::EncodeAnsi(text).bytes).ok);
    }
    return paths;
  }

  std::wstring KavroArguments(size_t jobs) const {
    return L"run " + Quoted(listPath_) + L" " + Quoted(templatePath_) + L" --engine core --jobs " +
           std::to_wstring(jobs) + L" --log " + Quoted(logPath_);
  }

  // Every drawing saved once with its page.
  bool AllSaved() const {
    for (size_t i = 0; i < drawings_.size(); ++i) {
      std::string expected =
          std::string("drawing\r\n-text 0,0 ") + std::to_string(i + 1) + "\r\n_.qsave\r\n";
      if (test::ReadBytes(drawings_[i]) != expected) return false;
    }
    return true;
  }

 private:
  std::wstring folder_;
  std::wstring listPath_, templatePath_, logPath_;
  std::vector<std::wstring> drawings_;
  std::vector<std::wstring> lines_;
};

struct Measured {
  double wallMs = -1;  // until the last has ended; negative when one failed (its output is shown)
  double cpuMs = 0;    // the processor time of the programs themselves, not of the consoles
};

// Runs the programs at once.
Measured RunAtOnce(const std::vector<std::pair<std::wstring, std::wstring>>& programs) {
  double begin = NowMs();
  std::vector<std::unique_ptr<test::CoreProcess>> processes;
  for (const auto& [program, arguments] : programs) {
    processes.push_back(std::make_unique<test::CoreProcess>(program, arguments));
  }
  bool ok = true;
  Measured measured;
  for (auto& process : processes) {
    bool ended = process->Started() && process->Wait(kRunLimitMs);
    measured.cpuMs += process->CpuMs();
    if (ended && process->ExitCode() == 0) continue;
    ok = false;
    std::string output = process->OutputBytes();
    std::printf("failed (exit code %lu), its output ends:\n%s\n", process->ExitCode(),
                output.substr(output.size() > 2000 ? output.size() - 2000 : 0).c_str());
  }
  if (ok) measured.wallMs = NowMs() - begin;
  return measured;
}

struct Side {
  std::string name;
  std::function<Measured(const Workbench&, size_t jobs)> run;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string Range(const std::vector<double>& values, const char* format) {
  char text[96];
  std::string f = std::string(format) + " (" + format + " to " + format + ")";
  std::snprintf(text, sizeof(text), f.c_str(), Median(values),
                *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()));
  return text;
}

TEST(CoreBatchBenchmark, KavroAgainstBatchFilesSideBySide) {
  test::StandinOptions options;
  options.coreStartMs = 300;
  options.coreCommandMs = 50;
  test::Standin standin(options);
  std::wstring journals = run::JournalFolder(JoinFolder(win::LocalAppDataFolder(), L"Kavro"));
  std::vector<std::wstring> journalsBefore = test::FilesIn(journals);
  std::wstring root = test::MakeTempFolder(L"core-batch-bench");
  std::vector<size_t> counts = Numbers(Setting("KAVRO_BENCH_DRAWINGS", "40"));
  std::vector<size_t> jobList = Numbers(Setting("KAVRO_BENCH_JOBS", "1,4"));
  int rounds = std::max(1, std::atoi(Setting("KAVRO_BENCH_ROUNDS", "3").c_str()));
  ASSERT_FALSE(counts.empty());

  // The batch files first: the others are measured against them.
  std::vector<Side> sides{{"batch",
                           [](const Workbench& bench, size_t jobs) {
                             std::vector<std::pair<std::wstring, std::wstring>> programs;
                             for (const std::wstring& path : bench.BatchFiles(jobs)) {
                               programs.emplace_back(CmdPath(), L"/c " + Quoted(path));
                             }
                             return RunAtOnce(programs);
                           }},
                          {"kavro.com", [](const Workbench& bench, size_t jobs) {
                             return RunAtOnce({{test::KavroComPath(), bench.KavroArguments(jobs)}});
                           }}};
  if (std::string before = Setting("KAVRO_BENCH_BEFORE", ""); !before.empty()) {
    std::wstring path = win::FromUtf8(before);
    sides.push_back({"before", [path](const Workbench& bench, size_t jobs) {
                       return RunAtOnce({{path, bench.KavroArguments(jobs)}});
                     }});
  }
  std::printf("stand-in console: 300 ms start-up, 50 ms per command, 4 commands per drawing\n");

  std::vector<int> failures(sides.size(), 0);
  for (size_t jobs : jobList) {
    // ms[count position][side]: one wall time per round in which every side did its work; cpu the
    // same for the processor time
    std::vector<std::vector<std::vector<double>>> ms(
        counts.size(), std::vector<std::vector<double>>(sides.size()));
    auto cpu = ms;
    for (size_t c = 0; c < counts.size(); ++c) {
      Workbench bench(root, counts[c]);
      for (int round = 0; round < rounds; ++round) {
        std::vector<Measured> measured(sides.size());
        bool complete = true;
        for (size_t turn = 0; turn < sides.size(); ++turn) {
          size_t s = (turn + static_cast<size_t>(round)) % sides.size();
          bench.ResetDrawings();
          measured[s] = sides[s].run(bench, jobs);
          if (measured[s].wallMs > 0 && bench.AllSaved()) continue;
          // Said and counted; the round is left out.
          std::printf("%s failed to save every drawing\n", sides[s].name.c_str());
          ++failures[s];
          complete = false;
        }
        std::string line = "--jobs " + std::to_string(jobs) + ", " + std::to_string(counts[c]) +
                           " drawings, round " + std::to_string(round + 1) + ":";
        for (size_t s = 0; s < sides.size(); ++s) {
          char part[200];
          double wall = measured[s].wallMs, batch = measured[0].wallMs;
          double cpuPerDrawing = measured[s].cpuMs / static_cast<double>(counts[c]);
          if (s == 0) {
            std::snprintf(part, sizeof(part), " batch %.0f ms (processor %.1f ms per drawing)",
                          wall, cpuPerDrawing);
          } else {
            std::snprintf(part, sizeof(part),
                          "; %s %.0f ms, %+.1f ms per drawing, ratio %.3f (processor %.1f ms "
                          "per drawing)",
                          sides[s].name.c_str(), wall, (wall - batch) / counts[c], wall / batch,
                          cpuPerDrawing);
          }
          line += part;
          if (!complete) continue;
          ms[c][s].push_back(wall);
          cpu[c][s].push_back(cpuPerDrawing);
        }
        std::printf("%s%s\n", line.c_str(), complete ? "" : " (left out)");
        std::fflush(stdout);
      }
    }
    for (size_t s = 1; s < sides.size(); ++s) {
      for (size_t c = 0; c < counts.size(); ++c) {
        std::vector<double> perDrawing, ratio;
        for (size_t r = 0; r < ms[c][0].size(); ++r) {
          perDrawing.push_back((ms[c][s][r] - ms[c][0][r]) / counts[c]);
          ratio.push_back(ms[c][s][r] / ms[c][0][r]);
        }
        if (ratio.empty()) continue;
        std::printf(
            "== --jobs %zu, %zu drawings, %zu rounds: %s's own cost %s ms per drawing, "
            "ratio %s; processor %s ms per drawing against the batch files' %s\n",
            jobs, counts[c], ratio.size(), sides[s].name.c_str(),
            Range(perDrawing, "%+.1f").c_str(), Range(ratio, "%.3f").c_str(),
            Range(cpu[c][s], "%.1f").c_str(), Range(cpu[c][0], "%.1f").c_str());
      }
      if (counts.size() >= 2) {
        // The difference's growth per added drawing: the sides' own start-up cancels out.
        size_t few = 0, many = counts.size() - 1;
        std::vector<double> growth;
        for (size_t r = 0; r < ms[few][0].size() && r < ms[many][0].size(); ++r) {
          double fewDiff = ms[few][s][r] - ms[few][0][r];
          double manyDiff = ms[many][s][r] - ms[many][0][r];
          growth.push_back((manyDiff - fewDiff) / static_cast<double>(counts[many] - counts[few]));
        }
        if (!growth.empty()) {
          std::printf(
              "== --jobs %zu: %s's difference grows by %s ms per added drawing (%zu to "
              "%zu drawings)\n",
              jobs, sides[s].name.c_str(), Range(growth, "%+.1f").c_str(), counts[few],
              counts[many]);
        }
      }
    }
    std::fflush(stdout);
  }
  for (size_t s = 0; s < sides.size(); ++s) {
    EXPECT_EQ(failures[s], 0) << sides[s].name << " failed to save every drawing";
  }
  // A run that saved everything leaves no journal behind; the logs went to the bench's folder.
  EXPECT_EQ(test::FilesIn(journals), journalsBefore);
}

}  // namespace
}  // namespace kavro
