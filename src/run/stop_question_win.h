#pragma once
// The question whether to stop a modify run. It is asked on a thread of its own: the run goes on
// while the question waits for its answer, and only reads the answer between two drawings.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "win/message_box_win.h"

namespace kavro::run {

inline constexpr wchar_t kStopQuestion[] = L"是否在当前图纸保存后停止批量修改？";

class StopQuestion {
 public:
  explicit StopQuestion(win::MessageBoxes& messages) : messages_(messages) {}
  ~StopQuestion();  // closes the question if it is still open
  StopQuestion(const StopQuestion&) = delete;
  StopQuestion& operator=(const StopQuestion&) = delete;

  // Asks, owned by `owner`, unless the question is open or was answered Yes already.
  void Ask(HWND owner);
  bool Answered() const;  // true once the answer was Yes
  // The run is over: an open question goes without an answer, and the next run starts afresh.
  void Reset();

  struct Shared;  // between this object and the asking thread, which may outlive it

 private:
  win::MessageBoxes& messages_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace kavro::run
