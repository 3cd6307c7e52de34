#pragma once
// The main window's two file dialog controls. Each keeps its properties between showings until an
// action sets them again, and opens with the file name of its last showing. A showing ends with a
// choice, a cancel or a failure, and a cancel never counts as choosing the leftover file name.
#include <string>

namespace kavro {

inline constexpr unsigned kOfnHideReadOnly = 0x4;
inline constexpr unsigned kOfnAllowMultiSelect = 0x200;
inline constexpr unsigned kOfnExplorer = 0x80000;

enum class DialogOutcome { Chosen, Cancelled, Failed };

struct FileDialogRequest {
  bool save = false;
  std::wstring title;
  std::wstring filter;  // "description|pattern|description|pattern"
  unsigned flags = 0;
  std::wstring initialFileName;
  size_t maxFileSize = 260;  // characters of the result the caller is prepared for
};

struct FileDialogAnswer {
  DialogOutcome outcome = DialogOutcome::Cancelled;
  // The chosen path; for several files the folder, then each name, separated by single NULs.
  std::wstring fileName;
};

// What actually shows a dialog: the common dialogs in the program, a script in tests.
class FileDialogBackend {
 public:
  virtual ~FileDialogBackend() = default;
  virtual FileDialogAnswer Show(const FileDialogRequest& request) = 0;
};

class FileDialogControl {
 public:
  explicit FileDialogControl(size_t maxFileSize) : maxFileSize(maxFileSize) {}

  std::wstring dialogTitle;
  std::wstring filter;
  unsigned flags = 0;
  // Whether the action treats a cancel as a failure. Either way ShowOpen/ShowSave report a cancel
  // as DialogOutcome::Cancelled and leave fileName as it was.
  bool cancelError = false;
  // After a choice: the chosen path, or the folder and each name separated by single NULs.
  std::wstring fileName;
  // The result the dialog starts with room for; a longer selection is still taken.
  size_t maxFileSize;

  DialogOutcome ShowOpen(FileDialogBackend& backend) { return ShowWith(backend, false); }
  DialogOutcome ShowSave(FileDialogBackend& backend) { return ShowWith(backend, true); }

 private:
  DialogOutcome ShowWith(FileDialogBackend& backend, bool save);
};

// "a|b|c|d" -> "a\0b\0c\0d\0\0", as the common dialogs take filters.
std::wstring FilterForDialog(const std::wstring& filter);

// What a common dialog's buffer holds after a choice: one path ended by a NUL; or, when several
// files were chosen (the folder then ends with a NUL just before the first name, at
// `firstNameOffset`), the folder and names separated by NULs and ended by two. Whatever follows
// is left over from the initial file name and is dropped.
std::wstring ResultOf(const std::wstring& buffer, size_t firstNameOffset);

}  // namespace kavro
