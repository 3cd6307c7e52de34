#include "drawings/drawings_actions_win.h"

#include <algorithm>

#include "app/main_window_win.h"
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

DrawingListBox ListOf(MainWindow& window) {
  return DrawingListBox(window.Item(MainControl::List2));
}

void ShowError(MainWindow& window, const wchar_t* text) {
  MessageBoxW(window.Hwnd(), text, kErrorTitle, MB_OK | MB_ICONERROR);
}

void ShowOutcome(MainWindow& window, ListFileAction action, ListFileOutcome outcome) {
  if (const wchar_t* message = MessageOf(action, outcome)) {
    ShowError(window, message);
  }
}

ListFileOutcome OutcomeOfDialog(DialogOutcome outcome) {
  switch (outcome) {
    case DialogOutcome::Chosen:
      return ListFileOutcome::Done;
    case DialogOutcome::Cancelled:
      return ListFileOutcome::DialogCancelled;
    case DialogOutcome::Failed:
      break;
  }
  return ListFileOutcome::DialogFailed;
}

ListFileOutcome OutcomeOfFile(const win::FileResult& result) {
  if (result.ok) {
    return ListFileOutcome::Done;
  }
  return result.error == ERROR_ACCESS_DENIED ? ListFileOutcome::AccessRefused
                                             : ListFileOutcome::FileError;
}

// A folder or a read-only file is not replaced, even where the system would let the file written
// beside it take its place.
bool RefusesWriting(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

// CommonDialog4 as the window defines it; no other action changes its filter.
FileDialogControl& ListFileDialog(MainWindow& window, const wchar_t* title) {
  FileDialogControl& dialog = window.CommonDialog4();
  dialog.filter = kListFileFilter;
  dialog.dialogTitle = title;
  return dialog;
}

void AddDropped(MainWindow& window, const std::vector<std::wstring>& paths) {
  std::vector<std::wstring> drawings;
  std::copy_if(paths.begin(), paths.end(), std::back_inserter(drawings), EndsWithDwg);
  DrawingListBox list = ListOf(window);
  SortBatch(drawings, list.Order());
  list.InsertSorted(drawings);
}

}  // namespace

void AddFiles(MainWindow& window) {
  FileDialogControl& dialog = window.CommonDialog1();
  dialog.fileName.clear();
  dialog.cancelError = true;
  dialog.dialogTitle = kAddFilesTitle;
  dialog.flags = kOfnExplorer | kOfnAllowMultiSelect | kOfnHideReadOnly;
  dialog.filter = kDrawingFilter;
  if (dialog.ShowOpen(window.Dialogs()) != DialogOutcome::Chosen) {
    ShowError(window, kSelectFilesMessage);
    return;
  }
  DrawingListBox list = ListOf(window);
  std::vector<std::wstring> paths = PathsFromDialogResult(dialog.fileName);
  SortBatch(paths, list.Order());
  std::vector<std::wstring> added = WithoutDuplicates(list, list.Order(), std::move(paths));
  if (!list.InsertSorted(added)) {
    ShowError(window, kSelectFilesMessage);
  }
}

void DeleteSelected(MainWindow& window) {
  DrawingListBox list = ListOf(window);
  list.Remove(list.SelectedIndexes());
}

void DeleteAll(MainWindow& window) { ListOf(window).Clear(); }

namespace {

ListFileOutcome SaveListTo(MainWindow& window, const std::wstring& path) {
  std::wstring text;
  {
    DrawingListBox::Entries entries = ListOf(window).ReadAll();
    text.reserve(entries.text.size() + entries.views.size());
    for (std::wstring_view entry : entries.views) {
      AppendListLine(text, entry);
    }
  }
  win::AnsiEncoding encoded = win::EncodeAnsi(text);
  text = std::wstring();
  if (encoded.unmappableAt) {
    return ListFileOutcome::Unmappable;
  }
  if (RefusesWriting(path)) {
    return ListFileOutcome::AccessRefused;
  }
  return OutcomeOfFile(win::WriteFileReplacing(path, encoded.bytes));
}

// The list is replaced only by a file read whole; a cancel or a failure leaves it as it was.
ListFileOutcome LoadListFrom(MainWindow& window, const std::wstring& path) {
  std::wstring text;
  {
    std::string bytes;
    ListFileOutcome read = OutcomeOfFile(win::ReadWholeFile(path, &bytes));
    if (read != ListFileOutcome::Done) {
      return read;
    }
    text = win::DecodeAnsi(bytes);
  }
  std::vector<std::wstring_view> entries = EntriesOfListText(text);
  DrawingListBox list = ListOf(window);
  SortBatch(entries, list.Order());
  return list.Replace(entries) ? ListFileOutcome::Done : ListFileOutcome::ListRefused;
}

}  // namespace

void SaveList(MainWindow& window) {
  FileDialogControl& dialog = ListFileDialog(window, kSaveListTitle);
  ListFileOutcome outcome = OutcomeOfDialog(dialog.ShowSave(window.Dialogs()));
  if (outcome == ListFileOutcome::Done) {
    outcome = SaveListTo(window, dialog.fileName);
  }
  ShowOutcome(window, ListFileAction::Save, outcome);
}

void LoadList(MainWindow& window) {
  FileDialogControl& dialog = ListFileDialog(window, kLoadListTitle);
  ListFileOutcome outcome = OutcomeOfDialog(dialog.ShowOpen(window.Dialogs()));
  if (outcome == ListFileOutcome::Done) {
    outcome = LoadListFrom(window, dialog.fileName);
  }
  ShowOutcome(window, ListFileAction::Load, outcome);
}

void AcceptDrops(MainWindow& window) {
  AcceptFileDrops(window.Item(MainControl::List2),
                  [&window](const std::vector<std::wstring>& paths) { AddDropped(window, paths); });
}

size_t Count(MainWindow& window) { return ListOf(window).Count(); }

std::wstring Entry(MainWindow& window, size_t index) { return ListOf(window).At(index); }

void RemoveFirst(MainWindow& window, size_t count) { ListOf(window).RemoveFirst(count); }

}  // namespace kavro::drawings
