#include "drawings/drawings_actions_win.h"

#include <utility>

#include "base/titles.h"
#include "drawings/drawing_list.h"
#include "drawings/drop_target_win.h"
#include "drawings/folder_search_win.h"
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

void ShowOutcome(const DrawingsView& view, ListFileAction action, ListFileOutcome outcome) {
  if (const wchar_t* message = MessageOf(action, outcome)) {
    ShowError(view, message);
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
FileDialogControl& ListFileDialog(const DrawingsView& view, const wchar_t* title) {
  FileDialogControl& dialog = view.listFileDialog;
  dialog.filter = kListFileFilter;
  dialog.dialogTitle = title;
  return dialog;
}

// The wait cursor while it lives; the cursor before it afterwards.
class WaitCursor {
 public:
  WaitCursor() : before_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(before_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR before_;
};

// Dropped files and folders, each drawing at its place in the list (many at once: the list box
// paints once, at the end).
void AddDropped(HWND listBox, const std::vector<std::wstring>& paths) {
  WaitCursor waiting;
  DiskFolders disk;
  DrawingListBox list(listBox);
  list.InsertSorted(DrawingsOfPaths(disk, paths, list.Order()));
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

namespace {

ListFileOutcome SaveListTo(const DrawingsView& view, const std::wstring& path) {
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
    return ListFileOutcome::Unmappable;
  }
  if (RefusesWriting(path)) {
    return ListFileOutcome::AccessRefused;
  }
  return OutcomeOfFile(win::WriteFileReplacing(path, encoded.bytes));
}

// The list is replaced only by a file read whole; a cancel or a failure leaves it as it was.
ListFileOutcome LoadListFrom(const DrawingsView& view, const std::wstring& path) {
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
  DrawingListBox list = ListOf(view);
  SortBatch(entries, list.Order());
  return list.Replace(entries) ? ListFileOutcome::Done : ListFileOutcome::ListRefused;
}

}  // namespace

void SaveList(const DrawingsView& view) {
  FileDialogControl& dialog = ListFileDialog(view, kSaveListTitle);
  ListFileOutcome outcome = OutcomeOfDialog(dialog.ShowSave(view.dialogs));
  if (outcome == ListFileOutcome::Done) {
    outcome = SaveListTo(view, dialog.fileName);
  }
  ShowOutcome(view, ListFileAction::Save, outcome);
}

void LoadList(const DrawingsView& view) {
  FileDialogControl& dialog = ListFileDialog(view, kLoadListTitle);
  ListFileOutcome outcome = OutcomeOfDialog(dialog.ShowOpen(view.dialogs));
  if (outcome == ListFileOutcome::Done) {
    outcome = LoadListFrom(view, dialog.fileName);
  }
  ShowOutcome(view, ListFileAction::Load, outcome);
}

void AcceptDrops(const DrawingsView& view) {
  // The list box outlives its drop target; the view's pieces are copied for the drops to come.
  HWND list = view.list;
  AcceptFileDrops(list,
                  [list](const std::vector<std::wstring>& paths) { AddDropped(list, paths); });
}

}  // namespace kavro::drawings
