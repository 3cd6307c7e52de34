#pragma once
#include <windows.h>

namespace kavro::win {

// Runs until WM_QUIT; Tab and arrow keys move between the controls of the program's windows.
int RunMessageLoop();
// One message as the loop handles it (tests pump through this too).
void ProcessMessage(MSG& msg);

// While a window works modally (the About window, a run waiting for AutoCAD) its owner takes no
// input, and a WM_QUIT that arrives meanwhile is handed back to the message loop at the end.
class ModalScope {
 public:
  explicit ModalScope(HWND owner);
  ~ModalScope();  // enables the owner again (if this scope disabled it), then re-posts WM_QUIT
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

  // One message of the modal wait: input for the owner is dropped, WM_QUIT is kept for later.
  void Pump(MSG& msg);
  void QuitSeen(int code);
  bool Quitting() const { return quitSeen_; }

 private:
  HWND owner_;
  bool disabled_ = false;
  bool quitSeen_ = false;
  int quitCode_ = 0;
};

}  // namespace kavro::win
