#pragma once
// The journal of a modify run: enough on disk, written through before each step, to tell after a
// crash which drawings were saved and to offer the rest again with the same template and pages.
// One file per run, UTF-8, one record per line; each record carries its own check, so that a
// record cut off by a power loss is recognised and ignored.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/run_inputs.h"

namespace kavro::run {

// The records, as bytes to append. The inputs come first, in one piece.
std::string InputsRecords(const RunInputs& inputs);
std::string BegunRecord(size_t index);  // before drawing `index` is opened
std::string SavedRecord(size_t index);  // once Close(true) has returned
std::string EndedRecord();              // the run ended in a way the program saw

// What a journal says. Records after the first one that fails its check are ignored.
struct JournalState {
  RunInputs inputs;
  std::vector<bool> saved;  // one per drawing
  std::vector<bool> begun;  // one per drawing: it was begun (and so may have been modified)
  // Of the drawings begun and not saved, the one begun last. Runs that work on several drawings
  // at once may leave more than one such drawing; `begun` and `saved` tell them all.
  std::optional<size_t> begunNotSaved;
  bool ended = false;
};

// Null when the bytes hold no complete inputs (garbage, another file, or cut off before the
// inputs' end): such a file is of no use and is set aside.
std::optional<JournalState> ReadJournal(std::string_view bytes);

// The resume offer of an abandoned journal.
struct ResumeOffer {
  size_t total = 0;    // drawings of the run
  size_t saved = 0;    // of which saved
  RunInputs restored;  // the drawings not saved, in list order; the start page of the first
  // The drawing that was begun and may have been modified, with its page text.
  std::optional<std::wstring> possiblyModified;
  std::wstring possiblyModifiedPage;
};

// Null when the run ended or nothing is left to do.
std::optional<ResumeOffer> ResumeOf(const JournalState& state);

// The question's text (two lines, or three when a drawing may have been modified).
std::wstring ResumeQuestion(const ResumeOffer& offer);

// What a journal leaves to do again.
struct RetryPlan {
  RunInputs inputs;                      // the journal's, whole
  std::vector<size_t> selection;         // the drawings not saved, in list order
  std::vector<size_t> savedBefore;       // the others
  std::vector<size_t> possiblyModified;  // of the selection: begun, so perhaps half done
};
RetryPlan RetrySelection(const JournalState& state);

}  // namespace kavro::run
