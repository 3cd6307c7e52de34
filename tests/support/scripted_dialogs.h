#pragma once
// The file dialogs as a script, for tests of both suites: each showing records its request and
// takes the next answer (none left: cancelled).
#include <deque>
#include <vector>

#include "base/file_dialog.h"

namespace kavro::test {

class ScriptedDialogs : public FileDialogBackend {
 public:
  FileDialogAnswer Show(const FileDialogRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) return {DialogOutcome::Cancelled, {}};
    FileDialogAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<FileDialogAnswer> answers;
  std::vector<FileDialogRequest> requests;
};

}  // namespace kavro::test
