#include "run/page_rule.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kavro::run {
namespace {

TEST(PageRule, ReadsTheLeadingNumberLikeTheStartPageBoxAlwaysDid) {
  EXPECT_EQ(ReadLeadingNumber(L"1"), 1);
  EXPECT_EQ(ReadLeadingNumber(L""), 0);
  EXPECT_EQ(ReadLeadingNumber(L"abc"), 0);
  EXPECT_EQ(ReadLeadingNumber(L" 1 0"), 10);
  EXPECT_EQ(ReadLeadingNumber(L"\t1\n2 3x4"), 123);
  EXPECT_EQ(ReadLeadingNumber(L"-1"), -1);
  EXPECT_EQ(ReadLeadingNumber(L"+7"), 7);
  EXPECT_EQ(ReadLeadingNumber(L"- 3"), -3);
  EXPECT_EQ(ReadLeadingNumber(L"2.5.1"), 2.5);
  EXPECT_EQ(ReadLeadingNumber(L".5"), 0.5);
  EXPECT_EQ(ReadLeadingNumber(L"1e3"), 1000);
  EXPECT_EQ(ReadLeadingNumber(L"1D2"), 100);
  EXPECT_EQ(ReadLeadingNumber(L"15E-1"), 1.5);
  EXPECT_EQ(ReadLeadingNumber(L"3E"), 3);
  EXPECT_EQ(ReadLeadingNumber(L"3E+"), 3);
  EXPECT_EQ(ReadLeadingNumber(L"12页"), 12);
  EXPECT_EQ(ReadLeadingNumber(L"-"), 0);
  EXPECT_EQ(ReadLeadingNumber(L"."), 0);
  EXPECT_EQ(ReadLeadingNumber(L"1,5"), 1);  // "." is the only decimal point
}

TEST(PageRule, ReadsHexAndOctalWholeNumbers) {
  EXPECT_EQ(ReadLeadingNumber(L"&H1F"), 31);
  EXPECT_EQ(ReadLeadingNumber(L"&hff"), 255);
  EXPECT_EQ(ReadLeadingNumber(L"&O17"), 15);
  EXPECT_EQ(ReadLeadingNumber(L"&o19"), 1);
  EXPECT_EQ(ReadLeadingNumber(L"&HFFFF"), -1);  // a 16-bit literal
  EXPECT_EQ(ReadLeadingNumber(L"&H10000"), 65536);
  EXPECT_EQ(ReadLeadingNumber(L"&HFFFFFFFF"), -1);
  EXPECT_EQ(ReadLeadingNumber(L"&HG"), 0);
  EXPECT_EQ(ReadLeadingNumber(L"&X1"), 0);
  EXPECT_EQ(ReadLeadingNumber(L" & H 2 0"), 32);
}

TEST(PageRule, HugeNumbersAreInfiniteAndTinyOnesZero) {
  EXPECT_TRUE(std::isinf(ReadLeadingNumber(L"1E999")));
  EXPECT_EQ(ReadLeadingNumber(L"1E-999"), 0);
}

TEST(PageRule, PageTexts) {
  EXPECT_EQ(PageText(1), L"1");
  EXPECT_EQ(PageText(-1), L"-1");
  EXPECT_EQ(PageText(-0.0), L"0");
  EXPECT_EQ(PageText(1e20), L"100000000000000000000");
  EXPECT_EQ(PageText(2.5), L"2.5");
  EXPECT_EQ(PageText(0.1 + 2), L"2.1");
  EXPECT_EQ(PageText(-0.5), L"-0.5");
}

TEST(PageRule, ReplacesLowerThenUpperCaseWordsOnly) {
  EXPECT_EQ(ApplyPagePlaceholder(L"PAGE-page-Page", L"12"), L"12-12-Page");
  EXPECT_EQ(ApplyPagePlaceholder(L"pagepage pAGE", L"3"), L"33 pAGE");
  EXPECT_EQ(ApplyPagePlaceholder(L"pagee ppage", L"4"), L"4e p4");
  EXPECT_EQ(ApplyPagePlaceholder(L"-text\r\npage\r\n", L"5"), L"-text\r\n5\r\n");
  EXPECT_EQ(ApplyPagePlaceholder(L"", L"5"), L"");
  EXPECT_EQ(ApplyPagePlaceholder(L"paPAGEge", L"1"), L"pa1ge");
}

TEST(PageRule, EachDrawingGetsItsPage) {
  EXPECT_EQ(ScriptForDrawing(L"page", L"1", 0), L"1");
  EXPECT_EQ(ScriptForDrawing(L"page", L"1", 2), L"3");
  EXPECT_EQ(ScriptForDrawing(L"page", L"abc", 1), L"1");
  EXPECT_EQ(ScriptForDrawing(L"page", L"-1", 2), L"1");
  EXPECT_EQ(ScriptForDrawing(L"page", L" 1 0", 1), L"11");
  EXPECT_EQ(ScriptForDrawing(L"page", L"2.5", 1), L"3.5");
}

}  // namespace
}  // namespace kavro::run
