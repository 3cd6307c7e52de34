#include "record/run_log.h"

#include <gtest/gtest.h>

namespace kavro::run {
namespace {

TEST(RunLog, FieldsAreQuotedOnlyWhenTheyMustBe) {
  EXPECT_EQ(CsvField(L"C:\\图纸\\a.dwg"), L"C:\\图纸\\a.dwg");
  EXPECT_EQ(CsvField(L""), L"");
  EXPECT_EQ(CsvField(L"a,b"), L"\"a,b\"");
  EXPECT_EQ(CsvField(L"say \"hi\""), L"\"say \"\"hi\"\"\"");
  EXPECT_EQ(CsvField(L"two\r\nlines"), L"\"two\r\nlines\"");
  EXPECT_EQ(CsvField(L"lone\nfeed"), L"\"lone\nfeed\"");
  EXPECT_EQ(CsvField(L"lone\rreturn"), L"\"lone\rreturn\"");
}

TEST(RunLog, HeaderAndRowBytes) {
  EXPECT_EQ(LogHeaderBytes(),
            "\xEF\xBB\xBF"
            "\xE9\xA1\xB5\xE7\xA0\x81,\xE5\x9B\xBE\xE7\xBA\xB8,\xE7\xBB\x93\xE6\x9E\x9C,"
            "\xE5\xBC\x80\xE5\xA7\x8B,\xE7\xBB\x93\xE6\x9D\x9F,\xE7\xA7\x92,"
            "\xE9\x94\x99\xE8\xAF\xAF\xE5\x8F\xB7,\xE9\x94\x99\xE8\xAF\xAF\xE8\xAF\xB4\xE6\x98\x8E"
            "\r\n");
  LogRow failed{L"2.5",     L"C:\\a,b.dwg", DrawingResult::Failed, L"9:01:02",
                L"9:01:04", 1.25,           -2147352567L,          L"打不开 \"x\""};
  EXPECT_EQ(LogRowBytes(failed),
            "2.5,\"C:\\a,b.dwg\",\xE5\xA4\xB1\xE8\xB4\xA5,9:01:02,9:01:04,1.2,"
            "-2147352567 (80020009),\"\xE6\x89\x93\xE4\xB8\x8D\xE5\xBC\x80 \"\"x\"\"\"\r\n");
  LogRow notBegun{L"3",         L"b.dwg", DrawingResult::NotBegun, L"", L"", std::nullopt,
                  std::nullopt, L""};
  EXPECT_EQ(LogRowBytes(notBegun), "3,b.dwg,\xE6\x9C\xAA\xE5\xBC\x80\xE5\xA7\x8B,,,,,\r\n");
  LogRow done{L"1", L"a.dwg", DrawingResult::Done, L"a", L"b", 0.04, 5L, L""};
  EXPECT_EQ(LogRowBytes(done), "1,a.dwg,\xE5\xAE\x8C\xE6\x88\x90,a,b,0.0,5,\r\n");
}

TEST(RunLog, FileNames) {
  LocalTime time{2026, 12, 7, 9, 5, 2};
  EXPECT_EQ(LogFileName(time), L"Kavro-20261207-090502.csv");
  EXPECT_EQ(LogFileName(time, 2), L"Kavro-20261207-090502-2.csv");
  EXPECT_EQ(LogFileName(time, 11), L"Kavro-20261207-090502-11.csv");
}

TEST(RunLog, PrunesTheOldestBeyondTheNewest) {
  std::vector<std::wstring> names = {
      L"Kavro-20261207-090502-10.csv", L"notes.txt",
      L"Kavro-20261207-090503.csv",    L"Kavro-20261207-090502-9.csv",
      L"Kavro-20261207-090502.csv",    L"Kavro-20251231-235959.csv",
      L"Kavro-20261207-090502-2.csv",  L"kavro-19990101-000000.csv",
  };
  EXPECT_EQ(
      NamesBeyondNewest(names, L"Kavro-", 2),
      (std::vector<std::wstring>{L"Kavro-20251231-235959.csv", L"Kavro-20261207-090502.csv",
                                 L"Kavro-20261207-090502-2.csv", L"Kavro-20261207-090502-9.csv"}));
  EXPECT_TRUE(NamesBeyondNewest(names, L"Kavro-", 6).empty());
  EXPECT_EQ(NamesBeyondNewest(names, L"Kavro-", 0).size(), 6u);
}

}  // namespace
}  // namespace kavro::run
