#include "win/common_dialogs_win.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>

namespace kavro::win {

namespace {

constexpr size_t kRoomForSeveral = size_t{1} << 20;  // characters

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
  HWND owner_;
};

}  // namespace

std::unique_ptr<FileDialogBackend> MakeCommonDialogs(HWND owner) {
  return std::make_unique<CommonDialogs>(owner);
}

}  // namespace kavro::win
