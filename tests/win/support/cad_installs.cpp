#include "support/cad_installs.h"

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include "support/support.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace kavro::test {
namespace {

std::wstring ProgramFiles() {
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
  return folder;
}

void SetValue(const std::wstring& key, const std::wstring& value) {
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + key).c_str(), nullptr, REG_SZ,
                  value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Asks the windows of process `id` to close.
void CloseWindowsOf(DWORD id) {
  EnumWindows(
      [](HWND window, LPARAM lp) -> BOOL {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == static_cast<DWORD>(lp)) PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
      },
      static_cast<LPARAM>(id));
}

void DeleteKey(const std::wstring& key) {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + key).c_str());
}

}  // namespace

InstalledCad::InstalledCad(CadInstall install)
    : install_(std::move(install)), folder_(ProgramFiles() + L"\\" + install_.folder) {
  SHCreateDirectoryExW(nullptr, (folder_ + L"\\TEMPLATE").c_str(), nullptr);
  EndAll();
  CopyFileW((BuildFolder() + L"\\tools\\acad.exe").c_str(), ExePath().c_str(), FALSE);
  if (install_.withConsole) {
    CopyFileW((BuildFolder() + L"\\tools\\accoreconsole.exe").c_str(),
              (folder_ + L"\\accoreconsole.exe").c_str(), FALSE);
  }
  if (!install_.templateName.empty()) {
    win::WriteFileReplacing(folder_ + L"\\TEMPLATE\\" + install_.templateName, "template\r\n");
  }
  logPath_ = MakeTempFolder(L"cad") + L"\\" + install_.exeName + L".log";
  DeleteFileW(logPath_.c_str());
  StandinOptions options = install_.options;
  options.log = logPath_;
  options.clsid = install_.clsid;
  win::WriteFileReplacing(folder_ + L"\\standin.ini", ::standin::ConfigText(options));
  for (const std::wstring& name : install_.classNames) SetValue(name + L"\\CLSID", install_.clsid);
  SetValue(L"CLSID\\" + install_.clsid + L"\\LocalServer32",
           L"\"" + ExePath() + L"\" --config \"" + folder_ + L"\\standin.ini\"");
}

InstalledCad::~InstalledCad() {
  EndAll();
  for (const std::wstring& name : install_.classNames) DeleteKey(name);
  DeleteKey(L"CLSID\\" + install_.clsid);
}

std::wstring InstalledCad::ExePath() const { return folder_ + L"\\" + install_.exeName; }

bool InstalledCad::StartDirectly() {
  size_t before = Starts();
  if (RunProgram(L"\"" + ExePath() + L"\" --config \"" + folder_ + L"\\standin.ini\"") != 0) {
    return false;
  }
  return PumpUntil([&] { return Starts() > before && Logged(L"ready"); }, 15000);
}

std::vector<std::wstring> InstalledCad::LogLines() const {
  std::string bytes;
  win::ReadWholeFile(logPath_, &bytes);
  Lines lines;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(win::FromUtf8(line));
    at = end + 1;
  }
  return lines;
}

bool InstalledCad::Logged(const std::wstring& part) const {
  for (const std::wstring& line : LogLines()) {
    if (line.find(part) != std::wstring::npos) return true;
  }
  return false;
}

size_t InstalledCad::Starts() const {
  size_t starts = 0;
  for (const std::wstring& line : LogLines()) starts += line.starts_with(L"- start ") ? 1 : 0;
  return starts;
}

// Closed first (see Standin::KillAll), then ended.
void InstalledCad::EndAll() const {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, install_.exeName.c_str()) != 0) continue;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                                 FALSE, entry.th32ProcessID);
    if (!process) continue;
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    QueryFullProcessImageNameW(process, 0, path, &size);
    if (_wcsicmp(path, ExePath().c_str()) == 0) {
      CloseWindowsOf(entry.th32ProcessID);
      if (WaitForSingleObject(process, 3000) == WAIT_TIMEOUT) {
        TerminateProcess(process, 9);
        WaitForSingleObject(process, 5000);
      }
    }
    CloseHandle(process);
  }
  CloseHandle(snapshot);
}

}  // namespace kavro::test
