#include "cli/inputs_win.h"

#include <windows.h>

#include <vector>

#include "drawings/folder_search_win.h"
#include "drawings/list_box_win.h"
#include "drawings/list_file.h"
#include "run/run_parts_win.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace kavro::cli {

namespace {

std::optional<std::wstring> ReadAnsiFile(const std::wstring& path, const wchar_t* what,
                                         std::wstring* error) {
  std::string bytes;
  win::FileResult read = win::ReadWholeFile(path, &bytes);
  if (!read.ok) {
    *error =
        L"无法读取" + std::wstring(what) + L" " + path + L"：" + win::SystemMessage(read.error);
    return std::nullopt;
  }
  return win::DecodeAnsi(bytes);
}

std::vector<std::wstring> DrawingsOf(std::wstring& listText) {
  std::vector<std::wstring_view> entries = drawings::EntriesOfListText(listText);
  drawings::SortBatch(entries, drawings::ListBoxOrder(GetThreadLocale()));
  return {entries.begin(), entries.end()};
}

}  // namespace

std::optional<std::wstring> RefusalOfInputs(const run::RunInputs& inputs) {
  std::wstring noFolder;
  run::ScriptFileOnDisk script(noFolder);  // only asked what its code page can hold
  return run::InputRefusal(inputs, script);
}

std::optional<run::RunInputs> ReadRunInputs(const CommandLine& line, std::wstring* error) {
  drawings::DiskFolders disk;
  bool folder = disk.IsFolder(line.listPath);
  std::vector<std::wstring> found;
  if (folder) {
    // The same search as a folder dropped on the list, in the list box's order.
    found =
        drawings::DrawingsOfPaths(disk, {line.listPath}, drawings::ListBoxOrder(GetThreadLocale()));
  } else {
    std::optional<std::wstring> listText = ReadAnsiFile(line.listPath, L"图纸列表文件", error);
    if (!listText) return std::nullopt;
    found = DrawingsOf(*listText);
  }
  std::optional<std::wstring> scriptTemplate = ReadAnsiFile(line.scriptPath, L"脚本文件", error);
  if (!scriptTemplate) return std::nullopt;
  run::RunInputs inputs;
  inputs.drawings = std::move(found);
  inputs.scriptTemplate = std::move(*scriptTemplate);
  inputs.startPage = line.startPage;
  inputs.r2000 = line.r2000;
  if (inputs.drawings.empty()) {
    *error = (folder ? L"文件夹 " : L"图纸列表文件 ") + line.listPath + L" 中没有图纸。";
    return std::nullopt;
  }
  if (auto refusal = RefusalOfInputs(inputs)) {
    *error = *refusal;
    return std::nullopt;
  }
  return inputs;
}

}  // namespace kavro::cli
