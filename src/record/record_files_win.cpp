#include "record/record_files_win.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "base/program_folder.h"
#include "record/run_log.h"
#include "win/file_win.h"
#include "win/handles_win.h"

namespace kavro::run {

namespace {

constexpr wchar_t kJournalPrefix[] = L"Kavro-";
constexpr wchar_t kJournalExtension[] = L".journal";
constexpr wchar_t kSetAsideExtension[] = L".journal-old";
constexpr wchar_t kUnreadableExtension[] = L".journal-bad";
constexpr wchar_t kRetryExtension[] = L".journal-retry";
constexpr size_t kMaxAttempts = 100;

LocalTime Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool EndsWith(const std::wstring& text, std::wstring_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(JoinFolder(folder, L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

void KeepNewest(const std::wstring& folder, size_t keep) {
  for (const std::wstring& name : NamesBeyondNewest(NamesIn(folder), kJournalPrefix, keep)) {
    DeleteFileW(JoinFolder(folder, name).c_str());
  }
}

// The logs folder keeps its newest CSV files; a history file goes with its CSV.
void KeepNewestLogs(const std::wstring& folder, size_t keep) {
  std::vector<std::wstring> logs = NamesIn(folder);
  std::erase_if(logs, [](const std::wstring& name) { return !EndsWith(name, L".csv"); });
  for (const std::wstring& name : NamesBeyondNewest(std::move(logs), kJournalPrefix, keep)) {
    std::wstring path = JoinFolder(folder, name);
    DeleteFileW(path.c_str());
    DeleteFileW(HistoryFileName(path).c_str());
  }
}

// A new file named by `nameOf(attempt)` in `folder`, open for appending; read sharing only.
win::UniqueFile CreateNew(const std::wstring& folder,
                          const std::function<std::wstring(int)>& nameOf, std::wstring* path) {
  if (!win::MakeFolders(folder)) return {};
  for (size_t attempt = 1; attempt <= kMaxAttempts; ++attempt) {
    *path = JoinFolder(folder, nameOf(static_cast<int>(attempt)));
    win::UniqueFile file(CreateFileW(path->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return {};
}

// Gives a journal ("….journal" or "….journal-retry") another extension.
void Rename(const std::wstring& path, const wchar_t* extension) {
  std::wstring renamed = path.substr(0, path.rfind(kJournalExtension)) + extension;
  if (!MoveFileExW(path.c_str(), renamed.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(path.c_str());
  }
}

class FileSink final : public RecordSink {
 public:
  // `flush`: every append is on the disk before it returns. `deleteAtEnd`: the journal's way.
  // `keep`: how many files of the program's own the folder keeps; 0 prunes nothing.
  FileSink(win::UniqueFile file, std::wstring path, bool flush, bool deleteAtEnd, size_t keep)
      : file_(std::move(file)),
        path_(std::move(path)),
        flush_(flush),
        deleteAtEnd_(deleteAtEnd),
        keep_(keep) {}
  ~FileSink() override {
    // A run that never reached its end (the program is closing) leaves its journal behind.
    file_.Reset();
  }
  void Append(std::string_view bytes) override {
    AppendUnflushed(bytes);
    Flush();
  }
  void AppendUnflushed(std::string_view bytes) override {
    DWORD written = 0;
    if (!WriteFile(file_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
        written != bytes.size()) {
      throw std::runtime_error("record not written");
    }
  }
  void Flush() override {
    if (flush_ && !FlushFileBuffers(file_.Get())) throw std::runtime_error("record not flushed");
  }
  void KeepForRetry() override { keepForRetry_ = true; }
  void Finish() override {
    file_.Reset();
    if (deleteAtEnd_ && keepForRetry_) {
      Rename(path_, kRetryExtension);
    } else if (deleteAtEnd_) {
      DeleteFileW(path_.c_str());
    }
    // 0: a file of the user's choice, or one pruned with another
    if (keep_ > 0 && deleteAtEnd_) KeepNewest(FolderOfPath(path_), keep_);
    if (keep_ > 0 && !deleteAtEnd_) KeepNewestLogs(FolderOfPath(path_), keep_);
  }

 private:
  win::UniqueFile file_;
  std::wstring path_;
  bool flush_;
  bool deleteAtEnd_;
  bool keepForRetry_ = false;
  size_t keep_;
};

std::wstring Digits(unsigned long value, int width) {
  std::wstring text = std::to_wstring(value);
  return std::wstring(text.size() < static_cast<size_t>(width) ? width - text.size() : 0, L'0') +
         text;
}

std::unique_ptr<RecordSink> MakeJournalSink(const std::wstring& dataFolder, const LocalTime& now) {
  std::wstring stamp = LogFileName(now);  // "Kavro-YYYYMMDD-HHMMSS.csv"
  stamp.resize(stamp.size() - 4);
  std::wstring path;
  win::UniqueFile file = CreateNew(
      JournalFolder(dataFolder),
      [&](int attempt) {
        return stamp + L"-" + Digits(GetCurrentProcessId(), 6) + L"-" + Digits(attempt, 3) +
               kJournalExtension;
      },
      &path);
  if (!file) return nullptr;
  return std::make_unique<FileSink>(std::move(file), path, true, true, kJournalsKept);
}

std::unique_ptr<RecordSink> MakeLogSink(const std::wstring& dataFolder, const LocalTime& now,
                                        std::wstring* path) {
  win::UniqueFile file = CreateNew(
      LogFolder(dataFolder), [&](int attempt) { return LogFileName(now, attempt); }, path);
  if (!file) {
    path->clear();
    return nullptr;
  }
  return std::make_unique<FileSink>(std::move(file), *path, false, false, kLogsKept);
}

std::unique_ptr<RecordSink> MakeChosenLogSink(const std::wstring& path) {
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<FileSink>(std::move(file), path, false, false, 0);
}

// The history file beside a log (replaced if one was there); null when it cannot be made.
std::unique_ptr<RecordSink> MakeHistorySink(const std::wstring& logPath) {
  std::wstring path = HistoryFileName(logPath);
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<FileSink>(std::move(file), path, false, false, 0);
}

double SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

enum class JournalFate { Live, Unreadable, Ended, Abandoned };

// Reads a journal unless a live run holds it (it refuses to share reading with no writer).
JournalFate Inspect(const std::wstring& path, std::optional<ResumeOffer>* offer) {
  JournalState state;
  switch (ReadJournalFile(path, &state)) {
    case JournalRead::Live:
      return JournalFate::Live;
    case JournalRead::Unreadable:
      return JournalFate::Unreadable;
    case JournalRead::Read:
      break;
  }
  *offer = ResumeOf(state);
  return *offer ? JournalFate::Abandoned : JournalFate::Ended;
}

}  // namespace

std::wstring JournalFolder(const std::wstring& dataFolder) {
  return JoinFolder(dataFolder, L"journal");
}

std::wstring LogFolder(const std::wstring& dataFolder) { return JoinFolder(dataFolder, L"logs"); }

namespace {

// Makes its files only when the run really starts: a run refused before AutoCAD was reached
// leaves nothing behind.
class RecordOnStart final : public RunRecord {
 public:
  RecordOnStart(RunKind kind, std::wstring dataFolder, std::function<std::wstring()> timeOfDay,
                RecordChoices choices)
      : kind_(kind),
        dataFolder_(std::move(dataFolder)),
        timeOfDay_(std::move(timeOfDay)),
        choices_(std::move(choices)) {}
  void Started(const RunInputs& inputs) override {
    if (!record_) {
      record_ = Make();
      if (flushSavedLater_) record_->FlushSavedLater();
    }
    record_->Started(inputs);
  }
  void Begun(size_t index) override {
    if (record_) record_->Begun(index);
  }
  void Saved(size_t index) override {
    if (record_) record_->Saved(index);
  }
  void FlushSavedLater() override {
    flushSavedLater_ = true;
    if (record_) record_->FlushSavedLater();
  }
  void Settle() override {
    if (record_) record_->Settle();
  }
  void History(size_t index, const DrawingHistory& history) override {
    if (record_) record_->History(index, history);
  }
  void Failed(size_t index, long number, const std::wstring& description) override {
    if (record_) record_->Failed(index, number, description);
  }
  void Cancelled(size_t index, long number, const std::wstring& description) override {
    if (record_) record_->Cancelled(index, number, description);
  }
  void Ended(size_t notBegunFrom, bool cancelled) override {
    if (record_) record_->Ended(notBegunFrom, cancelled);
  }
  std::wstring LogPath() const override { return record_ ? record_->LogPath() : L""; }

 private:
  std::unique_ptr<RunRecorder> Make() {
    RecorderParts parts;
    parts.kind = kind_;
    parts.timeOfDay = timeOfDay_;
    parts.clockSeconds = &SteadySeconds;
    parts.savedBefore = choices_.savedBefore;
    LocalTime now = Now();
    if (!dataFolder_.empty() && kind_ == RunKind::Modify) {
      parts.journal = MakeJournalSink(dataFolder_, now);
    }
    if (!choices_.logPath.empty()) {
      parts.log = MakeChosenLogSink(choices_.logPath);
      if (parts.log) parts.logPath = choices_.logPath;
    } else if (!dataFolder_.empty()) {
      parts.log = MakeLogSink(dataFolder_, now, &parts.logPath);
    }
    if (parts.log) parts.history = MakeHistorySink(parts.logPath);
    return std::make_unique<RunRecorder>(std::move(parts));
  }

  RunKind kind_;
  std::wstring dataFolder_;
  std::function<std::wstring()> timeOfDay_;
  RecordChoices choices_;
  bool flushSavedLater_ = false;
  std::unique_ptr<RunRecorder> record_;
};

}  // namespace

std::unique_ptr<RunRecord> MakeRunRecord(RunKind kind, const std::wstring& dataFolder,
                                         std::function<std::wstring()> timeOfDay,
                                         RecordChoices choices) {
  return std::make_unique<RecordOnStart>(kind, dataFolder, std::move(timeOfDay),
                                         std::move(choices));
}

JournalRead ReadJournalFile(const std::wstring& path, JournalState* state) {
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    return GetLastError() == ERROR_SHARING_VIOLATION ? JournalRead::Live : JournalRead::Unreadable;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 512 * 1024 * 1024) {
    return JournalRead::Unreadable;
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size())) {
    return JournalRead::Unreadable;
  }
  std::optional<JournalState> parsed = ReadJournal(bytes);
  if (!parsed) return JournalRead::Unreadable;
  *state = std::move(*parsed);
  return JournalRead::Read;
}

std::optional<std::wstring> NewestRetryJournal(const std::wstring& dataFolder) {
  if (dataFolder.empty()) return std::nullopt;
  std::wstring folder = JournalFolder(dataFolder);
  std::vector<std::wstring> names = NamesIn(folder);
  std::sort(names.begin(), names.end(), std::greater<>());  // newest first
  for (const std::wstring& name : names) {
    if (!EndsWith(name, kJournalExtension) && !EndsWith(name, kRetryExtension)) continue;
    std::wstring path = JoinFolder(folder, name);
    JournalState state;
    if (ReadJournalFile(path, &state) == JournalRead::Read) return path;
  }
  return std::nullopt;
}

std::optional<AbandonedRun> FindAbandonedRun(const std::wstring& dataFolder) {
  if (dataFolder.empty()) return std::nullopt;
  std::wstring folder = JournalFolder(dataFolder);
  std::vector<std::wstring> names = NamesIn(folder);
  std::sort(names.begin(), names.end());  // oldest first: the names begin with their time
  std::optional<AbandonedRun> newest;
  for (const std::wstring& name : names) {
    if (!EndsWith(name, kJournalExtension)) continue;
    std::wstring path = JoinFolder(folder, name);
    std::optional<ResumeOffer> offer;
    switch (Inspect(path, &offer)) {
      case JournalFate::Live:
        break;
      case JournalFate::Unreadable:
        Rename(path, kUnreadableExtension);
        break;
      case JournalFate::Ended:
        DeleteFileW(path.c_str());
        break;
      case JournalFate::Abandoned:
        if (newest) SetAside(newest->path);
        newest = AbandonedRun{path, std::move(*offer)};
        break;
    }
  }
  KeepNewest(folder, kJournalsKept);
  return newest;
}

void SetAside(const std::wstring& journalPath) { Rename(journalPath, kSetAsideExtension); }

}  // namespace kavro::run
