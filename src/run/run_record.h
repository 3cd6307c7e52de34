#pragma once
// The run's record as an engine sees it: what it tells about each drawing, in the order it
// happens. The journal and the run log that implement it live in src/record/.
#include <cstddef>
#include <string>

#include "run/run_inputs.h"

namespace kavro::run {

// What became of one drawing of a run.
enum class DrawingResult {
  Done,         // 完成
  ScriptError,  // 脚本报错: saved, but its command history shows that the script went wrong
  Previewed,    // 预览
  Failed,       // 失败
  Cancelled,    // 已取消: not begun because of a cancel
  NotBegun,     // 未开始: not begun because of a failure
};

enum class RunKind { Modify, Preview };

class RunRecord {
 public:
  virtual ~RunRecord() = default;
  // The run has connected to AutoCAD and is about to begin with these inputs (a preview passes
  // only the drawing it previews).
  virtual void Started(const RunInputs& inputs) = 0;
  virtual void Begun(size_t index) = 0;  // before drawing `index` is opened
  virtual void Saved(size_t index) = 0;  // Close(true) returned; for a preview, its script ran
  // From now on a Saved is written at once but reaches the disk with the next record that must
  // (a Begun: one flush for a drawing's end and the next one's start), or at Settle. For a caller
  // that begins the next drawing right after an end and calls Settle before anything that may take
  // long; a record without such a distinction ignores it and keeps every record durable at once.
  virtual void FlushSavedLater() {}
  // Every record so far is on the disk when it returns.
  virtual void Settle() {}
  virtual void Failed(size_t index, long number, const std::wstring& description) = 0;
  // The run is over; the drawings from `notBegunFrom` on were not begun, because of a cancel
  // when `cancelled`, else because of a failure (none when it equals the count).
  virtual void Ended(size_t notBegunFrom, bool cancelled) = 0;
  // The run log's path, for the messages; empty when there is none.
  virtual std::wstring LogPath() const = 0;
};

}  // namespace kavro::run
