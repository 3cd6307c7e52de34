#pragma once
// What a run leaves behind: the journal (modify runs) and the run log (every run). The engine
// tells a RunRecord what happens; RunRecorder turns that into records and rows and hands them
// to its sinks. A sink that fails is dropped: the run itself goes on as it would without it.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "record/journal.h"
#include "run/run_record.h"

namespace kavro::run {

class RecordSink {
 public:
  virtual ~RecordSink() = default;
  // Appends `bytes`; they are on disk when it returns. Throws std::exception on failure.
  virtual void Append(std::string_view bytes) = 0;
  // Appends `bytes` without waiting for the disk: they get there with the next Append or Flush.
  virtual void AppendUnflushed(std::string_view bytes) { Append(bytes); }
  // What was appended is on disk when it returns. Throws std::exception on failure.
  virtual void Flush() {}
  // The run left drawings unsaved: its journal is kept for a retry instead of deleted.
  virtual void KeepForRetry() {}
  // The run is over: the file is closed (a journal's file is then deleted, unless kept).
  virtual void Finish() = 0;
};

struct RecorderParts {
  RunKind kind = RunKind::Modify;
  std::unique_ptr<RecordSink> journal;  // null: none (a preview, or it could not be made)
  std::unique_ptr<RecordSink> log;      // null: none
  std::wstring logPath;
  // The commands' history file beside the log (HistoryFileBytes), written as the log's rows are.
  std::unique_ptr<RecordSink> history;      // null: none
  std::function<std::wstring()> timeOfDay;  // as the progress window shows it
  std::function<double()> clockSeconds;     // a steady clock, for the seconds column
  // A retry: the drawings an earlier run saved. The journal counts them saved from the start, so
  // that a later resume leaves them alone; the log has no row for them.
  std::vector<size_t> savedBefore;
};

class RunRecorder final : public RunRecord {
 public:
  explicit RunRecorder(RecorderParts parts);
  ~RunRecorder() override;
  void Started(const RunInputs& inputs) override;
  void Begun(size_t index) override;
  void Saved(size_t index) override;
  void History(size_t index, const DrawingHistory& history) override;
  void Failed(size_t index, long number, const std::wstring& description) override;
  void Cancelled(size_t index, long number, const std::wstring& description) override;
  void Ended(size_t notBegunFrom, bool cancelled) override;
  void FlushSavedLater() override;
  void Settle() override;
  std::wstring LogPath() const override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kavro::run
