#include "drawings/list_file.h"

namespace kavro::drawings {

std::vector<std::wstring> SplitListText(std::wstring_view text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t cr = text.find(L'\r', start);
    if (cr == std::wstring_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, cr - start));
    start = cr + 1;
    if (start < text.size() && text[start] == L'\n') {
      ++start;
    }
  }
  return lines;
}

std::wstring JoinListText(const std::vector<std::wstring>& entries) {
  size_t size = 0;
  for (const std::wstring& entry : entries) {
    size += entry.size() + 2;
  }
  std::wstring text;
  text.reserve(size);
  for (const std::wstring& entry : entries) {
    text += entry;
    text += L"\r\n";
  }
  return text;
}

}  // namespace kavro::drawings
