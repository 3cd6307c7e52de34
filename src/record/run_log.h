#pragma once
// The run log: one CSV file per run that Excel opens as it is (UTF-8 with a byte-order mark,
// CR LF, fields quoted as RFC 4180 says), one row per drawing in list order.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/run_record.h"

namespace kavro::run {

struct LogRow {
  std::wstring page;  // the page text the script got
  std::wstring drawing;
  DrawingResult result = DrawingResult::NotBegun;
  std::wstring start, end;        // times of day as the progress window shows them; empty: none
  std::optional<double> seconds;  // written with one decimal
  std::optional<long> errorNumber;
  std::wstring errorText;
};

std::wstring ResultText(DrawingResult result);
// A field as written: quoted when it holds a comma, a quote, CR or LF (quotes doubled).
std::wstring CsvField(std::wstring_view text);
// The byte-order mark and the header row.
std::string LogHeaderBytes();
// One row, UTF-8, ending in CR LF.
std::string LogRowBytes(const LogRow& row);

// The history file beside a run's log: UTF-8 with a byte-order mark, CR LF. Its start, and for a
// drawing that was worked on a line "=== 第 P 页 <path> <结果> ===" followed by its command
// history as read (its line ends as CR LF).
std::string HistoryFileStartBytes();
std::string HistoryBlockBytes(const LogRow& row, const DrawingHistory* history);
// The history file's name for a log's: "….csv" becomes "….txt" ("x.txt" gets "x.txt.txt").
std::wstring HistoryFileName(const std::wstring& logPath);

struct LocalTime {
  int year, month, day, hour, minute, second;
};
// "Kavro-20261207-093512.csv", or with "-2", "-3"... before ".csv" for `attempt` 2, 3...
std::wstring LogFileName(const LocalTime& start, int attempt = 1);

// Of the file names in a folder, those to delete so that only the newest `keep` of the ones
// that start with `prefix` stay (newest by name: the names hold the time they were made).
std::vector<std::wstring> NamesBeyondNewest(std::vector<std::wstring> names,
                                            std::wstring_view prefix, size_t keep);

}  // namespace kavro::run
