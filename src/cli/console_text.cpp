#include "cli/console_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/utf8.h"
#include "run/run_engine.h"
#include "record/run_log.h"

namespace kavro::cli {

namespace {

std::wstring OneDecimal(double value) {
  if (!std::isfinite(value) || value < 0) value = 0;
  char buffer[64];
  auto written = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, 1);
  return std::wstring(buffer, written.ptr);
}

std::wstring Padded(size_t value, size_t width) {
  std::wstring text = std::to_wstring(value);
  if (text.size() < width) text.insert(0, width - text.size(), L' ');
  return text;
}

std::wstring TwoDigits(long long value) {
  return (value < 10 ? L"0" : L"") + std::to_wstring(value);
}

// The error under a failed drawing's line, as the GUI's message says it ("错误 N：text"), each
// line of the text (a console job's last output lines) indented.
std::wstring ErrorLines(const run::DrawingEnd& end) {
  constexpr std::wstring_view kIndent = L"      ";
  std::wstring out(kIndent);
  if (end.errorNumber != 0) out += L"错误 " + run::ErrorNumberText(end.errorNumber) + L"：";
  bool first = true;
  for (size_t from = 0; from < end.errorText.size();) {
    size_t to = std::min(end.errorText.find_first_of(L"\r\n", from), end.errorText.size());
    if (to > from) {
      if (!first) out += kIndent;
      out += end.errorText.substr(from, to - from) + L"\n";
      first = false;
    }
    from = to + 1;
  }
  if (first) out += L"\n";
  return out;
}

}  // namespace

std::wstring DrawingLine(const run::DrawingEnd& end) {
  size_t width = std::to_wstring(end.total).size();
  std::wstring line = L"[" + Padded(end.ended, width) + L"/" + std::to_wstring(end.total) +
                      L"] 第 " + end.page + L" 页 " + run::ResultText(end.result);
  if (end.seconds) line += L" " + OneDecimal(*end.seconds) + L" s";
  line += L" " + end.drawing + L"\n";
  bool saysWhy = end.errorNumber != 0 || !end.errorText.empty();
  if (end.result == run::DrawingResult::Failed && saysWhy) line += ErrorLines(end);
  if (end.result == run::DrawingResult::ScriptError) {
    // The first of its error lines: the log has the others.
    std::wstring_view text = end.errorText;
    line += L"      " + std::wstring(text.substr(0, text.find_first_of(L"\r\n"))) + L"\n";
  }
  return line;
}

std::wstring DurationText(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  if (seconds < 59.95) return OneDecimal(seconds) + L" s";
  auto whole = static_cast<long long>(std::llround(seconds));
  long long hours = whole / 3600, minutes = whole / 60 % 60, rest = whole % 60;
  std::wstring text;
  if (hours > 0)
    text = std::to_wstring(hours) + L" 小时 " + TwoDigits(minutes) + L" 分 ";
  else
    text = std::to_wstring(minutes) + L" 分 ";
  return text + TwoDigits(rest) + L" 秒";
}

std::wstring SummaryText(const run::ParallelSummary& summary, double seconds,
                         std::wstring_view logPath) {
  std::wstring text;
  for (const run::DrawingEnd& end : summary.drawings) {
    if (end.possiblyModified) {
      text += L"第 " + end.page + L" 页 " + end.drawing + L" 可能已经修改过，请先检查。\n";
    }
  }
  text += L"完成 " + std::to_wstring(summary.saved) + L" 张，";
  if (summary.scriptErrors > 0)
    text += L"脚本报错 " + std::to_wstring(summary.scriptErrors) + L" 张，";
  text += L"失败 " + std::to_wstring(summary.failed) + L" 张，未开始 " +
          std::to_wstring(summary.notBegun) + L" 张，用时 " + DurationText(seconds);
  if (!logPath.empty()) text += L"，运行记录：" + std::wstring(logPath);
  return text + L"\n";
}

std::string EncodedForPipe(std::wstring_view text) {
  std::wstring lines;
  lines.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) lines += L'\r';
    lines += text[i];
  }
  return ToUtf8(lines);
}

}  // namespace kavro::cli
