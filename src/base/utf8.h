#pragma once
// UTF-8 for the files that other programs read (the run log) or that must come back intact after
// a crash (the run journal). Wide text is UTF-16 where wchar_t has 16 bits (Windows) and UTF-32
// where it has 32.
#include <optional>
#include <string>
#include <string_view>

namespace kavro {

// Lone surrogates, and values beyond U+10FFFF, are written as U+FFFD.
std::string ToUtf8(std::wstring_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Null unless `bytes` are well-formed UTF-8: no overlong forms, no encoded surrogates, nothing
// beyond U+10FFFF, no sequence cut short, no stray continuation byte.
std::optional<std::wstring> FromUtf8(std::string_view bytes);
std::optional<std::u16string> Utf8ToUtf16(std::string_view bytes);

// Whether FromUtf8 would read `bytes`.
bool IsUtf8(std::string_view bytes);

// As FromUtf8, but each byte that starts no well-formed sequence reads as U+FFFD.
std::wstring FromUtf8Replacing(std::string_view bytes);

}  // namespace kavro
