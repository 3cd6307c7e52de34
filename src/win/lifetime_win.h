#pragma once
// The program ends when its last top-level window has closed, or at once by the exit buttons.
// One object per program (tests make their own); every top-level window reports to it.
namespace kavro::win {

class Lifetime {
 public:
  void WindowOpened() { ++openWindows_; }
  void WindowClosed();  // posts WM_QUIT after the last one
  [[noreturn]] void EndNow();

 private:
  int openWindows_ = 0;
};

}  // namespace kavro::win
