#pragma once
// Characters of a text as the user counts them: a surrogate pair is one character, and a line
// ends at CR LF, a lone CR or a lone LF. Used wherever a message points at a character.
#include <cstddef>
#include <string>
#include <string_view>

namespace kavro {

bool IsHighSurrogate(wchar_t c);
bool IsLowSurrogate(wchar_t c);

// Code units of the character at `index`: 2 for a whole surrogate pair, else 1 (0 past the end).
size_t CharacterLength(std::wstring_view text, size_t index);
// The whole character at `index`.
std::wstring CharacterAt(std::wstring_view text, size_t index);

// Line and column of the character at `index`, both counted from 1.
struct TextPlace {
  size_t line = 1;
  size_t column = 1;
  bool operator==(const TextPlace&) const = default;
};
TextPlace PlaceOf(std::wstring_view text, size_t index);

// "U+D55C", "U+1F600".
std::wstring CodePointText(std::wstring_view character);

}  // namespace kavro
