#include "support/support.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "base/program_folder.h"
#include "base/utf8.h"
#include "record/record_files_win.h"
#include "win/file_win.h"
#include "win/message_loop_win.h"
#include "win/program_folder_win.h"
#include "win/text_win.h"

namespace kavro::test {

void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) win::ProcessMessage(msg);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpPending();
  }
  return true;
}

namespace {

// A path CMake built as a Unix path; Wine maps it through drive Z:.
std::wstring BuildPath(const char* built) {
  std::wstring path = win::FromUtf8(built);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (!path.empty() && path[0] == L'\\') path = L"Z:" + path;
  return path;
}

}  // namespace

std::wstring KavroExePath() { return BuildPath(KAVRO_EXE_PATH); }
std::wstring KavroComPath() { return BuildPath(KAVRO_COM_PATH); }

std::wstring BuildFolder() { return FolderOfPath(KavroExePath()); }

RECT RectInParent(HWND child, HWND parent) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

HWND FindTopWindow(DWORD thread, const std::function<bool(HWND)>& match) {
  struct Search {
    const std::function<bool(HWND)>& match;
    HWND found = nullptr;
  } search{match};
  auto visit = [](HWND w, LPARAM p) -> BOOL {
    auto* s = reinterpret_cast<Search*>(p);
    if (s->match(w)) {
      s->found = w;
      return FALSE;
    }
    return TRUE;
  };
  if (thread) {
    EnumThreadWindows(thread, visit, reinterpret_cast<LPARAM>(&search));
  } else {
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
  }
  return search.found;
}

std::wstring MakeTempFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder =
      std::wstring(temp) + L"kavro-test-" + name + L"-" + std::to_wstring(GetCurrentProcessId());
  SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return folder;
}

HGLOBAL DropFileList(const std::vector<std::wstring>& paths) {
  std::wstring list;
  for (const std::wstring& path : paths) list += path + L'\0';
  list += L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  memcpy(files + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

Microsoft::WRL::ComPtr<IDataObject> ClipboardOffering(UINT format, HGLOBAL data) {
  Microsoft::WRL::ComPtr<IDataObject> object;
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    SetClipboardData(format, data);
    CloseClipboard();
  }
  OleGetClipboard(&object);
  return object;
}

// The list may be changing meanwhile (a run removes its entries): an entry that went reads as the
// end, and the buffer holds any path, so a longer entry moving into place cannot overrun it.
Lines ListBoxEntries(HWND list) {
  Lines entries;
  std::wstring text(32768, L'\0');
  LRESULT n = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
    if (length == LB_ERR || length >= static_cast<LRESULT>(text.size())) break;
    length = SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    if (length == LB_ERR) break;
    entries.emplace_back(text.data(), static_cast<size_t>(length));
  }
  return entries;
}

// GetWindowText does not ask a control of another process; WM_GETTEXT does.
std::wstring ControlText(HWND control) {
  wchar_t text[512] = L"";
  SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

Lines FilesIn(const std::wstring& folder) {
  Lines names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

void DeleteFilesIn(const std::wstring& folder) {
  for (const std::wstring& name : FilesIn(folder)) DeleteFileW((folder + L"\\" + name).c_str());
}

void ClearKavroRecords() {
  std::wstring data = JoinFolder(win::LocalAppDataFolder(), L"Kavro");
  for (const std::wstring& f : {run::JournalFolder(data), run::LogFolder(data)}) DeleteFilesIn(f);
}

std::wstring MakeDrawing(const std::wstring& folder, const std::wstring& name,
                         const std::string& content) {
  std::wstring path = folder + L"\\" + name;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  win::WriteFileReplacing(path, content);
  return path;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  win::ReadWholeFile(path, &bytes);
  return bytes;
}

std::vector<Lines> LogRowsByPage(const std::wstring& path) {
  std::vector<Lines> rows = ReadCsv(path);
  if (!rows.empty()) rows.erase(rows.begin());
  for (Lines& row : rows) row.resize(3);
  std::sort(rows.begin(), rows.end(),
            [](const Lines& a, const Lines& b) { return std::stoi(a[0]) < std::stoi(b[0]); });
  return rows;
}

std::vector<Lines> ReadCsv(const std::wstring& path) {
  std::string bytes = ReadBytes(path);
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
  std::wstring text = FromUtf8(bytes).value_or(L"");
  std::vector<Lines> rows;
  Lines row{L""};
  bool quoted = false;
  for (size_t at = 0; at < text.size(); ++at) {
    wchar_t c = text[at];
    if (c == L'"' && quoted && at + 1 < text.size() && text[at + 1] == L'"') {
      row.back() += text[++at];  // a doubled quote inside quotes is one
    } else if (c == L'"') {
      quoted = !quoted;
    } else if (!quoted && c == L',') {
      row.emplace_back();
    } else if (!quoted && text.compare(at, 2, L"\r\n") == 0) {
      rows.push_back(std::exchange(row, Lines{L""}));
      ++at;
    } else {
      row.back() += c;
    }
  }
  if (row != Lines{L""}) rows.push_back(row);
  return rows;
}

namespace {

// Starts `commandLine` (in `folder`); quiet, without a window or output. Its process handle, or
// null when it did not start.
HANDLE Launch(std::wstring commandLine, const wchar_t* folder, bool quiet) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (quiet) startup.dwFlags = STARTF_USESTDHANDLES;  // none: its output stays out of the test's
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                      quiet ? CREATE_NO_WINDOW : 0, nullptr, folder, &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

}  // namespace

long RunProgram(std::wstring commandLine, DWORD waitMs, const wchar_t* folder) {
  HANDLE process = Launch(std::move(commandLine), folder, false);
  if (!process) return -1;
  DWORD code = 0;
  if (waitMs > 0 && WaitForSingleObject(process, waitMs) != WAIT_OBJECT_0) {
    TerminateProcess(process, static_cast<UINT>(-1));
    WaitForSingleObject(process, 5000);
  }
  if (waitMs > 0) GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return static_cast<long>(code);
}

HANDLE StartThisProgram(const std::wstring& test) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return Launch(
      L"\"" + std::wstring(self) + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + test,
      nullptr, true);
}

std::wstring EnvironmentValue(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? value : L"";
}

}  // namespace kavro::test
