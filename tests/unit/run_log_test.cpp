#include "record/run_log.h"

#include <gtest/gtest.h>

#include "base/utf8.h"

namespace kavro::run {
namespace {

TEST(RunLog, FieldsRowsFileNamesAndPruning) {
  for (const wchar_t* plain : {L"C:\\图纸\\a.dwg", L""}) EXPECT_EQ(CsvField(plain), plain);
  EXPECT_EQ(CsvField(L"a,b"), L"\"a,b\"");
  EXPECT_EQ(CsvField(L"say \"hi\""), L"\"say \"\"hi\"\"\"");
  for (const wchar_t* lines : {L"two\r\nlines", L"lone\nfeed", L"lone\rreturn"}) {
    EXPECT_EQ(CsvField(lines), L"\"" + std::wstring(lines) + L"\"");
  }
  // UTF-8 with a byte order mark, so that a spreadsheet reads the Chinese; CR LF after each row.
  EXPECT_EQ(LogHeaderBytes(),
            "\xEF\xBB\xBF" + ToUtf8(L"页码,图纸,结果,开始,结束,秒,错误号,错误说明\r\n"));
  LogRow failed{L"2.5",     L"C:\\a,b.dwg", DrawingResult::Failed, L"9:01:02",
                L"9:01:04", 1.25,           -2147352567L,          L"打不开 \"x\""};
  EXPECT_EQ(LogRowBytes(failed), ToUtf8(L"2.5,\"C:\\a,b.dwg\",失败,9:01:02,9:01:04,1.2,"
                                        L"-2147352567 (80020009),\"打不开 \"\"x\"\"\"\r\n"));
  EXPECT_EQ(LogRowBytes({L"3", L"b.dwg", DrawingResult::NotBegun, L"", L"", {}, {}, L""}),
            ToUtf8(L"3,b.dwg,未开始,,,,,\r\n"));
  EXPECT_EQ(LogRowBytes({L"1", L"a.dwg", DrawingResult::Done, L"a", L"b", 0.04, 5L, L""}),
            ToUtf8(L"1,a.dwg,完成,a,b,0.0,5,\r\n"));
  LocalTime time{2026, 12, 7, 9, 5, 2};
  EXPECT_EQ(LogFileName(time), L"Kavro-20261207-090502.csv");
  EXPECT_EQ(LogFileName(time, 11), L"Kavro-20261207-090502-11.csv");
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
