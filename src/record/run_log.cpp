#include "record/run_log.h"

#include <charconv>
#include <cmath>
#include <iterator>

#include "base/utf8.h"
#include "run/run_engine.h"

namespace kavro::run {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr wchar_t kHeader[] = L"页码,图纸,结果,开始,结束,秒,错误号,错误说明";

// One decimal, "." as the decimal point whatever the locale; nothing for a value that is not
// a time span.
std::wstring SecondsText(std::optional<double> seconds) {
  if (!seconds || !std::isfinite(*seconds)) return L"";
  double value = *seconds < 0 ? 0 : *seconds;
  char buffer[64];
  auto written = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, 1);
  return std::wstring(buffer, written.ptr);
}

}  // namespace

std::wstring ResultText(DrawingResult result) {
  switch (result) {
    case DrawingResult::Done:
      return L"完成";
    case DrawingResult::ScriptError:
      return L"脚本报错";
    case DrawingResult::Previewed:
      return L"预览";
    case DrawingResult::Failed:
      return L"失败";
    case DrawingResult::Cancelled:
      return L"已取消";
    case DrawingResult::NotBegun:
      return L"未开始";
  }
  return L"";
}

std::wstring CsvField(std::wstring_view text) {
  if (text.find_first_of(L",\"\r\n") == std::wstring_view::npos) return std::wstring(text);
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'"') out += L'"';
    out += c;
  }
  out += L'"';
  return out;
}

std::string LogHeaderBytes() { return kByteOrderMark + ToUtf8(kHeader) + "\r\n"; }

std::string LogRowBytes(const LogRow& row) {
  const std::wstring fields[] = {
      row.page,
      row.drawing,
      ResultText(row.result),
      row.start,
      row.end,
      SecondsText(row.seconds),
      row.errorNumber ? ErrorNumberText(*row.errorNumber) : L"",
      row.errorText,
  };
  std::wstring line;
  for (size_t i = 0; i < std::size(fields); ++i) {
    if (i > 0) line += L',';
    line += CsvField(fields[i]);
  }
  return ToUtf8(line) + "\r\n";
}

}  // namespace kavro::run
