#pragma once
// How a journal record sits on its line: the record's text in UTF-8, one space, the CRC-32 of
// that text in eight lowercase hex digits, and LF. Text fields are escaped so that any text stays
// on one line and reads back unchanged.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavro::run {

uint32_t Crc32(std::string_view bytes);

// "\" "\\", CR "\r", LF "\n", tab "\t"; other control characters and lone surrogates "\uXXXX".
std::wstring EscapedText(std::wstring_view text);
// Null when `text` holds an escape that EscapedText does not write.
std::optional<std::wstring> UnescapedText(std::wstring_view text);

// The line of `record` (a record without CR or LF), with its check and its LF.
std::string FramedLine(std::wstring_view record);
// The record on `line` (given without its LF); null when the check does not match or the text
// is not well-formed UTF-8.
std::optional<std::wstring> UnframedLine(std::string_view line);

}  // namespace kavro::run
