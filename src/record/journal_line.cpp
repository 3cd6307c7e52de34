#include "record/journal_line.h"

#include <array>

#include "base/utf8.h"

namespace kavro::run {

namespace {

constexpr size_t kCheckLength = 9;  // the space and eight hex digits
constexpr char kHexDigits[] = "0123456789abcdef";

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// A surrogate pair that starts at `i` (only where wchar_t is UTF-16; UTF-32 text holds none).
bool PairAt(std::wstring_view text, size_t i) {
  if constexpr (sizeof(wchar_t) == 2) {
    return text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
           text[i + 1] <= 0xDFFF;
  } else {
    return false;
  }
}

bool NeedsCodeEscape(wchar_t c) { return c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF); }

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

std::optional<wchar_t> CodeEscape(std::wstring_view digits) {
  if (digits.size() < 4) return std::nullopt;
  unsigned value = 0;
  for (size_t k = 0; k < 4; ++k) {
    int d = HexValue(digits[k]);
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<unsigned>(d);
  }
  return static_cast<wchar_t>(value);
}

}  // namespace

uint32_t Crc32(std::string_view bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (char b : bytes) c = kCrcTable[(c ^ static_cast<unsigned char>(b)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::wstring EscapedText(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (PairAt(text, i)) {
      out += c;
      out += text[++i];
    } else if (c == L'\\') {
      out += L"\\\\";
    } else if (c == L'\r') {
      out += L"\\r";
    } else if (c == L'\n') {
      out += L"\\n";
    } else if (c == L'\t') {
      out += L"\\t";
    } else if (NeedsCodeEscape(c)) {
      out += L"\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHexDigits[(c >> shift) & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::wstring> UnescapedText(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case L'\\':
        out += L'\\';
        break;
      case L'r':
        out += L'\r';
        break;
      case L'n':
        out += L'\n';
        break;
      case L't':
        out += L'\t';
        break;
      case L'u': {
        auto c = CodeEscape(text.substr(i + 1));
        if (!c) return std::nullopt;
        out += *c;
        i += 4;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return out;
}

std::string FramedLine(std::wstring_view record) {
  std::string line = ToUtf8(record);
  uint32_t check = Crc32(line);
  line += ' ';
  for (int shift = 28; shift >= 0; shift -= 4) line += kHexDigits[(check >> shift) & 0xF];
  line += '\n';
  return line;
}

std::optional<std::wstring> UnframedLine(std::string_view line) {
  if (line.size() < kCheckLength || line[line.size() - kCheckLength] != ' ') return std::nullopt;
  std::string_view text = line.substr(0, line.size() - kCheckLength);
  uint32_t check = 0;
  for (char c : line.substr(line.size() - kCheckLength + 1)) {
    const char* digit = std::char_traits<char>::find(kHexDigits, 16, c);
    if (!digit) return std::nullopt;
    check = check * 16 + static_cast<uint32_t>(digit - kHexDigits);
  }
  if (check != Crc32(text)) return std::nullopt;
  return FromUtf8(text);
}

}  // namespace kavro::run
