#include "support/kavro_process.h"

#include <string>

#include "support/support.h"

namespace kavro::test {
namespace {

std::function<bool(HWND)> ClassNamed(const wchar_t* name) {
  return [name](HWND w) { return ClassOf(w) == name; };
}

}  // namespace

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
         (main = WaitForWindow(ClassNamed(L"kavrofrm"))) &&
         (adfrm = WaitForWindow(ClassNamed(L"adfrm"))) &&
         (ad1frm = WaitForWindow(ClassNamed(L"ad1frm")));
}

HWND KavroProcess::WaitForWindow(const std::function<bool(HWND)>& match, DWORD waitMs) const {
  HWND w = nullptr;
  PumpUntil(
      [&] {
        w = FindTopWindow(0, [&](HWND candidate) {
          DWORD pid = 0;
          GetWindowThreadProcessId(candidate, &pid);
          return pid == process_.dwProcessId && IsWindowVisible(candidate) && match(candidate);
        });
        return w != nullptr;
      },
      waitMs);
  return w;
}

HWND KavroProcess::Box() const {
  return WaitForWindow([](HWND w) { return ClassOf(w) == L"#32770" && WindowText(w) == L"Kavro"; },
                       0);
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
