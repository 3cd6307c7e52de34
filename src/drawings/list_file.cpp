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

}  // namespace kavro::drawings
