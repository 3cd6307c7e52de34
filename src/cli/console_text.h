#pragma once
// What kavro.com writes while a run goes on and when it is over, and how that text goes out: to a
// console as UTF-16 (WriteConsoleW), to a file or pipe as UTF-8 with CR LF line ends, so that
// redirected output opens as it should in Notepad and Excel alike.
#include <string>
#include <string_view>

#include "run/parallel_run.h"

namespace kavro::cli {

// "[ 37/500] 第 41 页 完成 1.2 s C:\图\x.dwg": the counter padded to the width of the total; a
// failure adds its error, indented, on the lines after, a script that went wrong its first error
// line. Lines end with "\n".
std::wstring DrawingLine(const run::DrawingEnd& end);

// "12.3 s" below a minute, then "2 分 05 秒", "1 小时 02 分 05 秒".
std::wstring DurationText(double seconds);

// "完成 N 张，脚本报错 E 张，失败 M 张，未开始 K 张，用时 T，运行记录：path" (without the script
// errors when there were none, without the log part when there is none), after a line for each
// drawing that a forced end may have left half modified.
std::wstring SummaryText(const run::ParallelSummary& summary, double seconds,
                         std::wstring_view logPath);

// The bytes for a file or pipe: UTF-8 without a byte-order mark, every "\n" as CR LF.
std::string EncodedForPipe(std::wstring_view text);

}  // namespace kavro::cli
