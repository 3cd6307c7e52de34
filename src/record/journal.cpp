#include "record/journal.h"

#include <algorithm>

#include "record/journal_line.h"
#include "run/page_rule.h"

namespace kavro::run {

namespace {

constexpr std::wstring_view kHeader = L"kavro-journal 1";
constexpr size_t kMaxDigits = 18;  // keeps every index far below size_t's limit

std::string Record(std::wstring_view keyword, std::wstring_view argument) {
  std::wstring text(keyword);
  text += L' ';
  text += argument;
  return FramedLine(text);
}

// The text after "keyword " when `record` is such a record.
std::optional<std::wstring_view> ArgumentOf(std::wstring_view record, std::wstring_view keyword) {
  if (record.size() <= keyword.size() || record.substr(0, keyword.size()) != keyword ||
      record[keyword.size()] != L' ') {
    return std::nullopt;
  }
  return record.substr(keyword.size() + 1);
}

std::optional<size_t> NumberOf(std::optional<std::wstring_view> text) {
  if (!text || text->empty() || text->size() > kMaxDigits) return std::nullopt;
  size_t value = 0;
  for (wchar_t c : *text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<size_t>(c - L'0');
  }
  return value;
}

std::wstring TrimSpaces(std::wstring_view text) {
  size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return L"";
  size_t last = text.find_last_not_of(L' ');
  return std::wstring(text.substr(first, last - first + 1));
}

// Takes records in the order the recorder writes them; refuses the first one out of place.
class JournalReader {
 public:
  bool Take(std::wstring_view record) {
    switch (stage_) {
      case Stage::Header:
        return Advance(record == kHeader);
      case Stage::Version:
        if (auto flag = ArgumentOf(record, L"r2000"); flag && (*flag == L"0" || *flag == L"1")) {
          state_.inputs.r2000 = *flag == L"1";
          return Advance(true);
        }
        return false;
      case Stage::StartPage:
        return Advance(TakeText(record, L"start", state_.inputs.startPage));
      case Stage::Template:
        return Advance(TakeText(record, L"template", state_.inputs.scriptTemplate));
      case Stage::Drawings:
        return TakeDrawing(record);
      case Stage::Steps:
        return TakeStep(record);
      case Stage::Ended:
        return false;
    }
    return false;
  }

  std::optional<JournalState> Result() const {
    if (stage_ < Stage::Steps) return std::nullopt;
    return state_;
  }

 private:
  enum class Stage { Header, Version, StartPage, Template, Drawings, Steps, Ended };

  bool Advance(bool taken) {
    if (taken) stage_ = static_cast<Stage>(static_cast<int>(stage_) + 1);
    return taken;
  }

  static bool TakeText(std::wstring_view record, std::wstring_view keyword, std::wstring& to) {
    auto argument = ArgumentOf(record, keyword);
    if (!argument) return false;
    auto text = UnescapedText(*argument);
    if (!text) return false;
    to = std::move(*text);
    return true;
  }

  bool TakeDrawing(std::wstring_view record) {
    // The CAD program chosen, when it was not 自动, and the engine, when it was not the desktop
    // program: before the drawings, absent from older journals.
    if (state_.inputs.drawings.empty() && state_.inputs.cad.empty() &&
        TakeText(record, L"cad", state_.inputs.cad)) {
      return !state_.inputs.cad.empty();
    }
    if (state_.inputs.drawings.empty() && state_.inputs.engine.empty() &&
        TakeText(record, L"engine", state_.inputs.engine)) {
      return !state_.inputs.engine.empty();
    }
    std::wstring drawing;
    if (TakeText(record, L"drawing", drawing)) {
      state_.inputs.drawings.push_back(std::move(drawing));
      return true;
    }
    auto count = NumberOf(ArgumentOf(record, L"inputs"));
    if (!count || *count != state_.inputs.drawings.size()) return false;
    state_.saved.assign(*count, false);
    state_.begun.assign(*count, false);
    return Advance(true);
  }

  bool TakeStep(std::wstring_view record) {
    if (record == L"ended") {
      state_.ended = true;
      return Advance(true);
    }
    if (auto index = NumberOf(ArgumentOf(record, L"begun"))) {
      if (*index >= state_.saved.size()) return false;
      state_.begun[*index] = true;
      underWay_.push_back(*index);
      state_.begunNotSaved = *index;
      return true;
    }
    if (auto index = NumberOf(ArgumentOf(record, L"saved"))) {
      if (*index >= state_.saved.size()) return false;
      state_.saved[*index] = true;
      std::erase(underWay_, *index);
      state_.begunNotSaved.reset();
      if (!underWay_.empty()) state_.begunNotSaved = underWay_.back();
      return true;
    }
    return false;
  }

  Stage stage_ = Stage::Header;
  JournalState state_;
  std::vector<size_t> underWay_;  // begun and not saved, in the order they were begun
};

}  // namespace

std::string InputsRecords(const RunInputs& inputs) {
  std::string bytes = FramedLine(kHeader);
  bytes += Record(L"r2000", inputs.r2000 ? L"1" : L"0");
  bytes += Record(L"start", EscapedText(inputs.startPage));
  bytes += Record(L"template", EscapedText(inputs.scriptTemplate));
  if (!inputs.cad.empty()) bytes += Record(L"cad", EscapedText(inputs.cad));
  if (!inputs.engine.empty()) bytes += Record(L"engine", EscapedText(inputs.engine));
  for (const std::wstring& drawing : inputs.drawings) {
    bytes += Record(L"drawing", EscapedText(drawing));
  }
  bytes += Record(L"inputs", std::to_wstring(inputs.drawings.size()));
  return bytes;
}

std::string BegunRecord(size_t index) { return Record(L"begun", std::to_wstring(index)); }
std::string SavedRecord(size_t index) { return Record(L"saved", std::to_wstring(index)); }
std::string EndedRecord() { return FramedLine(L"ended"); }

std::optional<JournalState> ReadJournal(std::string_view bytes) {
  JournalReader reader;
  for (size_t at = 0; at < bytes.size();) {
    size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) break;  // cut off before its line end
    auto record = UnframedLine(bytes.substr(at, end - at));
    if (!record || !reader.Take(*record)) break;
    at = end + 1;
  }
  return reader.Result();
}

std::optional<ResumeOffer> ResumeOf(const JournalState& state) {
  if (state.ended) return std::nullopt;
  const RunInputs& inputs = state.inputs;
  auto firstLeft = std::find(state.saved.begin(), state.saved.end(), false);
  if (firstLeft == state.saved.end()) return std::nullopt;
  ResumeOffer offer;
  offer.total = state.saved.size();
  offer.saved = static_cast<size_t>(std::count(state.saved.begin(), state.saved.end(), true));
  offer.restored.scriptTemplate = inputs.scriptTemplate;
  offer.restored.r2000 = inputs.r2000;
  offer.restored.cad = inputs.cad;
  offer.restored.startPage =
      PageOf(inputs.startPage, static_cast<size_t>(firstLeft - state.saved.begin()));
  for (size_t i = 0; i < state.saved.size() && i < inputs.drawings.size(); ++i) {
    if (!state.saved[i]) offer.restored.drawings.push_back(inputs.drawings[i]);
  }
  if (auto begun = state.begunNotSaved; begun && *begun < inputs.drawings.size()) {
    offer.possiblyModified = TrimSpaces(inputs.drawings[*begun]);
    offer.possiblyModifiedPage = PageOf(inputs.startPage, *begun);
  }
  return offer;
}

std::wstring ResumeQuestion(const ResumeOffer& offer) {
  std::wstring text = L"上次的批量修改没有做完（共 " + std::to_wstring(offer.total) +
                      L" 张图纸，已完成 " + std::to_wstring(offer.saved) + L" 张）。\n";
  if (offer.possiblyModified) {
    text += L"第 " + offer.possiblyModifiedPage + L" 页 " + *offer.possiblyModified +
            L" 可能已经修改过，请先检查。\n";
  }
  text += L"是否恢复未完成的图纸、脚本模板和起始页码？";
  return text;
}

RetryPlan RetrySelection(const JournalState& state) {
  RetryPlan plan;
  plan.inputs = state.inputs;
  size_t count = std::min(state.saved.size(), state.inputs.drawings.size());
  for (size_t i = 0; i < count; ++i) {
    if (state.saved[i]) {
      plan.savedBefore.push_back(i);
      continue;
    }
    plan.selection.push_back(i);
    if (i < state.begun.size() && state.begun[i]) plan.possiblyModified.push_back(i);
  }
  return plan;
}

}  // namespace kavro::run
