#pragma once
// kavro.exe started as a user starts it, for tests and benchmarks of the whole program.
#include <windows.h>

#include <functional>
#include <string>

#include "app/main_layout.h"

namespace kavro::test {

class KavroProcess {
 public:
  KavroProcess() = default;
  KavroProcess(const KavroProcess&) = delete;
  KavroProcess& operator=(const KavroProcess&) = delete;
  ~KavroProcess();  // ends the process if it still runs

  // Starts kavro.exe (the built one unless told; a copy from `folder`, its own); true once its
  // main window and both side windows are visible.
  bool Start();
  bool Start(const std::wstring& exePath, const wchar_t* folder = nullptr);
  bool Ended(DWORD waitMs) const;
  // Ends it at once, as a crash or a power cut would.
  void Kill();
  DWORD Id() const { return process_.dwProcessId; }
  // Ended within a few seconds, with exit code 0.
  bool EndedWithoutError() const;
  HWND Item(MainControl id) const { return GetDlgItem(main, ControlCommandId(id)); }
  // A visible top-level window of the process that `match` accepts, waited for up to `waitMs`;
  // null if none came.
  HWND WaitForWindow(const std::function<bool(HWND)>& match, DWORD waitMs = 10000) const;
  // Its message box (title "Kavro") now, or null.
  HWND Box() const;

  HWND main = nullptr;
  HWND adfrm = nullptr;
  HWND ad1frm = nullptr;

 private:
  PROCESS_INFORMATION process_{};
};

}  // namespace kavro::test
