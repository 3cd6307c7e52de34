#include "run/run_parts_win.h"

#include <windows.h>

#include "base/program_folder.h"
#include "run/history_text.h"
#include "run/keyboard_win.h"
#include "win/file_win.h"
#include "win/program_folder_win.h"
#include "win/text_win.h"

namespace kavro::run {

namespace {

bool FolderWritable(const std::wstring& folder) {
  std::wstring probe =
      JoinFolder(folder, L"~kavro" + std::to_wstring(GetCurrentProcessId()) + L".tmp");
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace

void KeysToAutoCad::ActivateWindow(const std::wstring& title) {
  if (!ActivateWindowByTitle(title)) {
    throw RunFailure(5, L"找不到标题为“" + title + L"”的 AutoCAD 窗口，或无法激活它。");
  }
}

void KeysToAutoCad::Type(const std::wstring& keys) {
  if (!TypeKeys(keys, limits_.keysMs)) throw NotRead();
}

void KeysToAutoCad::TypeScriptCommand(const std::wstring& scriptPath) {
  // One input: each wait for AutoCAD to read the keys costs a round trip to its window.
  if (!TypeKeySequence(ScriptCommandKeys(scriptPath), limits_.keysMs)) throw NotRead();
}

RunFailure KeysToAutoCad::NotRead() const {
  return RunFailure(ERROR_TIMEOUT, L"AutoCAD 窗口没有在 " + std::to_wstring(limits_.keysMs / 1000) +
                                       L" 秒内接收键盘输入。");
}

std::wstring ScriptFileOnDisk::ScriptPath() {
  bool writable = FolderWritable(programFolder_);
  std::wstring folder =
      ScriptFolder(programFolder_, writable, writable ? L"" : win::LocalAppDataFolder());
  if (folder != programFolder_) CreateDirectoryW(folder.c_str(), nullptr);
  return ScriptPathIn(folder);
}

std::optional<size_t> ScriptFileOnDisk::FirstUnwritable(std::wstring_view text) {
  return win::EncodeAnsi(text).unmappableAt;
}

void ScriptFileOnDisk::Write(const std::wstring& path, const std::wstring& text) {
  win::AnsiEncoding ansi = win::EncodeAnsi(text);
  if (ansi.unmappableAt) {
    throw RunFailure(ERROR_NO_UNICODE_TRANSLATION,
                     L"脚本含有系统代码页无法保存的字符，无法写入 " + path);
  }
  win::FileResult result = win::WriteFileReplacing(path, ansi.bytes);
  if (!result.ok) {
    throw RunFailure(static_cast<long>(result.error),
                     L"无法写入脚本文件 " + path + L"：" + win::SystemMessage(result.error));
  }
}

uint64_t HistoryFilesOnDisk::Size(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

std::optional<std::wstring> HistoryFilesOnDisk::Added(const std::wstring& path,
                                                      uint64_t notedSize) {
  std::string bytes;
  if (!win::ReadWholeFile(path, &bytes).ok) return std::nullopt;
  return DecodeAddedHistory(bytes, notedSize,
                            [](std::string_view ansi) { return win::DecodeAnsi(ansi); });
}

}  // namespace kavro::run
