#include "cli/console_text.h"

#include <gtest/gtest.h>

namespace kavro::cli {
namespace {

run::DrawingEnd End(size_t ended, size_t total, run::DrawingResult result) {
  run::DrawingEnd end;
  end.ended = ended;
  end.total = total;
  end.page = L"41";
  end.drawing = L"C:\\图纸\\x.dwg";
  end.result = result;
  end.seconds = 1.25;
  return end;
}

// The count is as wide as the total; a failure's output follows on lines of its own, its blank
// lines dropped.
TEST(ConsoleText, DrawingLinesDurationsAndTheSummary) {
  EXPECT_EQ(DrawingLine(End(37, 500, run::DrawingResult::Done)),
            L"[ 37/500] 第 41 页 完成 1.2 s C:\\图纸\\x.dwg\n");
  EXPECT_TRUE(DrawingLine(End(3, 9, run::DrawingResult::Done)).starts_with(L"[3/9] "));
  run::DrawingEnd failed = End(2, 10, run::DrawingResult::Failed);
  failed.seconds.reset();
  failed.errorNumber = -2147352567L;
  failed.errorText = L"; error: 无法打开\r\n\r\n命令: _.qsave\n";
  EXPECT_EQ(DrawingLine(failed),
            L"[ 2/10] 第 41 页 失败 C:\\图纸\\x.dwg\n"
            L"      错误 -2147352567 (80020009)：; error: 无法打开\n"
            L"      命令: _.qsave\n");
  failed.errorNumber = 0;
  failed.errorText.clear();
  failed.result = run::DrawingResult::Cancelled;
  EXPECT_EQ(DrawingLine(failed), L"[ 2/10] 第 41 页 已取消 C:\\图纸\\x.dwg\n");
  // A script that went wrong: its first error line only.
  failed.result = run::DrawingResult::ScriptError;
  failed.errorText = L"第 2 行：*Cancel*\r\n第 5 行：; error: x";
  EXPECT_EQ(DrawingLine(failed),
            L"[ 2/10] 第 41 页 脚本报错 C:\\图纸\\x.dwg\n      第 2 行：*Cancel*\n");
  const std::pair<double, const wchar_t*> durations[] = {{0.0, L"0.0 s"},
                                                         {12.34, L"12.3 s"},
                                                         {59.96, L"1 分 00 秒"},
                                                         {3725.0, L"1 小时 02 分 05 秒"},
                                                         {-3.0, L"0.0 s"}};
  for (auto [seconds, text] : durations) EXPECT_EQ(DurationText(seconds), text);
  run::ParallelSummary summary{497, 2, 1};
  EXPECT_EQ(
      SummaryText(summary, 125, L"C:\\logs\\Kavro-1.csv"),
      L"完成 497 张，失败 2 张，未开始 1 张，用时 2 分 05 秒，运行记录：C:\\logs\\Kavro-1.csv\n");
  run::DrawingEnd forced = End(1, 3, run::DrawingResult::Failed);
  forced.possiblyModified = true;
  summary.drawings = {forced, End(2, 3, run::DrawingResult::Done)};
  EXPECT_TRUE(
      SummaryText(summary, 1, L"")
          .starts_with(L"第 41 页 C:\\图纸\\x.dwg 可能已经修改过，请先检查。\n完成 497 张"));
}

TEST(ConsoleText, PipesGetUtf8WithCrLf) {
  EXPECT_EQ(EncodedForPipe(L"第 1 页\n完成\r\n\n"),
            "\xE7\xAC\xAC 1 \xE9\xA1\xB5\r\n\xE5\xAE\x8C\xE6\x88\x90\r\n\r\n");
  EXPECT_EQ(EncodedForPipe(L"\nx"), "\r\nx");
  EXPECT_EQ(EncodedForPipe(L"\U0001F600"), "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace kavro::cli
