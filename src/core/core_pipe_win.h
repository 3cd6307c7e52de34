#pragma once
// The pipe a console process prints into, read on a thread of its own into a bounded buffer.
// The reads are overlapped, so that they can be given up on: a process's own children may keep
// the writing end open after it exited.
#include <windows.h>

#include <string>
#include <vector>

#include "core/core_output.h"
#include "win/handles_win.h"

namespace kavro::run {

class OutputPipe {
 public:
  // Throws std::system_error when the pipe, its events or its thread cannot be made.
  OutputPipe();
  ~OutputPipe();  // stops reading at once
  OutputPipe(const OutputPipe&) = delete;
  OutputPipe& operator=(const OutputPipe&) = delete;

  // The writing end, inheritable, for the child's standard output and error; to be closed here
  // once the child has it (else the end of the output never arrives).
  HANDLE ChildEnd() const { return write_.Get(); }
  void CloseChildEnd() { write_.Reset(); }

  // Reads on until the output ends or `graceMs` passed, then stops. Once stopped, the lines are
  // complete.
  void Finish(DWORD graceMs);
  std::vector<std::wstring> LastLines(size_t count) const { return output_.LastLines(count); }
  std::wstring History() const { return output_.History(); }

 private:
  static DWORD WINAPI ReadLoop(void* self);
  void Read();

  win::UniqueHandle read_;
  win::UniqueHandle write_;
  win::UniqueHandle stop_;
  win::UniqueHandle readDone_;  // the overlapped reads' event
  win::UniqueHandle thread_;
  CoreOutput output_;  // written by the thread only, read once it has ended
};

}  // namespace kavro::run
