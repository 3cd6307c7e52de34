// A run journal as it may be found after a crash: records in any order and number, some of them
// broken or cut off. Input: lines (LF between them); each is a record's text, framed with its
// check here, or, after a leading 0x01, the bytes of a line as they are (a broken check, broken
// UTF-8). Checked: what is read, the same state written afresh and read back, every shorter
// file, and the resume offer made of it.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.h"
#include "fuzz_text.h"
#include "record/journal.h"
#include "record/journal_line.h"

namespace {

using namespace kavro::run;
using kavro::fuzz::Check;

constexpr size_t kMostCuts = 24;

std::wstring TextOf(std::string_view bytes) {
  if (auto text = kavro::FromUtf8(bytes)) return *text;
  return kavro::fuzz::WideText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// The record texts of the input, and the journal file they make.
std::string JournalOf(std::string_view input, std::vector<std::wstring>& texts) {
  std::string file;
  for (const std::string& line : kavro::fuzz::Split(std::string(input), '\n')) {
    if (!line.empty() && line[0] == '\x01') {
      file += line.substr(1) + '\n';
    } else {
      texts.push_back(TextOf(line));
      file += FramedLine(texts.back());
    }
  }
  return file;
}

// Any text survives escaping, and its framed line reads back, whole and on one line.
void CheckLine(const std::wstring& text) {
  std::wstring escaped = EscapedText(text);
  Check(escaped.find_first_of(L"\r\n") == std::wstring::npos, "an escaped text is one line");
  Check(UnescapedText(escaped) == text, "escaping reads back");
  std::string line = FramedLine(escaped);
  Check(line.find('\n') == line.size() - 1, "a framed line ends in its only LF");
  Check(UnframedLine(std::string_view(line).substr(0, line.size() - 1)) == escaped,
        "a framed line reads back");
  UnescapedText(text);  // any text, escapes or not, is read without harm
}

void CheckState(const JournalState& state) {
  Check(state.saved.size() == state.inputs.drawings.size(), "one saved flag for each drawing");
  if (state.begunNotSaved) {
    Check(*state.begunNotSaved < state.saved.size() && !state.saved[*state.begunNotSaved],
          "the drawing begun last is one of the run's and not saved");
  }
}

// The journal of the same state, as the recorder writes it.
std::string Rewritten(const JournalState& state) {
  std::string file = InputsRecords(state.inputs);
  for (size_t i = 0; i < state.saved.size(); ++i) {
    if (state.saved[i]) file += SavedRecord(i);
  }
  if (state.begunNotSaved) file += BegunRecord(*state.begunNotSaved);
  if (state.ended) file += EndedRecord();
  return file;
}

bool SameState(const JournalState& a, const JournalState& b) {
  return a.inputs == b.inputs && a.saved == b.saved && a.begunNotSaved == b.begunNotSaved &&
         a.ended == b.ended;
}

// A file cut short says no more than the whole: the same inputs, fewer drawings saved.
void CheckCut(std::string_view file, const std::optional<JournalState>& whole, size_t length) {
  std::optional<JournalState> part = ReadJournal(file.substr(0, length));
  if (!part) return;
  Check(whole.has_value() && part->inputs == whole->inputs, "a shorter file, the same inputs");
  for (size_t i = 0; i < part->saved.size(); ++i) {
    Check(!part->saved[i] || whole->saved[i], "a shorter file saved no more drawings");
  }
  Check(!part->ended || whole->ended, "a shorter file has not ended where the whole goes on");
}

void CheckOffer(const JournalState& state) {
  std::optional<ResumeOffer> offer = ResumeOf(state);
  size_t saved = static_cast<size_t>(std::count(state.saved.begin(), state.saved.end(), true));
  bool left = saved < state.saved.size();
  Check(offer.has_value() == (!state.ended && left), "an offer exactly for a run left undone");
  if (!offer) return;
  Check(offer->total == state.saved.size() && offer->saved == saved, "the offer counts the run");
  std::vector<std::wstring> rest;
  for (size_t i = 0; i < state.saved.size(); ++i) {
    if (!state.saved[i]) rest.push_back(state.inputs.drawings[i]);
  }
  Check(offer->restored.drawings == rest, "the drawings not saved, in list order");
  Check(offer->restored.scriptTemplate == state.inputs.scriptTemplate &&
            offer->restored.r2000 == state.inputs.r2000 && offer->restored.cad == state.inputs.cad,
        "the template, the version and the CAD program come back");
  Check(offer->possiblyModified.has_value() == state.begunNotSaved.has_value(),
        "the drawing begun last is named");
  Check(!ResumeQuestion(*offer).empty(), "a question to ask");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::wstring> texts;
  std::string file = JournalOf(input, texts);
  for (const std::wstring& text : texts) CheckLine(text);

  std::optional<JournalState> state = ReadJournal(file);
  if (state) {
    CheckState(*state);
    std::optional<JournalState> again = ReadJournal(Rewritten(*state));
    Check(again && SameState(*again, *state), "the state written afresh reads back the same");
    CheckOffer(*state);
  }
  // Cut at line ends and inside lines, as a power loss leaves the file.
  size_t step = std::max<size_t>(1, file.size() / kMostCuts);
  for (size_t length = 0; length < file.size(); length += step) CheckCut(file, state, length);
  return 0;
}
