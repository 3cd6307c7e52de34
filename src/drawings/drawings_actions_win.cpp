#include "drawings/drawings_actions_win.h"

#include <algorithm>

#include "base/titles.h"
#include "drawings/drawing_list.h"
#include "drawings/drop_target_win.h"
#include "drawings/list_box_win.h"
#include "drawings/list_file.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace kavro::drawings {

namespace {

constexpr wchar_t kAddFilesTitle[] = L"Select File(s)...";
constexpr wchar_t kDrawingFilter[] = L"图形 (*.dwg)|*.dwg";
constexpr wchar_t kSaveListTitle[] = L"保存列表文件";
constexpr wchar_t kLoadListTitle[] = L"读取列表文件";
constexpr wchar_t kListFileFilter[] = L"列表文件(*.txt)|*.txt|所有文件（*.*)|*.*";

DrawingListBox ListOf(const DrawingsView& view) { return DrawingListBox(view.list); }

void ShowError(const DrawingsView& view, const wchar_t* text) {
  view.messages.Show(view.owner, text, kErrorTitle, MB_OK | MB_ICONERROR);
}

// Access refused (a folder, a read-only file) counts as a cancel; the rest as a bad file.
const wchar_t* MessageForFileError(unsigned long error, const wchar_t* cancelled) {
  return error == ERROR_ACCESS_DENIED ? cancelled : kBadDataMessage;
}

// A folder or a read-only file is not replaced, even where the system would let the file written
// beside it take its place.
bool RefusesWriting(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

// CommonDialog4 as the window defines it; no other action changes its filter.
FileDialogControl& ListFileDialog(const DrawingsView& view, const wchar_t* title) {
  FileDialogControl& dialog = view.listFileDialog;
  dialog.filter = kListFileFilter;
  dialog.dialogTitle = title;
  return dialog;
}

// The lines of a list file as the list box will hold them: up to a NUL, and each followed by one
// in `text`, so that they can be handed to the list box where they are.
std::vector<std::wstring_view> EntriesOfListText(std::wstring& text) {
  std::vector<std::wstring_view> lines = SplitListLines(text);
  for (std::wstring_view& line : lines) {
    line = line.substr(0, line.find(L'\0'));
    text[static_cast<size_t>(line.data() - text.data()) + line.size()] = L'\0';
  }
  return lines;
}

void AddDropped(HWND listBox, const std::vector<std::wstring>& paths) {
  std::vector<std::wstring> drawings;
  std::copy_if(paths.begin(), paths.end(), std::back_inserter(drawings), EndsWithDwg);
  DrawingListBox list(listBox);
  SortBatch(drawings, list.Order());
  list.InsertSorted(drawings);
}

}  // namespace

void AddFiles(const DrawingsView& view) {
  FileDialogControl& dialog = view.addFilesDialog;
  dialog.fileName.clear();
  dialog.cancelError = true;
  dialog.dialogTitle = kAddFilesTitle;
  dialog.flags = kOfnExplorer | kOfnAllowMultiSelect | kOfnHideReadOnly;
  dialog.filter = kDrawingFilter;
  if (dialog.ShowOpen(view.dialogs) != DialogOutcome::Chosen) {
    ShowError(view, kSelectFilesMessage);
    return;
  }
  DrawingListBox list = ListOf(view);
  std::vector<std::wstring> paths = PathsFromDialogResult(dialog.fileName);
  SortBatch(paths, list.Order());
  std::vector<std::wstring> added = WithoutDuplicates(list, list.Order(), std::move(paths));
  if (!list.InsertSorted(added)) {
    ShowError(view, kSelectFilesMessage);
  }
}

void DeleteSelected(const DrawingsView& view) {
  DrawingListBox list = ListOf(view);
  list.Remove(list.SelectedIndexes());
}

void DeleteAll(const DrawingsView& view) { ListOf(view).Clear(); }

void SaveList(const DrawingsView& view) {
  FileDialogControl& dialog = ListFileDialog(view, kSaveListTitle);
  DialogOutcome outcome = dialog.ShowSave(view.dialogs);
  if (outcome != DialogOutcome::Chosen) {
    ShowError(view, outcome == DialogOutcome::Cancelled ? kSaveCancelledMessage : kBadDataMessage);
    return;
  }
  std::wstring text;
  {
    DrawingListBox::Entries entries = ListOf(view).ReadAll();
    text.reserve(entries.text.size() + entries.views.size());
    for (std::wstring_view entry : entries.views) {
      AppendListLine(text, entry);
    }
  }
  win::AnsiEncoding encoded = win::EncodeAnsi(text);
  text = std::wstring();
  if (encoded.unmappableAt) {
    // The code page would write "?" in its place: the file would name another drawing.
    ShowError(view, kBadDataMessage);
    return;
  }
  if (RefusesWriting(dialog.fileName)) {
    ShowError(view, kSaveCancelledMessage);
    return;
  }
  win::FileResult written = win::WriteFileReplacing(dialog.fileName, encoded.bytes);
  if (!written.ok) {
    ShowError(view, MessageForFileError(written.error, kSaveCancelledMessage));
  }
}

void LoadList(const DrawingsView& view) {
  // The list is replaced only by a file read whole; a cancel or a failure leaves it as it was.
  FileDialogControl& dialog = ListFileDialog(view, kLoadListTitle);
  DialogOutcome outcome = dialog.ShowOpen(view.dialogs);
  if (outcome != DialogOutcome::Chosen) {
    ShowError(view, outcome == DialogOutcome::Cancelled ? kLoadCancelledMessage : kBadDataMessage);
    return;
  }
  std::wstring text;
  {
    std::string bytes;
    win::FileResult read = win::ReadWholeFile(dialog.fileName, &bytes);
    if (!read.ok) {
      ShowError(view, MessageForFileError(read.error, kLoadCancelledMessage));
      return;
    }
    text = win::DecodeAnsi(bytes);
  }
  std::vector<std::wstring_view> entries = EntriesOfListText(text);
  DrawingListBox list = ListOf(view);
  SortBatch(entries, list.Order());
  if (!list.Replace(entries)) {
    ShowError(view, kBadDataMessage);
  }
}

void AcceptDrops(const DrawingsView& view) {
  // The list box outlives its drop target; the view's pieces are copied for the drops to come.
  HWND list = view.list;
  AcceptFileDrops(list,
                  [list](const std::vector<std::wstring>& paths) { AddDropped(list, paths); });
}

}  // namespace kavro::drawings
