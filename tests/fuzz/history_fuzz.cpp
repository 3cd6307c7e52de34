// A command history file's bytes (written by AutoCAD, read after it) decoded, from its start and
// from a noted size, and judged; and the same bytes judged as the program's text.
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "fuzz_text.h"
#include "run/history_text.h"
#include "run/script_errors.h"

namespace {

using kavro::fuzz::Check;

// A double-byte code page: a byte from 0x81 on and the next from 0x40 on are one character, as in
// GBK; a lead byte alone reads as "?". No line end is part of a pair, so what was added is a
// suffix of the whole text, as for UTF-8 and UTF-16.
std::wstring DoubleByte(std::string_view bytes) {
  std::wstring text;
  for (size_t at = 0; at < bytes.size(); ++at) {
    auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x81) {
      text += static_cast<wchar_t>(lead);
    } else if (at + 1 < bytes.size() && static_cast<unsigned char>(bytes[at + 1]) >= 0x40) {
      text += static_cast<wchar_t>(0x4E00 +
                                   ((lead << 8 | static_cast<unsigned char>(bytes[++at])) & 0xFFF));
    } else {
      text += L'?';
    }
  }
  return text;
}

size_t LineCount(std::wstring_view text) {
  size_t lines = 1;
  for (size_t at = 0; at < text.size(); ++at) {
    if (text[at] == L'\n' || (text[at] == L'\r' && text.substr(at, 2) != L"\r\n")) ++lines;
  }
  return lines;
}

void CheckJudged(std::wstring_view history) {
  std::vector<kavro::run::ScriptError> errors = kavro::run::FindScriptErrors(history);
  size_t lines = LineCount(history);
  size_t last = 0;
  for (const auto& error : errors) {
    Check(error.line > last && error.line <= lines, "line numbers rise within the history");
    Check(error.text.find_first_of(L"\r\n") == std::wstring::npos, "one line each");
    Check(!error.text.empty() && error.text.front() != L' ' && error.text.back() != L' ',
          "no blank around a line");
    last = error.line;
  }
  std::wstring text = kavro::run::ScriptErrorsText(errors);
  Check(errors.empty() == text.empty(), "a text exactly when there are errors");
  Check(LineCount(text) <= 4, "at most three lines and the count");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t noted = data[0];
  std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  std::wstring whole = kavro::run::DecodeHistory(bytes, DoubleByte);
  std::wstring added = kavro::run::DecodeAddedHistory(bytes, noted, DoubleByte);
  Check(whole.find(L'\0') == std::wstring::npos, "no NUL");
  bool escapes = bytes.find('\\') != bytes.npos;
  bool markedUtf8 = bytes.starts_with("\xEF\xBB\xBF");
  if (!escapes && (!markedUtf8 || kavro::FromUtf8(bytes.substr(3)))) {
    Check(whole.ends_with(added), "what was added ends the whole text");
  }
  if (noted == 0) Check(added == whole, "from the start is the whole");
  std::optional<std::wstring> utf8 = kavro::FromUtf8(bytes);
  if (utf8 && !escapes && !markedUtf8 && bytes.find('\0') == bytes.npos) {
    Check(whole == *utf8, "well-formed UTF-8 reads as itself");
  }

  CheckJudged(whole);
  CheckJudged(kavro::fuzz::WideText(data, size));
  return 0;
}
