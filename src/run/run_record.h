#pragma once
// The run's record as an engine sees it: what it tells about each drawing, in the order it
// happens. The journal and the run log that implement it live in src/record/.
#include <cstddef>
#include <string>
#include <vector>

#include "run/run_inputs.h"
#include "run/script_errors.h"

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

// The 错误说明 of a drawing saved without the command history the run asked AutoCAD for.
inline constexpr wchar_t kHistoryUnreadNote[] = L"未能读取命令记录";

// A drawing's command history as the run read it: what AutoCAD wrote while the drawing was open
// (the desktop program's history file, the Core Console's output).
struct DrawingHistory {
  bool read = false;  // false: AutoCAD did not give it; the drawing is judged as before
  std::wstring text;
  std::vector<ScriptError> errors;  // FindScriptErrors(text)

  static DrawingHistory Of(std::wstring text);
  bool HasErrors() const { return read && !errors.empty(); }
  // The 错误说明 of a drawing saved with this history: its error lines, the unread note, or none.
  std::wstring Note() const;
};

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
  // Before Saved or Failed, for a drawing whose command history the run asked for (desktop
  // R2000+ and Core Console runs): a saved drawing with error lines in it is 脚本报错.
  virtual void History(size_t index, const DrawingHistory& history) {}
  virtual void Failed(size_t index, long number, const std::wstring& description) = 0;
  // A drawing under way whose job was cancelled before it changed the drawing (已取消). A record
  // that does not tell such a drawing apart counts it failed.
  virtual void Cancelled(size_t index, long number, const std::wstring& description) {
    Failed(index, number, description);
  }
  // The run is over; the drawings from `notBegunFrom` on were not begun, because of a cancel
  // when `cancelled`, else because of a failure (none when it equals the count).
  virtual void Ended(size_t notBegunFrom, bool cancelled) = 0;
  // The run log's path, for the messages; empty when there is none.
  virtual std::wstring LogPath() const = 0;
};

}  // namespace kavro::run
