#include "run/gui_engine.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

#include "run/page_rule.h"

namespace kavro::run {

namespace {

// The main window as one modify run sees it: a stretch of the drawings.
class StretchView final : public MainView {
 public:
  StretchView(const RunInputs& inputs, size_t first, size_t count,
              const std::function<void(const std::wstring&)>& message)
      : drawings_(inputs.drawings.begin() + static_cast<ptrdiff_t>(first),
                  inputs.drawings.begin() + static_cast<ptrdiff_t>(first + count)),
        scriptTemplate_(inputs.scriptTemplate),
        startPage_(PageOf(inputs.startPage, first)),
        r2000_(inputs.r2000),
        cad_(inputs.cad),
        message_(message) {}
  size_t DrawingCount() override { return drawings_.size(); }
  std::wstring Drawing(size_t index) override { return drawings_.at(index); }
  void RemoveFirstDrawings(size_t count) override {
    drawings_.erase(drawings_.begin(),
                    drawings_.begin() + static_cast<ptrdiff_t>(std::min(count, drawings_.size())));
  }
  void SetStartPage(const std::wstring& text) override { startPage_ = text; }
  std::wstring ScriptTemplate() override { return scriptTemplate_; }
  std::wstring StartPage() override { return startPage_; }
  bool TargetsR2000() override { return r2000_; }
  std::wstring ChosenCad() override { return cad_; }
  void Hide() override {}
  void Show() override {}
  void ShowMessage(const std::wstring& text, MessageKind) override {
    if (message_) message_(text);
  }

 private:
  std::vector<std::wstring> drawings_;
  std::wstring scriptTemplate_;
  std::wstring startPage_;
  bool r2000_;
  std::wstring cad_;
  const std::function<void(const std::wstring&)>& message_;
};

class ConsoleProgress final : public ProgressView {
 public:
  explicit ConsoleProgress(const std::function<bool()>& stopRequested)
      : stopRequested_(stopRequested) {}
  void Show() override {}
  void SetCaption(const std::wstring&) override {}
  void SetStartTime(const std::wstring&) override {}
  void SetEndTime(const std::wstring&) override {}
  void RunEnded(std::function<void()>) override {}
  void Close() override {}
  bool StopRequested() override { return stopRequested_ && stopRequested_(); }

 private:
  const std::function<bool()>& stopRequested_;
};

// The record of the whole command: each stretch's run reports in its own positions, which are
// put back into the list's, and the summary is kept on the way.
class StretchRecord final : public RunRecord {
 public:
  StretchRecord(const RunInputs& inputs, const std::vector<size_t>& selection, RunRecord& record,
                const GuiEngineParts& parts)
      : inputs_(inputs), selection_(selection), record_(record), parts_(parts) {
    summary_.drawings.resize(selection.size());
    for (size_t at = 0; at < selection.size(); ++at) {
      DrawingEnd& end = summary_.drawings[at];
      end.index = selection[at];
      end.total = selection.size();
      end.page = PageOf(inputs.startPage, end.index);
      end.drawing = inputs.drawings[end.index];
      end.result = DrawingResult::NotBegun;
    }
    startClock_.resize(selection.size());
  }

  // The next modify run works on `count` drawings from selection position `firstAt`.
  void BeginStretch(size_t firstAt, size_t count) {
    firstAt_ = firstAt;
    count_ = count;
    stretchWhole_ = false;
    stretchFailed_ = false;
  }
  bool AnyStarted() const { return started_; }
  // The last stretch's run saved every drawing it was given and was not stopped.
  bool StretchWhole() const { return stretchWhole_; }

  void Started(const RunInputs&) override {
    if (!started_) record_.Started(inputs_);
    started_ = true;
  }
  void Begun(size_t index) override {
    size_t at = firstAt_ + index;
    if (at >= selection_.size()) return;
    startClock_[at] = Clock();
    record_.Begun(selection_[at]);
  }
  void History(size_t index, const DrawingHistory& history) override {
    size_t at = firstAt_ + index;
    if (at >= selection_.size()) return;
    record_.History(selection_[at], history);
    history_ = history;
  }
  void Saved(size_t index) override {
    size_t at = firstAt_ + index;
    if (at >= selection_.size()) return;
    record_.Saved(selection_[at]);
    std::optional<DrawingHistory> history = std::exchange(history_, std::nullopt);
    bool erred = history && history->HasErrors();
    End(at, erred ? DrawingResult::ScriptError : DrawingResult::Done, 0,
        history ? history->Note() : L"");
  }
  void Failed(size_t index, long number, const std::wstring& description) override {
    stretchFailed_ = true;  // also a failure outside a drawing: the run ended with it
    size_t at = firstAt_ + index;
    if (index >= count_) return;
    record_.Failed(selection_[at], number, description);
    End(at, DrawingResult::Failed, number, description);
  }
  void Ended(size_t notBegunFrom, bool cancelled) override {
    stretchWhole_ = !cancelled && !stretchFailed_ && notBegunFrom >= count_;
    cancelled_ = cancelled_ || cancelled;
  }
  std::wstring LogPath() const override { return record_.LogPath(); }

  // Ends the command's record: the drawings from selection position `stopAt` on that did not
  // end were not begun (or cancelled, after a stop).
  ParallelSummary Finish(size_t stopAt, bool stopped) {
    cancelled_ = cancelled_ || stopped;
    while (stopAt < selection_.size() && summary_.drawings[stopAt].ended != 0) ++stopAt;
    if (started_) {
      size_t notBegunFrom =
          stopAt < selection_.size() ? selection_[stopAt] : inputs_.drawings.size();
      record_.Ended(notBegunFrom, cancelled_);
    }
    for (size_t at = stopAt; at < selection_.size(); ++at) {
      if (summary_.drawings[at].ended != 0) continue;
      summary_.drawings[at].result =
          cancelled_ ? DrawingResult::Cancelled : DrawingResult::NotBegun;
      ++summary_.notBegun;
    }
    summary_.cancelled = cancelled_;
    return std::move(summary_);
  }

 private:
  double Clock() const { return parts_.clockSeconds ? parts_.clockSeconds() : 0; }

  void End(size_t at, DrawingResult result, long number, const std::wstring& text) {
    if (at >= selection_.size() || summary_.drawings[at].ended != 0) return;
    DrawingEnd& end = summary_.drawings[at];
    end.result = result;
    end.errorNumber = number;
    end.errorText = text;
    if (parts_.clockSeconds) end.seconds = Clock() - startClock_[at];
    end.ended = ++ended_;
    ++(result == DrawingResult::Done          ? summary_.saved
       : result == DrawingResult::ScriptError ? summary_.scriptErrors
                                              : summary_.failed);
    if (parts_.drawingEnded) parts_.drawingEnded(end);
  }

  const RunInputs& inputs_;
  const std::vector<size_t>& selection_;
  RunRecord& record_;
  const GuiEngineParts& parts_;
  ParallelSummary summary_;
  std::optional<DrawingHistory> history_;  // of the drawing at hand
  std::vector<double> startClock_;
  size_t firstAt_ = 0;
  size_t count_ = 0;
  size_t ended_ = 0;
  bool started_ = false;
  bool stretchWhole_ = false;
  bool stretchFailed_ = false;
  bool cancelled_ = false;
};

// The length of the stretch of consecutive positions that starts at selection position `at`.
size_t StretchLength(const std::vector<size_t>& selection, size_t at) {
  size_t length = 1;
  while (at + length < selection.size() && selection[at + length] == selection[at] + length) {
    ++length;
  }
  return length;
}

}  // namespace

GuiOutcome RunOnGui(const RunInputs& inputs, const std::vector<size_t>& selection,
                    RunRecord& record, const GuiEngineParts& parts) {
  ConsoleProgress progress(parts.stopRequested);
  StretchRecord stretches(inputs, selection, record, parts);
  size_t at = 0;
  bool stopped = false;
  while (at < selection.size()) {
    if (at > 0 && progress.StopRequested()) {
      stopped = true;
      break;
    }
    size_t length = StretchLength(selection, at);
    StretchView main(inputs, selection[at], length, parts.message);
    stretches.BeginStretch(at, length);
    RunHost host{parts.connector, parts.keys, parts.script, progress, main,
                 parts.timeOfDay, stretches,  parts.history};
    ModifyRun(host);
    if (!stretches.StretchWhole()) break;
    at += length;
  }
  GuiOutcome outcome;
  outcome.reachedAutoCad = stretches.AnyStarted();
  outcome.summary = stretches.Finish(at, stopped);
  return outcome;
}

}  // namespace kavro::run
