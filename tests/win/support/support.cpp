#include "support/support.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdlib>

#include "win/message_loop_win.h"
#include "base/program_folder.h"
#include "win/text_win.h"

namespace kavro::test {

void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    win::ProcessMessage(msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) {
      return done();
    }
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
  if (!path.empty() && path[0] == L'\\') {
    path = L"Z:" + path;
  }
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
  for (const std::wstring& path : paths) {
    list += path + L'\0';
  }
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

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
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

}  // namespace kavro::test
