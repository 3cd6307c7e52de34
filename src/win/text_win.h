#pragma once
// Conversions between the program's Unicode text and the 8-bit texts of files and APIs.
#include <optional>
#include <string>
#include <string_view>

namespace kavro::win {

std::wstring FromUtf8(std::string_view text);
std::string ToUtf8(std::wstring_view text);

// Text in the system's ANSI code page (what every user file of the program is written in).
struct AnsiEncoding {
  std::string bytes;
  // Index into the source text of the first character the code page cannot hold; then `bytes`
  // is not to be written, it would carry "?" in that place.
  std::optional<size_t> unmappableAt;
};
AnsiEncoding EncodeAnsi(std::wstring_view text);
std::wstring DecodeAnsi(std::string_view bytes);

// Last Win32 error as the system words it (no trailing line end).
std::wstring SystemMessage(unsigned long error);

}  // namespace kavro::win
