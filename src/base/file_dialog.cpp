#include "base/file_dialog.h"

#include <algorithm>

namespace kavro {

DialogOutcome FileDialogControl::ShowWith(FileDialogBackend& backend, bool save) {
  FileDialogRequest request{save, dialogTitle, filter, flags, fileName, maxFileSize};
  FileDialogAnswer answer = backend.Show(request);
  if (answer.outcome == DialogOutcome::Chosen) {
    fileName = std::move(answer.fileName);
  }
  return answer.outcome;
}

std::wstring FilterForDialog(const std::wstring& filter) {
  std::wstring out = filter;
  std::replace(out.begin(), out.end(), L'|', L'\0');
  out.push_back(L'\0');
  out.push_back(L'\0');
  return out;
}

std::wstring ResultOf(const std::wstring& buffer, size_t firstNameOffset) {
  bool several = firstNameOffset > 0 && firstNameOffset < buffer.size() &&
                 buffer[firstNameOffset - 1] == L'\0';
  size_t end = several ? buffer.find(std::wstring(L"\0\0", 2)) : buffer.find(L'\0');
  return buffer.substr(0, end);
}

}  // namespace kavro
