#pragma once
// The text of a command history file as AutoCAD writes it (LOGFILENAME): a byte-order mark
// decides its encoding (UTF-8, UTF-16LE, UTF-16BE); without one, bytes that are well-formed
// UTF-8 are read as UTF-8, others in the ANSI code page. AutoCAD writes a character its code page
// lacks as "\U+XXXX" (four hexadecimal digits); these are put back. NUL characters are dropped.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kavro::run {

// Bytes in the ANSI code page to text: Windows' own conversion in the program. Without one, bytes
// that are not UTF-8 read as U+FFFD.
using CodePageDecoder = std::function<std::wstring(std::string_view bytes)>;

// The whole file's text.
std::wstring DecodeHistory(std::string_view bytes, const CodePageDecoder& ansi);

// What was added to the file since it held `notedSize` bytes; `bytes` is the whole file as it is
// now. The encoding is decided on the whole file. A noted size inside the byte-order mark counts
// as its end. When the noted size falls inside a character (a UTF-8 or double-byte sequence, or
// a UTF-16 code unit), that character is read whole, as part of what was added. A file now
// shorter than the noted size was begun anew: all of it was added.
std::wstring DecodeAddedHistory(std::string_view bytes, uint64_t notedSize,
                                const CodePageDecoder& ansi);

}  // namespace kavro::run
