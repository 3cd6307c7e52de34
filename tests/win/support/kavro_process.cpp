#include "support/kavro_process.h"

#include <string>

#include "support/support.h"

namespace kavro::test {

KavroProcess::~KavroProcess() {
  if (process_.hProcess) {
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 5000);  // its files are closed once it is gone
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

bool KavroProcess::Start() { return Start(KavroExePath()); }

bool KavroProcess::Start(const std::wstring& exePath, const wchar_t* folder) {
  std::wstring commandLine = L"\"" + exePath + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder,
                        &startup, &process_) &&
         (main = WaitForWindow(L"kavrofrm")) && (adfrm = WaitForWindow(L"adfrm")) &&
         (ad1frm = WaitForWindow(L"ad1frm"));
}

HWND KavroProcess::WaitForWindow(const wchar_t* className) const {
  HWND w = nullptr;
  PumpUntil(
      [&] {
        w = FindTopWindow(0, [&](HWND candidate) {
          DWORD pid = 0;
          GetWindowThreadProcessId(candidate, &pid);
          return pid == process_.dwProcessId && IsWindowVisible(candidate) &&
                 ClassOf(candidate) == className;
        });
        return w != nullptr;
      },
      10000);
  return w;
}

void KavroProcess::Kill() {
  TerminateProcess(process_.hProcess, 9);
  WaitForSingleObject(process_.hProcess, 5000);
}

bool KavroProcess::Ended(DWORD waitMs) const {
  return WaitForSingleObject(process_.hProcess, waitMs) == WAIT_OBJECT_0;
}

bool KavroProcess::EndedWithoutError() const {
  DWORD code = 1;
  return Ended(5000) && GetExitCodeProcess(process_.hProcess, &code) && code == 0;
}

}  // namespace kavro::test
