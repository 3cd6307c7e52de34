// The portable parts of running drawings on AutoCAD's console edition: what it printed, and how
// its end is reported.
#include <gtest/gtest.h>

#include <string>

#include "core/core_outcome.h"
#include "core/core_output.h"

namespace kavro::run {
namespace {

// UTF-16LE bytes, as the console prints them.
std::string Utf16(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST(CoreOutput, LinesFromPiecesOfAnySize) {
  std::string bytes = Utf16(u"Command: filedia\r\n\r\n  \r\n图纸已打开\nlast\rpartial");
  CoreOutput output;
  // One byte at a time: every piece ends inside a code unit.
  for (char byte : bytes) output.Append(std::string_view(&byte, 1));
  EXPECT_EQ((std::vector<std::wstring>{L"Command: filedia", L"图纸已打开", L"last", L"partial"}),
            output.LastLines(10));
  EXPECT_EQ((std::vector<std::wstring>{L"last", L"partial"}), output.LastLines(2));
  EXPECT_TRUE(output.LastLines(0).empty());

  // NULs dropped, a byte left over ignored.
  CoreOutput odd;
  odd.Append(Utf16(std::u16string_view(u"a\0b\r\n", 5)) + std::string(2, '\0') + Utf16(u"c") + "x");
  EXPECT_EQ((std::vector<std::wstring>{L"ab", L"c"}), odd.LastLines(5));
}

// Its last lines from the end, its history from the beginning up to the cap.
TEST(CoreOutput, KeepsTheEndAndTheBeginningOfLongOutput) {
  CoreOutput output(64, 100);
  std::string line = Utf16(u"line 0123456789\r\n");
  // An odd piece size, so that the cut falls anywhere.
  std::string all;
  for (int i = 0; i < 500; ++i) all += line;
  all += Utf16(u"结束");
  for (size_t at = 0; at < all.size(); at += 7) output.Append(all.substr(at, 7));
  std::vector<std::wstring> lines = output.LastLines(100);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(L"结束", lines.back());
  // Whole lines only: the cut one is not offered, and the kept bytes still decode as UTF-16.
  for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(L"line 0123456789", lines[i]);
  EXPECT_LE(lines.size(), 6u);
  EXPECT_EQ(output.History(), L"line 0123456789\r\nline 0123456789\r\nline 0123456789\r");
}

TEST(CoreOutcome, SavedOnlyWithExitZeroAndTheDrawingWritten) {
  std::vector<std::wstring> lines = {L"1", L"2", L"3", L"4", L"5", L"6"};
  JobEnd saved = CoreJobEnd(7, {.exitCode = 0,
                                .rewritten = true,
                                .output = L"Command: x\r\n; error: bad",
                                .lastLines = lines});
  EXPECT_EQ(7u, saved.index);
  EXPECT_TRUE(saved.saved);
  ASSERT_TRUE(saved.history);
  EXPECT_EQ(saved.history->Note(), L"第 2 行：; error: bad");
  EXPECT_EQ(0, saved.errorNumber);

  // The untrusted script, or a save that failed: exit 0 and nothing written.
  JobEnd unsaved = CoreJobEnd(1, {.exitCode = 0, .rewritten = false, .lastLines = lines});
  EXPECT_EQ(kCoreNotSavedNumber, unsaved.errorNumber);
  EXPECT_NE(std::wstring::npos, unsaved.errorText.find(L"没有保存"));
  EXPECT_NE(std::wstring::npos, unsaved.errorText.find(L"。\r\n2\r\n3\r\n4\r\n5\r\n6"));
  EXPECT_EQ(std::wstring::npos, unsaved.errorText.find(L"1\r\n"));

  JobEnd crashed = CoreJobEnd(2, {.exitCode = 0xC0000005u, .lastLines = {L"Command: _.qsave"}});
  EXPECT_EQ(static_cast<long>(static_cast<int32_t>(0xC0000005u)), crashed.errorNumber);
  EXPECT_NE(std::wstring::npos, crashed.errorText.find(L"0xC0000005"));
  EXPECT_NE(std::wstring::npos, crashed.errorText.find(L"\r\nCommand: _.qsave"));
  EXPECT_EQ(std::wstring::npos, crashed.errorText.find(L"改动"));

  // A failure that wrote the drawing anyway says so: it may be half done.
  JobEnd failedWritten = CoreJobEnd(3, {.exitCode = 2, .rewritten = true, .lastLines = {}});
  EXPECT_EQ(2, failedWritten.errorNumber);
  EXPECT_NE(std::wstring::npos, failedWritten.errorText.find(L"退出代码 2"));
  EXPECT_NE(std::wstring::npos, failedWritten.errorText.find(L"改动"));

  JobEnd late =
      CoreJobEnd(4, {.timedOut = true, .rewritten = true, .limitMs = 1500, .lastLines = {}});
  EXPECT_EQ(kCoreTimeoutNumber, late.errorNumber);
  EXPECT_EQ(L"超过 1.5 秒没有结束，已结束该进程。图纸文件已被改动，请检查。", late.errorText);
}

}  // namespace
}  // namespace kavro::run
