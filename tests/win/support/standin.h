#pragma once
// The stand-in AutoCAD (tools/standin) from a test's side: its settings, its registration as
// "AutoCAD.Application", starting and ending it, its log, and drawing files for it to open.
// One Standin object per test; tests that use it are *_e2e_test.cpp (run one at a time).
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "standin/config.h"
#include "support/support.h"

namespace kavro::test {

// The stand-in's own settings (tools/standin/config.h); its log path is chosen by Standin.
using StandinOptions = ::standin::Config;

class Standin {
 public:
  // Ends any stand-in still running, registers this build's stand-in and writes `options`
  // with a fresh, empty log for the next start (by COM or by StartDirectly).
  explicit Standin(const StandinOptions& options = {});
  ~Standin();  // ends any stand-in still running
  Standin(const Standin&) = delete;
  Standin& operator=(const Standin&) = delete;

  // Starts it as a user would (shown, not through COM); true once it is in the running
  // object table, where GetActiveObject finds it.
  bool StartDirectly();
  // Ends every running stand-in at once (TerminateProcess), as a crash would.
  static void KillAll();
  static bool IsRunning();
  // Its main window (also while hidden), or nullptr.
  static HWND Window();

  static bool Register();
  static bool Unregister();            // for "no AutoCAD on this machine"
  static std::wstring ExePath();       // the installed acad.exe (FullName)
  static std::wstring CoreExePath();   // the installed accoreconsole.exe
  static std::wstring TemplatePath();  // ...\TEMPLATE\acad.dwt

  std::vector<std::wstring> LogLines() const;
  // What clients sent: the log without "get " (reads) and "- " (the stand-in's own notes).
  std::vector<std::wstring> Calls() const;
  bool Logged(std::wstring_view part) const;  // a log line holds `part`

 private:
  std::wstring logPath_;
};

// A text as the log quotes it ("\r" for CR) and the log line of a typed keystroke text
// ("~" for Enter): Typed "filedia~0~".
std::wstring LogQuote(std::wstring_view text);
std::wstring TypedLine(std::wstring_view keys);

// Every running process of `program` (a full path), opened to be waited for or ended.
void ForEachProcessOf(const std::wstring& program, const std::function<void(HANDLE)>& each);
// Every running process of `program` given three seconds to end, then ended.
void EndProcessesOf(const std::wstring& program);
// A stand-in's log, line by line; whether a line holds `part`.
Lines ReadLogLines(const std::wstring& logPath);
bool AnyHolds(const Lines& lines, std::wstring_view part);

// The running stand-in as GetActiveObject finds it, or null.
Microsoft::WRL::ComPtr<IDispatch> RunningAutoCad();

}  // namespace kavro::test
