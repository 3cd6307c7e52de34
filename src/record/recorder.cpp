#include "record/recorder.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "run/page_rule.h"
#include "record/run_log.h"

namespace kavro::run {

namespace {

// Closes a sink and lets it go; what it throws on the way changes nothing for the run.
void Release(std::unique_ptr<RecordSink>& sink) {
  if (!sink) return;
  try {
    sink->Finish();
  } catch (...) {
  }
  sink.reset();
}

// False, with the sink closed and dropped, when it fails. A journal is closed rather than left
// behind: a journal that stops part way would later offer drawings that were in fact saved.
// `onDisk` false: the bytes may wait for the disk until the next append that does not.
bool Send(std::unique_ptr<RecordSink>& sink, std::string_view bytes, bool onDisk = true) {
  if (!sink) return false;
  try {
    onDisk ? sink->Append(bytes) : sink->AppendUnflushed(bytes);
    return true;
  } catch (...) {
    Release(sink);
    return false;
  }
}

// Flushes what the sink holds; the same when it fails.
void Flush(std::unique_ptr<RecordSink>& sink) {
  if (!sink) return;
  try {
    sink->Flush();
  } catch (...) {
    Release(sink);
  }
}

struct DrawingTrace {
  bool begun = false;
  bool logged = false;  // its row is written
  bool saved = false;   // by this run or, for a retry, by the one before
  std::wstring start;
  double clock = 0;
  std::optional<DrawingHistory> history;  // when the run read one
};

}  // namespace

struct RunRecorder::State {
  RecorderParts parts;
  bool logUsable = false;
  bool started = false;
  bool ended = false;
  bool flushSavedLater = false;
  bool journalUnflushed = false;  // a saved record waits for the disk
  RunInputs inputs;
  std::vector<DrawingTrace> drawings;

  bool Open() const { return started && !ended; }

  std::wstring TimeOfDay() const { return parts.timeOfDay ? parts.timeOfDay() : L""; }
  double Clock() const { return parts.clockSeconds ? parts.clockSeconds() : 0; }

  LogRow RowFor(size_t index, DrawingResult result) const {
    LogRow row;
    row.page = PageOf(inputs.startPage, index);
    row.drawing = inputs.drawings[index];
    row.result = result;
    return row;
  }

  // A row for a drawing that was worked on: its times, and its seconds when it was begun.
  void LogWorked(size_t index, LogRow row) {
    DrawingTrace& trace = drawings[index];
    row.end = TimeOfDay();
    if (trace.begun) {
      row.start = trace.start;
      if (parts.clockSeconds) row.seconds = Clock() - trace.clock;
    }
    Log(index, row);
  }

  // A failure outside any drawing (connecting, before the first, after the last) has no row.
  void LogUnsaved(size_t index, DrawingResult result, long number, const std::wstring& text) {
    if (!Open() || index >= drawings.size() || drawings[index].logged) return;
    LogRow row = RowFor(index, result);
    row.errorNumber = number;
    row.errorText = text;
    LogWorked(index, std::move(row));
  }

  void Log(size_t index, const LogRow& row) {
    DrawingTrace& trace = drawings[index];
    trace.logged = true;
    Send(parts.log, LogRowBytes(row));
    if (trace.begun) {
      Send(parts.history, HistoryBlockBytes(row, trace.history ? &*trace.history : nullptr));
    }
    trace.history.reset();
  }
};

RunRecorder::RunRecorder(RecorderParts parts) : state_(std::make_unique<State>()) {
  state_->logUsable = parts.log != nullptr;
  state_->parts = std::move(parts);
}

RunRecorder::~RunRecorder() = default;

void RunRecorder::Started(const RunInputs& inputs) {
  State& s = *state_;
  if (s.started || s.ended) return;
  s.started = true;
  s.inputs = inputs;
  s.drawings.assign(inputs.drawings.size(), DrawingTrace{});
  std::string records = InputsRecords(inputs);
  for (size_t index : s.parts.savedBefore) {
    if (index >= s.drawings.size()) continue;
    s.drawings[index].logged = true;
    s.drawings[index].saved = true;
    records += SavedRecord(index);
  }
  Send(s.parts.journal, records);
  if (!Send(s.parts.log, LogHeaderBytes())) s.logUsable = false;
  Send(s.parts.history, HistoryFileStartBytes());
}

void RunRecorder::Begun(size_t index) {
  State& s = *state_;
  if (!s.Open() || index >= s.drawings.size() || s.drawings[index].logged) return;
  DrawingTrace& trace = s.drawings[index];
  trace.begun = true;
  trace.start = s.TimeOfDay();
  trace.clock = s.Clock();
  Send(s.parts.journal, BegunRecord(index));  // with the saved ones before it
  s.journalUnflushed = false;
}

void RunRecorder::Saved(size_t index) {
  State& s = *state_;
  if (!s.Open() || index >= s.drawings.size() || s.drawings[index].logged) return;
  bool sent = Send(s.parts.journal, SavedRecord(index), !s.flushSavedLater);
  s.journalUnflushed = sent && s.flushSavedLater;
  s.drawings[index].saved = true;
  bool modify = s.parts.kind == RunKind::Modify;
  auto result = modify ? DrawingResult::Done : DrawingResult::Previewed;
  LogRow row = s.RowFor(index, result);
  if (const auto& history = s.drawings[index].history) {
    if (modify && history->HasErrors()) row.result = DrawingResult::ScriptError;
    row.errorText = history->Note();
  }
  s.LogWorked(index, std::move(row));
}

void RunRecorder::History(size_t index, const DrawingHistory& history) {
  State& s = *state_;
  if (!s.Open() || index >= s.drawings.size() || s.drawings[index].logged) return;
  s.drawings[index].history = history;
}

void RunRecorder::Failed(size_t index, long number, const std::wstring& description) {
  state_->LogUnsaved(index, DrawingResult::Failed, number, description);
}

void RunRecorder::Cancelled(size_t index, long number, const std::wstring& description) {
  state_->LogUnsaved(index, DrawingResult::Cancelled, number, description);
}

void RunRecorder::Ended(size_t notBegunFrom, bool cancelled) {
  State& s = *state_;
  if (!s.Open()) return;
  auto result = cancelled ? DrawingResult::Cancelled : DrawingResult::NotBegun;
  for (size_t i = std::min(notBegunFrom, s.drawings.size()); i < s.drawings.size(); ++i) {
    if (!s.drawings[i].logged) s.Log(i, s.RowFor(i, result));
  }
  s.ended = true;
  s.journalUnflushed = false;  // the ended record takes them along
  if (Send(s.parts.journal, EndedRecord()) &&
      std::any_of(s.drawings.begin(), s.drawings.end(),
                  [](const DrawingTrace& d) { return !d.saved; })) {
    s.parts.journal->KeepForRetry();
  }
  Release(s.parts.journal);
  Release(s.parts.log);
  Release(s.parts.history);
}

void RunRecorder::FlushSavedLater() { state_->flushSavedLater = true; }

void RunRecorder::Settle() {
  State& s = *state_;
  if (!s.journalUnflushed) return;
  s.journalUnflushed = false;
  Flush(s.parts.journal);
}

std::wstring RunRecorder::LogPath() const {
  return state_->logUsable ? state_->parts.logPath : L"";
}

}  // namespace kavro::run
