#include "run/history_text.h"

#include <algorithm>
#include <optional>

#include "base/utf8.h"

namespace kavro::run {
namespace {

enum class Encoding { kUtf8, kUtf16Le, kUtf16Be, kNone };

struct Mark {
  Encoding encoding;
  size_t size;
};

Mark ByteOrderMark(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return {Encoding::kUtf8, 3};
  if (bytes.starts_with("\xFF\xFE")) return {Encoding::kUtf16Le, 2};
  if (bytes.starts_with("\xFE\xFF")) return {Encoding::kUtf16Be, 2};
  return {Encoding::kNone, 0};
}

bool IsContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Where a UTF-8 sequence cut short by the end of `bytes` begins (a file being written), or the
// end when none is.
size_t CutSequenceStart(std::string_view bytes) {
  size_t back = 0;
  while (back < 3 && back < bytes.size() && IsContinuation(bytes[bytes.size() - 1 - back])) ++back;
  if (back == bytes.size()) return bytes.size();
  auto lead = static_cast<unsigned char>(bytes[bytes.size() - 1 - back]);
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return length > back + 1 ? bytes.size() - 1 - back : bytes.size();
}

// Moves `at` back to the start of the UTF-8 sequence it falls in, not before `floor`.
size_t SequenceStart(std::string_view bytes, size_t at, size_t floor) {
  for (int k = 0; k < 3 && at > floor && at < bytes.size() && IsContinuation(bytes[at]); ++k) --at;
  return at;
}

char16_t UnitAt(std::string_view bytes, size_t at, bool bigEndian) {
  auto first = static_cast<unsigned char>(bytes[at]);
  auto second = static_cast<unsigned char>(bytes[at + 1]);
  return static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
}

// Whether the code unit at `at` is the low half of a pair whose high half stands before it.
bool IsLowAfterHigh(std::string_view bytes, size_t at, bool bigEndian) {
  if (at + 1 >= bytes.size()) return false;
  char16_t unit = UnitAt(bytes, at, bigEndian);
  char16_t before = UnitAt(bytes, at - 2, bigEndian);
  return unit >= 0xDC00 && unit <= 0xDFFF && before >= 0xD800 && before <= 0xDBFF;
}

std::wstring FromUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t at = 0; at + 1 < bytes.size(); at += 2) units += UnitAt(bytes, at, bigEndian);
  // Lone surrogates become U+FFFD on the way, so the UTF-8 is always well-formed.
  return FromUtf8(Utf16ToUtf8(units)).value_or(std::wstring());
}

// The ANSI text from `from` on: decoded from the line `from` falls in, less the text decoded from
// that line's start up to `from`. A line end is never part of a double-byte character, and a
// character cut at `from` decodes differently in the two, so it is kept whole.
std::wstring AnsiFrom(std::string_view bytes, size_t from, const CodePageDecoder& ansi) {
  size_t line = bytes.find_last_of("\r\n", from == 0 ? 0 : from - 1);
  line = (line == bytes.npos || from == 0) ? 0 : line + 1;
  if (line >= from) return ansi(bytes.substr(from));
  std::wstring all = ansi(bytes.substr(line));
  std::wstring before = ansi(bytes.substr(line, from - line));
  size_t same =
      std::mismatch(all.begin(), all.end(), before.begin(), before.end()).first - all.begin();
  return all.substr(same);
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

// The value of a "\U+XXXX" at `at`, if one stands there.
std::optional<char32_t> EscapeAt(std::wstring_view text, size_t at) {
  if (text.size() - at < 7 || text.substr(at, 3) != L"\\U+") return std::nullopt;
  char32_t value = 0;
  for (size_t k = 3; k < 7; ++k) {
    int digit = HexValue(text[at + k]);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<char32_t>(digit);
  }
  return value;
}

std::wstring WithEscapesRestored(const std::wstring& text) {
  if (text.find(L"\\U+") == text.npos) return text;
  std::wstring out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    std::optional<char32_t> value = EscapeAt(text, at);
    if (!value || *value == 0 || (*value >= 0xDC00 && *value <= 0xDFFF)) {
      out += text[at++];
      continue;
    }
    if (*value < 0xD800 || *value > 0xDBFF) {
      out += static_cast<wchar_t>(*value);
      at += 7;
      continue;
    }
    // A surrogate pair written as two escapes.
    std::optional<char32_t> low = EscapeAt(text, at + 7);
    if (!low || *low < 0xDC00 || *low > 0xDFFF) {
      out += text[at++];
      continue;
    }
    if constexpr (sizeof(wchar_t) == 2) {
      out += static_cast<wchar_t>(*value);
      out += static_cast<wchar_t>(*low);
    } else {
      out += static_cast<wchar_t>(0x10000 + ((*value - 0xD800) << 10) + (*low - 0xDC00));
    }
    at += 14;
  }
  return out;
}

std::wstring Decoded(std::string_view bytes, size_t from, const CodePageDecoder& ansi) {
  Mark mark = ByteOrderMark(bytes);
  from = std::max(from, mark.size);
  switch (mark.encoding) {
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      from -= (from - mark.size) % 2;
      // The low half of a surrogate pair is read with its high half.
      if (from >= mark.size + 2 &&
          IsLowAfterHigh(bytes, from, mark.encoding == Encoding::kUtf16Be)) {
        from -= 2;
      }
      return FromUtf16(bytes.substr(from), mark.encoding == Encoding::kUtf16Be);
    case Encoding::kUtf8: {
      size_t end = std::max(CutSequenceStart(bytes), mark.size);
      from = std::min(SequenceStart(bytes, from, mark.size), end);
      return FromUtf8Replacing(bytes.substr(from, end - from));
    }
    case Encoding::kNone:
      break;
  }
  size_t end = CutSequenceStart(bytes);
  if (IsUtf8(bytes.substr(0, end))) {
    from = std::min(SequenceStart(bytes, from, 0), end);
    return FromUtf8(bytes.substr(from, end - from)).value_or(std::wstring());
  }
  return ansi ? AnsiFrom(bytes, from, ansi) : FromUtf8Replacing(bytes.substr(from));
}

}  // namespace

std::wstring DecodeAddedHistory(std::string_view bytes, uint64_t notedSize,
                                const CodePageDecoder& ansi) {
  size_t from = notedSize > bytes.size() ? 0 : static_cast<size_t>(notedSize);
  std::wstring text = Decoded(bytes, from, ansi);
  std::erase(text, L'\0');
  return WithEscapesRestored(text);
}

std::wstring DecodeHistory(std::string_view bytes, const CodePageDecoder& ansi) {
  return DecodeAddedHistory(bytes, 0, ansi);
}

}  // namespace kavro::run
