#pragma once
// kavro.com's side of the console: text out (as UTF-16 to a console, as UTF-8 to a file or pipe)
// and Ctrl+C, which asks a run to stop rather than killing the program.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string_view>

#include "win/handles_win.h"

namespace kavro::cli {

// One of the standard handles. Writes never throw: output that cannot go anywhere is dropped.
class TextOut {
 public:
  explicit TextOut(DWORD standardHandle);
  void Write(std::wstring_view text);

 private:
  HANDLE handle_;
  bool console_;
};

// While it lives, Ctrl+C and Ctrl+Break are counted instead of ending the program, and the first
// sets Pressed(). While EndProgramOnSecond(true), `endProgram` is called (on the handler's thread)
// at the second press: for work that cannot be ended piece by piece.
// One at a time: Windows gives the handler no context of its own.
class CtrlCWatch {
 public:
  explicit CtrlCWatch(std::function<void()> endProgram = {});
  ~CtrlCWatch();
  CtrlCWatch(const CtrlCWatch&) = delete;
  CtrlCWatch& operator=(const CtrlCWatch&) = delete;

  int Presses() const { return presses_.load(); }
  void EndProgramOnSecond(bool end) { endOnSecond_.store(end); }
  // Signalled (manual reset) at the first press and left so.
  HANDLE Pressed() const { return pressed_.Get(); }

 private:
  static BOOL WINAPI Handler(DWORD event);
  std::function<void()> endProgram_;
  std::atomic<int> presses_{0};
  std::atomic<bool> endOnSecond_{false};
  win::UniqueHandle pressed_;
};

}  // namespace kavro::cli
