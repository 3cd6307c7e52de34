#include "drawings/list_file.h"

namespace kavro::drawings {

std::vector<std::wstring_view> SplitListLines(std::wstring_view text) {
  std::vector<std::wstring_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t cr = text.find(L'\r', start);
    if (cr == std::wstring_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, cr - start));
    start = cr + 1;
    if (start < text.size() && text[start] == L'\n') {
      ++start;
    }
  }
  return lines;
}

void AppendListLine(std::wstring& text, std::wstring_view entry) {
  text += entry;
  text += L"\r\n";
}

std::vector<std::wstring_view> EntriesOfListText(std::wstring& text) {
  std::vector<std::wstring_view> lines = SplitListLines(text);
  for (std::wstring_view& line : lines) {
    line = line.substr(0, line.find(L'\0'));
    // A view ends before a CR or at the end of the text, where std::wstring keeps a NUL.
    text[static_cast<size_t>(line.data() - text.data()) + line.size()] = L'\0';
  }
  return lines;
}

const wchar_t* MessageOf(ListFileAction action, ListFileOutcome outcome) {
  switch (outcome) {
    case ListFileOutcome::Done:
      return nullptr;
    case ListFileOutcome::DialogCancelled:
    case ListFileOutcome::AccessRefused:
      return action == ListFileAction::Save ? kSaveCancelledMessage : kLoadCancelledMessage;
    case ListFileOutcome::DialogFailed:
    case ListFileOutcome::Unmappable:
    case ListFileOutcome::FileError:
    case ListFileOutcome::ListRefused:
      break;
  }
  return kBadDataMessage;
}

}  // namespace kavro::drawings
