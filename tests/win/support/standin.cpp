#include "support/standin.h"

#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "standin/config.h"
#include "standin/log.h"
#include "support/support.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace kavro::test {
namespace {

using Microsoft::WRL::ComPtr;

// The stand-in's class id (tools/standin/registration.h).
constexpr CLSID kStandinClsid = {
    0x8e2c5a51, 0x4b7d, 0x4c0f, {0x9a, 0x36, 0x2d, 0x71, 0xc0, 0xa5, 0xe9, 0x14}};

std::wstring InstallFolder() {
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
  return std::wstring(folder) + L"\\AutoCAD";
}

std::wstring BuiltExe() { return BuildFolder() + L"\\tools\\acad.exe"; }

std::wstring FileNameOf(const std::wstring& path) {
  return path.substr(path.find_last_of(L'\\') + 1);
}

// Runs the built stand-in with one argument and waits for it.
bool RunBuilt(const wchar_t* argument) {
  return RunProgram(L"\"" + BuiltExe() + L"\" " + argument, 30000) == 0;
}

}  // namespace

void ForEachProcessOf(const std::wstring& program, const std::function<void(HANDLE)>& each) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, FileNameOf(program).c_str()) != 0) continue;
    HANDLE process =
        OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                    entry.th32ProcessID);
    if (!process) continue;
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    QueryFullProcessImageNameW(process, 0, path, &size);
    if (_wcsicmp(path, program.c_str()) == 0) each(process);
    CloseHandle(process);
  }
  CloseHandle(snapshot);
}

void EndProcessesOf(const std::wstring& program) {
  ForEachProcessOf(program, [](HANDLE process) {
    if (WaitForSingleObject(process, 3000) == WAIT_TIMEOUT) {
      TerminateProcess(process, 9);
      WaitForSingleObject(process, 5000);
    }
  });
}

namespace {

void WriteOptions(StandinOptions options, const std::wstring& logPath) {
  options.log = logPath;
  win::WriteFileReplacing(InstallFolder() + L"\\standin.ini",
                          "# written by a test\r\n" + ::standin::ConfigText(options));
}

}  // namespace

Standin::Standin(const StandinOptions& options) {
  KillAll();
  Register();
  static int count = 0;
  logPath_ = MakeTempFolder(L"standin") + L"\\standin-" + std::to_wstring(++count) + L".log";
  DeleteFileW(logPath_.c_str());
  // Each test's command histories begin afresh, as each drawing's would.
  StandinOptions fresh = options;
  if (fresh.historyFolder.empty()) fresh.historyFolder = logPath_.substr(0, logPath_.size() - 4);
  WriteOptions(fresh, logPath_);
}

Standin::~Standin() { KillAll(); }

// 0: this build installed. The Core Console goes beside it (a copy is its installation); a
// console still running keeps its file, which is then this build's already.
bool Standin::Register() {
  bool registered = RunBuilt(L"/RegServer");
  CopyFileW((BuildFolder() + L"\\tools\\accoreconsole.exe").c_str(), CoreExePath().c_str(), FALSE);
  return registered;
}
bool Standin::Unregister() { return RunBuilt(L"/UnregServer"); }
std::wstring Standin::ExePath() { return InstallFolder() + L"\\acad.exe"; }
std::wstring Standin::CoreExePath() { return InstallFolder() + L"\\accoreconsole.exe"; }
std::wstring Standin::TemplatePath() { return InstallFolder() + L"\\TEMPLATE\\acad.dwt"; }

bool Standin::StartDirectly() {
  if (RunProgram(L"\"" + ExePath() + L"\" --config \"" + InstallFolder() + L"\\standin.ini\"") !=
      0) {
    return false;
  }
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool found = PumpUntil([] { return RunningAutoCad() != nullptr; }, 15000);
  if (SUCCEEDED(init)) CoUninitialize();
  return found;
}

BOOL CALLBACK CloseStandinWindow(HWND window, LPARAM) {
  if (ClassOf(window) == L"KavroStandinAutoCAD") PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

void Standin::KillAll() {
  // Closed first, so that it withdraws its class object: Wine's COM keeps handing out a
  // killed server's one, and the next start of "AutoCAD.Application" would fail.
  if (HANDLE wake = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"KavroStandinWake")) {
    SetEvent(wake);
    CloseHandle(wake);
  }
  EnumWindows(CloseStandinWindow, 0);
  EndProcessesOf(ExePath());
}

bool Standin::IsRunning() {
  bool running = false;
  ForEachProcessOf(ExePath(), [&](HANDLE process) {
    running = running || WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  });
  return running;
}

HWND Standin::Window() { return FindWindowW(L"KavroStandinAutoCAD", nullptr); }

std::vector<std::wstring> Standin::LogLines() const { return ReadLogLines(logPath_); }

Lines ReadLogLines(const std::wstring& logPath) {
  std::string bytes;
  win::ReadWholeFile(logPath, &bytes);
  std::vector<std::wstring> lines;
  std::istringstream stream(bytes);
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(win::FromUtf8(line));
  }
  return lines;
}

std::vector<std::wstring> Standin::Calls() const {
  Lines calls = LogLines();
  std::erase_if(
      calls, [](const std::wstring& l) { return l.starts_with(L"get ") || l.starts_with(L"- "); });
  return calls;
}

bool Standin::Logged(std::wstring_view part) const { return AnyHolds(LogLines(), part); }

bool AnyHolds(const Lines& lines, std::wstring_view part) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::wstring& line) { return line.find(part) != line.npos; });
}

// The stand-in's own quoting (tools/standin/log.cpp), so that expected lines match by design.
std::wstring LogQuote(std::wstring_view text) { return ::standin::Quote(text); }
std::wstring TypedLine(std::wstring_view keys) { return L"Typed " + ::standin::QuoteTyped(keys); }

ComPtr<IDispatch> RunningAutoCad() {
  ComPtr<IUnknown> running;
  ComPtr<IDispatch> app;
  if (SUCCEEDED(GetActiveObject(kStandinClsid, nullptr, &running))) running.As(&app);
  return app;
}

}  // namespace kavro::test
