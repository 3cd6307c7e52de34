#include "base/file_dialog.h"

namespace kavro {

DialogOutcome FileDialogControl::ShowWith(FileDialogBackend& backend, bool save) {
  FileDialogRequest request{save, dialogTitle, filter, flags, fileName, maxFileSize};
  FileDialogAnswer answer = backend.Show(request);
  if (answer.outcome == DialogOutcome::Chosen) {
    fileName = std::move(answer.fileName);
  }
  return answer.outcome;
}

}  // namespace kavro
