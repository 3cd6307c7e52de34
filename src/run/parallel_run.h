#pragma once
// Several drawings at once: each drawing is a job of its own (on Windows a process of AutoCAD's
// console edition). The scheduler decides every drawing's script, keeps at most N jobs running,
// tells the run's record what happens in the order it happens, and stops starting drawings when
// the user cancels.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "run/run_inputs.h"
#include "run/run_record.h"

namespace kavro::run {

// Ends every drawing's script: the drawing is saved where it was opened.
inline constexpr wchar_t kSaveCommand[] = L"_.qsave\r\n";

// The full script of the drawing at list position `index`: its page and its names, then the save.
std::wstring ParallelScript(const RunInputs& inputs, size_t index);

struct JobStart {
  bool started = false;
  long errorNumber = 0;  // when not started: why
  std::wstring errorText;
};

struct JobEnd {
  size_t index = 0;  // as given to Start
  bool saved = false;
  long errorNumber = 0;
  std::wstring errorText;                 // the job's last lines of output, when it failed
  std::optional<DrawingHistory> history;  // what the job printed, when it was kept
};

class DrawingJobs {
 public:
  virtual ~DrawingJobs() = default;
  // Starts the drawing at list position `index` with its whole script.
  virtual JobStart Start(size_t index, const std::wstring& drawing, const std::wstring& script) = 0;
  // The drawing Start will most likely be given next, told while others run: what can be done
  // toward its start ahead of time without touching it may be done now. A later Start of another
  // drawing, or EndAll, undoes it.
  virtual void Prepare(size_t index, const std::wstring& drawing, const std::wstring& script) {}
  // Blocks until at least one started job has ended, or until the cancel state should be looked
  // at again (the caller's cancel wakes it); returns the jobs that ended, each once.
  virtual std::vector<JobEnd> WaitForEnds() = 0;
  // Ends every job still running and returns once they are gone; their ends are not reported.
  virtual void EndAll() = 0;
  // Whether EndAll leaves the drawings as they were (a remote job cancelled before its result
  // came back) rather than possibly half written.
  virtual bool EndAllKeepsDrawings() const { return false; }
};

enum class CancelLevel {
  None,
  Finish,  // no new drawing starts; the ones under way finish
  Force,   // the ones under way are ended too
};

struct DrawingEnd {
  size_t index = 0;  // list position
  size_t ended = 0;  // how many drawings of the run have ended, this one included
  size_t total = 0;  // drawings of the run
  std::wstring page;
  std::wstring drawing;
  DrawingResult result = DrawingResult::NotBegun;
  std::optional<double> seconds;  // from its start to its end; none when it never started
  long errorNumber = 0;
  std::wstring errorText;
  bool possiblyModified = false;  // ended by force while under way
};

struct ParallelOptions {
  size_t jobs = 1;  // at most this many at once (at least 1)
  // Looked at before each start and after each wait. Once Finish or Force, it stays so.
  std::function<CancelLevel()> cancel;
  std::function<double()> clockSeconds;  // a steady clock; none: no seconds
  std::function<void(const DrawingEnd&)> drawingEnded;
};

struct ParallelSummary {
  size_t saved = 0, failed = 0;
  size_t notBegun = 0;      // not begun, or cancelled under way with the drawing kept (已取消)
  size_t scriptErrors = 0;  // saved, but their scripts went wrong (not among `saved`)
  bool cancelled = false;
  std::vector<DrawingEnd> drawings;  // one per drawing of the run, in list order
};

// Error number of a drawing ended by a forced cancel.
inline constexpr long kForcedEndNumber = -1;
inline constexpr wchar_t kForcedEndText[] = L"已强行结束，图纸可能已经修改，请检查。";
// The same for jobs whose EndAll keeps the drawings.
inline constexpr long kCancelledEndNumber = 1223;  // ERROR_CANCELLED
inline constexpr wchar_t kCancelledEndText[] = L"已取消，图纸没有修改。";

// Runs every drawing of `inputs`.
ParallelSummary RunInParallel(const RunInputs& inputs, DrawingJobs& jobs, RunRecord& record,
                              const ParallelOptions& options);
// Runs the drawings at the given list positions (any order, repeats ignored), each with the page
// of its position. Throws std::out_of_range for a position beyond the list. The record's journal
// should count the others saved (RecorderParts::savedBefore).
ParallelSummary RunInParallel(const RunInputs& inputs, std::vector<size_t> selection,
                              DrawingJobs& jobs, RunRecord& record, const ParallelOptions& options);

}  // namespace kavro::run
