#include "run/parallel_run.h"

#include <algorithm>
#include <stdexcept>

#include "run/page_rule.h"

namespace kavro::run {

namespace {

bool EndsWithLineEnd(const std::wstring& text) {
  return !text.empty() && (text.back() == L'\n' || text.back() == L'\r');
}

class Scheduler {
 public:
  Scheduler(const RunInputs& inputs, std::vector<size_t> selection, DrawingJobs& jobs,
            RunRecord& record, const ParallelOptions& options)
      : inputs_(inputs),
        selection_(std::move(selection)),
        jobs_(jobs),
        record_(record),
        options_(options),
        startClock_(selection_.size(), 0),
        running_(selection_.size(), false) {
    summary_.drawings.resize(selection_.size());
    for (size_t at = 0; at < selection_.size(); ++at) {
      DrawingEnd& end = summary_.drawings[at];
      end.index = selection_[at];
      end.total = selection_.size();
      end.page = PageOf(inputs_.startPage, end.index);
      end.drawing = inputs_.drawings[end.index];
      end.result = DrawingResult::Cancelled;
    }
  }

  ParallelSummary Run() {
    // A drawing that ends is mostly followed by one that begins: its saved record reaches the
    // disk with the begun record of that one, or before anything that may take long.
    record_.FlushSavedLater();
    record_.Started(inputs_);
    for (;;) {
      LookAtCancel();
      StartWhatFits();
      record_.Settle();
      ReportEnded();
      if (runningCount_ == 0) break;
      PrepareNext();
      for (const JobEnd& end : jobs_.WaitForEnds()) TakeEnd(end);
    }
    summary_.notBegun = selection_.size() - next_ + cancelledUnderWay_;
    summary_.cancelled = cancelled_;
    size_t notBegunFrom = next_ < selection_.size() ? selection_[next_] : inputs_.drawings.size();
    record_.Ended(notBegunFrom, cancelled_);
    return std::move(summary_);
  }

 private:
  void LookAtCancel() {
    CancelLevel level = options_.cancel ? options_.cancel() : CancelLevel::None;
    if (level == CancelLevel::None) return;
    cancelled_ = true;
    if (level != CancelLevel::Force || forced_) return;
    forced_ = true;
    if (runningCount_ == 0) return;
    jobs_.EndAll();
    bool kept = jobs_.EndAllKeepsDrawings();
    for (size_t at = 0; at < selection_.size(); ++at) {
      if (!running_[at]) continue;
      if (kept) {
        Cancel(at);
      } else {
        Finish(at, false, kForcedEndNumber, kForcedEndText);
        summary_.drawings[at].possiblyModified = true;
      }
      Report(at);
    }
  }

  void StartWhatFits() {
    size_t most = std::max<size_t>(options_.jobs, 1);
    while (!cancelled_ && runningCount_ < most && next_ < selection_.size()) {
      size_t at = next_++;
      size_t index = selection_[at];
      record_.Begun(index);
      startClock_[at] = Clock();
      JobStart start = jobs_.Start(index, inputs_.drawings[index], ParallelScript(inputs_, index));
      if (start.started) {
        running_[at] = true;
        ++runningCount_;
      } else {
        record_.Failed(index, start.errorNumber, start.errorText);
        DrawingEnd& end = summary_.drawings[at];
        end.result = DrawingResult::Failed;
        end.errorNumber = start.errorNumber;
        end.errorText = start.errorText;
        ++summary_.failed;
        Report(at);
      }
      // A cancel may come while drawings start one after another.
      LookAtCancel();
    }
  }

  // The next drawing's start is readied while the running ones work, once each.
  void PrepareNext() {
    if (cancelled_ || next_ >= selection_.size() || prepared_ == next_ + 1) return;
    prepared_ = next_ + 1;
    size_t index = selection_[next_];
    jobs_.Prepare(index, inputs_.drawings[index], ParallelScript(inputs_, index));
  }

  void TakeEnd(const JobEnd& end) {
    auto found = std::lower_bound(selection_.begin(), selection_.end(), end.index);
    if (found == selection_.end() || *found != end.index) return;
    size_t at = static_cast<size_t>(found - selection_.begin());
    if (!running_[at]) return;  // reported already, or never started
    if (end.history) record_.History(end.index, *end.history);
    Finish(at, end.saved, end.errorNumber, end.errorText);
    if (end.saved && end.history && end.history->HasErrors()) {
      DrawingEnd& drawing = summary_.drawings[at];
      drawing.result = DrawingResult::ScriptError;
      drawing.errorText = end.history->Note();
      --summary_.saved;
      ++summary_.scriptErrors;
    }
    Report(at);
  }

  // The drawing is no longer running: its end, timed.
  DrawingEnd& Stopped(size_t at) {
    running_[at] = false;
    --runningCount_;
    DrawingEnd& end = summary_.drawings[at];
    if (options_.clockSeconds) end.seconds = Clock() - startClock_[at];
    return end;
  }

  // Tells the record; the drawing is no longer running.
  void Finish(size_t at, bool saved, long number, const std::wstring& text) {
    DrawingEnd& end = Stopped(at);
    if (saved) {
      record_.Saved(end.index);
      end.result = DrawingResult::Done;
      ++summary_.saved;
    } else {
      record_.Failed(end.index, number, text);
      end.result = DrawingResult::Failed;
      end.errorNumber = number;
      end.errorText = text;
      ++summary_.failed;
    }
  }

  // A drawing under way whose job ended by the cancel and left it as it was: 已取消, counted with
  // the drawings the cancel kept from beginning.
  void Cancel(size_t at) {
    DrawingEnd& end = Stopped(at);
    record_.Cancelled(end.index, kCancelledEndNumber, kCancelledEndText);
    end.result = DrawingResult::Cancelled;
    end.errorNumber = kCancelledEndNumber;
    end.errorText = kCancelledEndText;
    ++cancelledUnderWay_;
  }

  // Counts the drawing ended; it is reported once what the record was told is on the disk.
  void Report(size_t at) {
    summary_.drawings[at].ended = ++ended_;
    toReport_.push_back(at);
  }

  // The caller's report may take long (a console line into a pipe nobody reads at once).
  void ReportEnded() {
    for (size_t at : toReport_) {
      if (options_.drawingEnded) options_.drawingEnded(summary_.drawings[at]);
    }
    toReport_.clear();
  }

  double Clock() const { return options_.clockSeconds ? options_.clockSeconds() : 0; }

  const RunInputs& inputs_;
  std::vector<size_t> selection_;
  DrawingJobs& jobs_;
  RunRecord& record_;
  const ParallelOptions& options_;
  std::vector<double> startClock_;  // per selection position
  std::vector<bool> running_;       // per selection position
  std::vector<size_t> toReport_;    // selection positions ended and not yet reported, in order
  size_t runningCount_ = 0;
  size_t next_ = 0;      // the selection position to start next
  size_t prepared_ = 0;  // 1 + the selection position last prepared; 0: none
  size_t ended_ = 0;
  size_t cancelledUnderWay_ = 0;
  bool cancelled_ = false;
  bool forced_ = false;
  ParallelSummary summary_;
};

}  // namespace

std::wstring ParallelScript(const RunInputs& inputs, size_t index) {
  std::wstring script =
      ScriptForDrawing(inputs.scriptTemplate, inputs.startPage, index, inputs.drawings.at(index));
  // A blank line would repeat the template's last command: the save gets a line of its own only
  // when the template does not end with one.
  if (!EndsWithLineEnd(script)) script += L"\r\n";
  script += kSaveCommand;
  return script;
}

ParallelSummary RunInParallel(const RunInputs& inputs, DrawingJobs& jobs, RunRecord& record,
                              const ParallelOptions& options) {
  std::vector<size_t> all(inputs.drawings.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  return Scheduler(inputs, std::move(all), jobs, record, options).Run();
}

ParallelSummary RunInParallel(const RunInputs& inputs, std::vector<size_t> selection,
                              DrawingJobs& jobs, RunRecord& record,
                              const ParallelOptions& options) {
  std::sort(selection.begin(), selection.end());
  selection.erase(std::unique(selection.begin(), selection.end()), selection.end());
  if (!selection.empty() && selection.back() >= inputs.drawings.size()) {
    throw std::out_of_range("drawing position beyond the list");
  }
  return Scheduler(inputs, std::move(selection), jobs, record, options).Run();
}

}  // namespace kavro::run
