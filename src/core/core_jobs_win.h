#pragma once
// Drawings run on AutoCAD's console edition (accoreconsole.exe), one process per drawing, all in
// one job object so that none outlives the program. Each process gets its script as a file of
// its own, prints into a pipe read on a thread of its own, and has a time limit.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "run/parallel_run.h"
#include "win/handles_win.h"

namespace kavro::run {

struct CoreJobsParts {
  std::wstring corePath;         // accoreconsole.exe
  std::wstring scriptFolder;     // exists; holds the scripts and the console's profile changes
  uint32_t drawingMs = 1800000;  // a drawing's time limit; 0: none
  HANDLE wake = nullptr;         // set on Ctrl+C: a wait returns (borrowed, may be null)
};

// WaitForMultipleObjects takes 64 handles: the processes and the wake event.
inline constexpr size_t kMostCoreJobs = MAXIMUM_WAIT_OBJECTS - 1;

class CoreJobs final : public DrawingJobs {
 public:
  // Throws std::system_error when the job object cannot be made.
  explicit CoreJobs(CoreJobsParts parts);
  ~CoreJobs() override;  // ends what still runs; deletes no file
  CoreJobs(const CoreJobs&) = delete;
  CoreJobs& operator=(const CoreJobs&) = delete;

  JobStart Start(size_t index, const std::wstring& drawing, const std::wstring& script) override;
  // Writes the script and makes the console, suspended: Start then only resumes it.
  void Prepare(size_t index, const std::wstring& drawing, const std::wstring& script) override;
  std::vector<JobEnd> WaitForEnds() override;
  void EndAll() override;

 private:
  struct Child;
  // The drawing's script written and its console made, suspended; null with `failure` set.
  std::unique_ptr<Child> Create(size_t index, const std::wstring& drawing,
                                const std::wstring& script, JobStart& failure);
  JobStart Launch(Child& child, const std::wstring& scriptPath);
  JobEnd Collect(Child& child, bool timedOut);
  DWORD WaitTimeout(bool withWake) const;

  CoreJobsParts parts_;
  win::UniqueHandle job_;
  std::vector<std::unique_ptr<Child>> running_;
  std::unique_ptr<Child> prepared_;  // suspended, for the Start that Prepare expects
  bool wakeSeen_ = false;            // the wake was set at an earlier wait
};

}  // namespace kavro::run
