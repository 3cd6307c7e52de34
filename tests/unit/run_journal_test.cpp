#include "record/journal.h"

#include <gtest/gtest.h>

#include "base/utf8.h"
#include "record/journal_line.h"

namespace kavro::run {
namespace {

RunInputs Awkward() {
  RunInputs inputs;
  inputs.drawings = {L"C:\\图纸\\一,二.dwg", L"  D:\\a b\\c.dwg ", L"\\\\server\\share\\x.dwg"};
  inputs.scriptTemplate = L"-text 0,0 page\r\n\t\\u0041 \"q\"\r\nzoom e\r\n";
  inputs.startPage = L" 7\n";
  inputs.r2000 = false;
  return inputs;
}

TEST(Utf8, RoundTripsAndJournalLinesKeepEveryTextOnOneLine) {
  std::u16string pair = u"页\U0001F600x";
  EXPECT_EQ(Utf16ToUtf8(pair), "\xE9\xA1\xB5\xF0\x9F\x98\x80x");
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(pair)), pair);
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800') + u"a"),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(FromUtf8(ToUtf8(L"图纸 \U0001F600")), L"图纸 \U0001F600");
  for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80",
                          "\xE9\xA1", "\xFF", "a\xC3"}) {
    EXPECT_FALSE(FromUtf8(bad).has_value()) << bad;
    EXPECT_FALSE(Utf8ToUtf16(bad).has_value()) << bad;
  }
  std::wstring text = L"a\\b\r\n\tc\x01\x7F" + std::wstring(1, static_cast<wchar_t>(0xDC00)) + L"d";
  std::wstring escaped = EscapedText(text);
  EXPECT_EQ(escaped.find_first_of(L"\r\n\t"), std::wstring::npos);
  EXPECT_EQ(UnescapedText(escaped), text);
  EXPECT_EQ(UnframedLine(FramedLine(escaped).substr(0, FramedLine(escaped).size() - 1)), escaped);
  for (const wchar_t* bad : {L"\\", L"\\x", L"\\u12", L"\\u12G4"}) {
    EXPECT_FALSE(UnescapedText(bad).has_value()) << bad;
  }
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
}

TEST(Journal, GarbageFlippedBytesAndRecordsOutOfPlaceStopTheReading) {
  RunInputs inputs = Awkward();
  EXPECT_FALSE(ReadJournal(""));
  EXPECT_FALSE(ReadJournal("kavro-journal 1\n"));
  EXPECT_FALSE(ReadJournal("\xEF\xBB\xBF" + InputsRecords(inputs)));
  EXPECT_FALSE(ReadJournal(std::string(4096, '\xFF')));
  std::string full = InputsRecords(inputs);
  for (size_t i = 0; i < 3; ++i) full += BegunRecord(i) + SavedRecord(i);
  full += EndedRecord();
  size_t inputsEnd = InputsRecords(inputs).size();
  for (size_t at = 0; at < full.size(); ++at) {
    for (unsigned char bit : {0x01, 0x20, 0x80}) {
      std::string flipped = full;
      flipped[at] = static_cast<char>(flipped[at] ^ bit);
      auto state = ReadJournal(flipped);
      if (at < inputsEnd) {
        EXPECT_FALSE(state) << at;
      } else {
        ASSERT_TRUE(state) << at;
        EXPECT_EQ(state->inputs, inputs);
        EXPECT_FALSE(state->ended) << at;
      }
    }
  }
  // A record for a drawing out of range, or after the end, stops the reading there.
  std::string bytes = InputsRecords(inputs);
  for (const std::string& rest : {SavedRecord(3) + SavedRecord(0), BegunRecord(7) + BegunRecord(0),
                                  EndedRecord() + SavedRecord(0)}) {
    auto state = ReadJournal(bytes + rest);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->saved, std::vector<bool>(3, false));
    EXPECT_FALSE(state->begunNotSaved);
  }
  // A count that does not match the drawings before it: the inputs are not complete.
  size_t countLine = bytes.rfind('\n', bytes.size() - 2) + 1;
  EXPECT_FALSE(ReadJournal(bytes.substr(0, countLine) + FramedLine(L"inputs 2")));
  EXPECT_FALSE(ReadJournal(bytes.substr(0, countLine) + FramedLine(L"inputs 4")));
}

// The CAD program chosen and kavro.com's engine are kept for resume and retry; a run on 自动 and
// the desktop program writes no record of them, so journals without one read as before.
TEST(Journal, KeepsTheChosenCadProgramAndEngine) {
  RunInputs inputs = Awkward();
  inputs.cad = L"ZWCAD.Application.2025";
  inputs.engine = L"cloud";
  std::string bytes = InputsRecords(inputs) + BegunRecord(0);
  auto state = ReadJournal(bytes);
  ASSERT_TRUE(state);
  EXPECT_EQ(state->inputs, inputs);
  EXPECT_EQ(ResumeOf(*state)->restored.cad, inputs.cad);
  EXPECT_EQ(RetrySelection(*state).inputs.engine, inputs.engine);
  EXPECT_EQ(InputsRecords(Awkward()).find("cad "), std::string::npos);
  EXPECT_EQ(InputsRecords(Awkward()).find("engine "), std::string::npos);
}

TEST(Resume, OffersWhatWasNotSaved) {
  EXPECT_FALSE(ResumeOf(*ReadJournal(InputsRecords(RunInputs{}))));  // no drawings
  RunInputs inputs = Awkward();
  std::string bytes = InputsRecords(inputs);
  // Before the first drawing.
  auto offer = ResumeOf(*ReadJournal(bytes));
  ASSERT_TRUE(offer);
  EXPECT_EQ(offer->total, 3u);
  EXPECT_EQ(offer->saved, 0u);
  EXPECT_EQ(offer->restored, (RunInputs{inputs.drawings, inputs.scriptTemplate, L"7", false}));
  EXPECT_FALSE(offer->possiblyModified);
  // Between begun and saved: the begun drawing is offered, with a warning.
  bytes += BegunRecord(0) + SavedRecord(0) + BegunRecord(1);
  offer = ResumeOf(*ReadJournal(bytes));
  ASSERT_TRUE(offer);
  EXPECT_EQ(offer->restored.drawings,
            (std::vector<std::wstring>{inputs.drawings[1], inputs.drawings[2]}));
  EXPECT_EQ(offer->possiblyModified, L"D:\\a b\\c.dwg");
  EXPECT_EQ(offer->possiblyModifiedPage, L"8");
  // The question names a drawing that may have been modified.
  EXPECT_NE(ResumeQuestion(*offer).find(L"（共 3 张图纸，已完成 1 张）"), std::wstring::npos);
  EXPECT_NE(ResumeQuestion(*offer).find(L"\n第 8 页 D:\\a b\\c.dwg 可能已经修改过，请先检查。\n"),
            std::wstring::npos);
  offer->possiblyModified.reset();
  EXPECT_EQ(ResumeQuestion(*offer).find(L"可能已经修改过"), std::wstring::npos);
}

TEST(Resume, PagesContinueFromTheStartPage) {
  struct Case {
    const wchar_t* start;
    const wchar_t* third;  // the start page of the offer when two were saved
  };
  for (auto [start, third] : {Case{L"7", L"9"}, Case{L"1.5", L"3.5"}, Case{L"&H10", L"18"},
                              Case{L"abc", L"2"}, Case{L"-1", L"1"}}) {
    RunInputs inputs{{L"a.dwg", L"b.dwg", L"c.dwg"}, L"page", start, true};
    std::string bytes = InputsRecords(inputs) + BegunRecord(0) + SavedRecord(0) + BegunRecord(1) +
                        SavedRecord(1) + BegunRecord(2);
    auto offer = ResumeOf(*ReadJournal(bytes));
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->restored.startPage, third) << start;
    EXPECT_EQ(offer->possiblyModifiedPage, third) << start;
  }
}

// Drawings under way at once: a save of one leaves the others begun and not saved.
TEST(Journal, OverlappingDrawingsStayBegunUntilSaved) {
  RunInputs inputs = Awkward();
  std::string bytes = InputsRecords(inputs) + BegunRecord(0) + BegunRecord(1) + BegunRecord(2);
  auto state = ReadJournal(bytes + SavedRecord(2) + SavedRecord(1));
  ASSERT_TRUE(state);
  EXPECT_EQ(state->begunNotSaved, 0u);
  EXPECT_EQ(state->begun, (std::vector<bool>{true, true, true}));
  state = ReadJournal(bytes + SavedRecord(1));
  ASSERT_TRUE(state);
  EXPECT_EQ(state->begunNotSaved, 2u);
  auto offer = ResumeOf(*state);
  ASSERT_TRUE(offer);
  EXPECT_EQ(offer->possiblyModified, L"\\\\server\\share\\x.dwg");
}

}  // namespace
}  // namespace kavro::run
