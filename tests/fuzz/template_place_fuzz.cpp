// The character a template cannot be saved for (or a run refuses), named by line and column:
// input is a 16-bit character index, then the template's text.
#include <cstdio>
#include <string>
#include <vector>

#include "base/text_place.h"
#include "fuzz_text.h"
#include "script/template_text.h"

namespace {

using kavro::fuzz::Check;
using kavro::fuzz::IsPair;

// The index a line and column stand for, found by walking the text as the user reads it: line
// by line (CR LF, CR, LF), then character by character (a surrogate pair is one).
size_t IndexAt(const std::wstring& text, size_t line, size_t column) {
  size_t i = 0;
  for (size_t l = 1; l < line && i < text.size(); ++l) {
    while (i < text.size() && text[i] != L'\r' && text[i] != L'\n') ++i;
    if (i < text.size()) i += text.compare(i, 2, L"\r\n") == 0 ? 2 : 1;
  }
  for (size_t c = 1; c < column && i < text.size(); ++c) i += IsPair(text, i) ? 2 : 1;
  return i;
}

std::wstring CodePoint(const std::wstring& text, size_t i) {
  unsigned long code = i < text.size() ? static_cast<unsigned long>(text[i]) : 0;
  if (IsPair(text, i)) code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00ul);
  wchar_t buffer[16];
  std::swprintf(buffer, 16, L"U+%04lX", code);
  return buffer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kavro::fuzz::FieldReader input(data, size);
  size_t index = input.Read<uint16_t>();
  std::wstring text = input.RestAsText();
  index = text.empty() ? index % 2 : index % (text.size() + 1);

  kavro::TextPlace place = kavro::PlaceOf(text, index);
  Check(place.line >= 1 && place.column >= 1, "lines and columns count from 1");
  // The refused character starts a character: not the second half of a pair, nor a CR LF's LF.
  bool starts =
      index >= text.size() || !((index > 0 && IsPair(text, index - 1)) ||
                                (text[index] == L'\n' && index > 0 && text[index - 1] == L'\r'));
  if (starts) {
    Check(IndexAt(text, place.line, place.column) == std::min(index, text.size()),
          "the line and column point at the character");
  }

  std::wstring character = kavro::CharacterAt(text, index);
  size_t length = index >= text.size() ? 0u : IsPair(text, index) ? 2u : 1u;
  Check(character.size() == length && kavro::CharacterLength(text, index) == length,
        "a whole character, both halves of a pair");
  Check(kavro::CodePointText(character) == CodePoint(text, index), "the code point of it");
  std::wstring expected = L"第 " + std::to_wstring(place.line) + L" 行第 " +
                          std::to_wstring(place.column) + L" 个字符“" + character + L"”(" +
                          CodePoint(text, index) + L")";
  Check(kavro::script::DescribeCharacter(text, index) == expected, "the message names it");
  Check(kavro::script::UnmappableMessage(text, index).find(expected) != std::wstring::npos,
        "the refusal names it");
  return 0;
}
