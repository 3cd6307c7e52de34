#include "app/common_dialogs_win.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>

namespace kavro {

namespace {

constexpr size_t kRoomForSeveral = size_t{1} << 20;  // characters

// "a|b|c|d" -> "a\0b\0c\0d\0\0", as the common dialogs take filters.
std::wstring FilterForDialog(const std::wstring& filter) {
  std::wstring out = filter;
  std::replace(out.begin(), out.end(), L'|', L'\0');
  out.push_back(L'\0');
  out.push_back(L'\0');
  return out;
}

class CommonDialogs : public FileDialogBackend {
 public:
  explicit CommonDialogs(HWND owner) : owner_(owner) {}

  FileDialogAnswer Show(const FileDialogRequest& request) override {
    std::wstring filter = FilterForDialog(request.filter);
    // A multiple selection starts with room for thousands of names, and the buffer grows when a
    // selection still does not fit, so any selection can be taken.
    bool several = (request.flags & OFN_ALLOWMULTISELECT) != 0;
    size_t capacity = std::max<size_t>(request.maxFileSize, several ? kRoomForSeveral : MAX_PATH);
    std::wstring initial = request.initialFileName;
    for (;;) {
      std::wstring buffer(capacity + 1, L'\0');
      std::copy_n(initial.begin(), std::min(initial.size(), capacity), buffer.begin());
      OPENFILENAMEW ofn{};
      ofn.lStructSize = sizeof(ofn);
      ofn.hwndOwner = owner_;
      ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
      ofn.nFilterIndex = 1;
      ofn.lpstrFile = buffer.data();
      ofn.nMaxFile = static_cast<DWORD>(capacity);
      ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
      ofn.Flags = request.flags | OFN_EXPLORER;
      BOOL ok = request.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
      if (ok) {
        return {DialogOutcome::Chosen, ResultOf(buffer, ofn.nFileOffset)};
      }
      DWORD error = CommDlgExtendedError();
      if (error == 0) {
        return {DialogOutcome::Cancelled, {}};
      }
      if (error == FNERR_BUFFERTOOSMALL && capacity < (1u << 24)) {
        capacity *= 4;
        continue;
      }
      return {DialogOutcome::Failed, {}};
    }
  }

 private:
  // One path, ended by a NUL; or, when several files were chosen (the folder then ends with a
  // NUL just before the first name), the folder and names separated by NULs and ended by two.
  // Whatever follows is left over from the initial file name.
  static std::wstring ResultOf(const std::wstring& buffer, size_t firstName) {
    bool several = firstName > 0 && firstName < buffer.size() && buffer[firstName - 1] == L'\0';
    size_t end = several ? buffer.find(std::wstring(L"\0\0", 2)) : buffer.find(L'\0');
    return buffer.substr(0, end);
  }

  HWND owner_;
};

}  // namespace

std::unique_ptr<FileDialogBackend> MakeCommonDialogs(HWND owner) {
  return std::make_unique<CommonDialogs>(owner);
}

}  // namespace kavro
