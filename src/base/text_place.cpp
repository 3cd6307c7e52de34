#include "base/text_place.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace kavro {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

size_t CharacterLength(std::wstring_view text, size_t index) {
  if (index >= text.size()) {
    return 0;
  }
  return IsHighSurrogate(text[index]) && index + 1 < text.size() && IsLowSurrogate(text[index + 1])
             ? 2
             : 1;
}

std::wstring CharacterAt(std::wstring_view text, size_t index) {
  return std::wstring(text.substr(std::min(index, text.size()), CharacterLength(text, index)));
}

TextPlace PlaceOf(std::wstring_view text, size_t index) {
  TextPlace place;
  for (size_t i = 0; i < index && i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      if (c == L'\r' && i + 1 < index && i + 1 < text.size() && text[i + 1] == L'\n') {
        ++i;  // CR LF is one line end
      }
      ++place.line;
      place.column = 1;
    } else if (!(IsLowSurrogate(c) && i > 0 && IsHighSurrogate(text[i - 1]))) {
      ++place.column;
    }
  }
  return place;
}

std::wstring CodePointText(std::wstring_view character) {
  // UTF-16 on Windows (a pair for characters beyond U+FFFF), UTF-32 where wchar_t is wider.
  unsigned long code = character.empty() ? 0 : static_cast<unsigned long>(character[0]);
  if (character.size() == 2) {
    code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<unsigned long>(character[1]) - 0xDC00);
  }
  wchar_t buffer[16] = {};
  std::swprintf(buffer, std::size(buffer), L"U+%04lX", code);
  return buffer;
}

}  // namespace kavro
