#include "app/common_dialogs_win.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>

namespace kavro {

namespace {

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
    // The buffer grows when a selection does not fit, so any selection can be taken.
    size_t capacity = std::max<size_t>(request.maxFileSize, 260);
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
        return {DialogOutcome::Chosen, ResultOf(buffer)};
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
  // One path, or a folder and names separated by single NULs and ended by two.
  static std::wstring ResultOf(const std::wstring& buffer) {
    size_t end = buffer.find(std::wstring(L"\0\0", 2));
    std::wstring result = buffer.substr(0, end);
    return result;
  }

  HWND owner_;
};

}  // namespace

std::unique_ptr<FileDialogBackend> MakeCommonDialogs(HWND owner) {
  return std::make_unique<CommonDialogs>(owner);
}

}  // namespace kavro
