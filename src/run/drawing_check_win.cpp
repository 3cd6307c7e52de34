#include "run/drawing_check_win.h"

#include <windows.h>

#include "run/history_text.h"
#include "win/handles_win.h"
#include "win/text_win.h"

namespace kavro::run {

namespace {

// More than any user and machine name: a bigger file is read only this far.
constexpr DWORD kLockFileMostBytes = 4096;

// "<folder>\<name>.dwl" beside "<folder>\<name>.dwg" (AutoCAD's WHOHAS file; see LockOwnerOf).
std::wstring LockFileOf(const std::wstring& drawing) {
  size_t slash = drawing.find_last_of(L"\\/");
  size_t dot = drawing.find_last_of(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
    return drawing + L".dwl";
  }
  return drawing.substr(0, dot) + L".dwl";
}

void ReadLockOwner(const std::wstring& drawing, DrawingFileState& state) {
  win::UniqueFile file(CreateFileW(LockFileOf(drawing).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  std::string bytes(kLockFileMostBytes, '\0');
  DWORD read = 0;
  if (!ReadFile(file.Get(), bytes.data(), kLockFileMostBytes, &read, nullptr)) return;
  bytes.resize(read);
  auto ansi = [](std::string_view text) { return win::DecodeAnsi(text); };
  if (auto owner = LockOwnerOf(DecodeHistory(bytes, ansi))) {
    state.lockUser = owner->user;
    state.lockMachine = owner->machine;
  }
}

}  // namespace

DrawingFileState DrawingFilesOnDisk::Probe(const std::wstring& path, bool existenceOnly) {
  DrawingFileState state;
  DWORD attributes = GetFileAttributesW(path.c_str());
  state.isFile = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (!state.isFile || existenceOnly) return state;
  state.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (state.readOnly) return state;
  // Opening it for writing with no sharing writes nothing and leaves its time stamps alone.
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) return state;
  DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    state.isFile = false;  // gone since it was looked at
    return state;
  }
  if (error == ERROR_ACCESS_DENIED) {
    // Its permissions let this user read it only (a share, a folder's rights): as good as
    // read-only for a run, and nobody need be holding it.
    state.readOnly = true;
    return state;
  }
  state.inUse = true;
  ReadLockOwner(path, state);
  return state;
}

bool AnsiEncodable(std::wstring_view script) { return !win::EncodeAnsi(script).unmappableAt; }

}  // namespace kavro::run
