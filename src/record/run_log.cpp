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

std::string HistoryFileStartBytes() { return kByteOrderMark; }

std::string HistoryBlockBytes(const LogRow& row, const DrawingHistory* history) {
  std::wstring text =
      L"=== 第 " + row.page + L" 页 " + row.drawing + L" " + ResultText(row.result) + L" ===\r\n";
  if (history && !history->read) text += std::wstring(L"（") + kHistoryUnreadNote + L"）\r\n";
  if (history && history->read) {
    const std::wstring& added = history->text;
    for (size_t i = 0; i < added.size(); ++i) {
      wchar_t c = added[i];
      if (c == L'\r' && i + 1 < added.size() && added[i + 1] == L'\n') continue;
      text += c == L'\r' || c == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, c);
    }
    if (!added.empty() && added.back() != L'\r' && added.back() != L'\n') text += L"\r\n";
  }
  return ToUtf8(text);
}

std::wstring HistoryFileName(const std::wstring& logPath) {
  size_t dot = logPath.rfind(L'.');
  size_t slash = logPath.find_last_of(L"\\/");
  std::wstring extension = dot == std::wstring::npos ? L"" : logPath.substr(dot);
  for (wchar_t& c : extension) c = c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c;
  // A log chosen with the name of a text file keeps it: the history's name is added to it.
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash) ||
      extension == L".txt") {
    return logPath + L".txt";
  }
  return logPath.substr(0, dot) + L".txt";
}

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
