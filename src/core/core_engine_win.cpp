#include "core/core_engine_win.h"

#include <string>

#include "base/program_folder.h"
#include "core/core_jobs_win.h"
#include "core/core_trust_win.h"
#include "run/drawing_check_win.h"
#include "win/file_win.h"

namespace kavro::run {

namespace {

// Deletes the folder with everything in it; what cannot go stays.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(JoinFolder(folder, L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = JoinFolder(folder, name);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

// "<data>\core\run-<process>-<tick>": one folder per run, gone when the run is over.
class RunFolder {
 public:
  explicit RunFolder(const std::wstring& dataFolder) {
    std::wstring base = dataFolder;
    if (base.empty()) {
      wchar_t temp[MAX_PATH + 1] = {};
      DWORD length = GetTempPathW(MAX_PATH + 1, temp);
      base = JoinFolder(std::wstring(temp, length), L"Kavro");
    }
    path_ = JoinFolder(JoinFolder(base, L"core"), L"run-" + std::to_wstring(GetCurrentProcessId()) +
                                                      L"-" + std::to_wstring(GetTickCount64()));
    made_ = win::MakeFolders(path_);
  }
  ~RunFolder() {
    if (made_) RemoveTree(path_);
  }
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;
  bool Made() const { return made_; }
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
  bool made_ = false;
};

}  // namespace

CoreOutcome RunOnCore(const RunInputs& inputs, const std::vector<size_t>& selection,
                      RunRecord& record, const CoreEngineParts& parts) {
  CoreOutcome outcome;
  DrawingFilesOnDisk files;
  std::vector<DrawingProblem> problems = CheckDrawings(inputs, selection, &files, AnsiEncodable);
  if (!problems.empty()) {
    outcome.refusal = CheckRefusal(problems);
    return outcome;
  }
  RestoreLeftTrust(parts.dataFolder);  // of a kavro.com that did not live to do it
  RunFolder folder(parts.dataFolder);
  if (!folder.Made()) {
    outcome.refusal = L"无法建立脚本文件夹 " + folder.Path() + L"。";
    return outcome;
  }
  std::wstring refusal;
  CoreConsoleTrust trust =
      CoreConsoleTrust::ForFolder(folder.Path(), parts.dataFolder, refusal, parts.release);
  if (!refusal.empty()) {
    outcome.refusal = refusal;
    return outcome;
  }
  CoreJobs jobs(CoreJobsParts{parts.corePath, folder.Path(), parts.drawingMs, parts.wake});
  ParallelOptions options;
  options.jobs = parts.jobs;
  options.cancel = parts.cancel;
  options.clockSeconds = parts.clockSeconds;
  options.drawingEnded = parts.drawingEnded;
  outcome.summary = RunInParallel(inputs, selection, jobs, record, options);
  return outcome;
}

}  // namespace kavro::run
