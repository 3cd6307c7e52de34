#include "run/page_rule.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kavro::run {
namespace {

// The start page box is read as it always was: the leading number, blanks anywhere in it
// ignored, decimal with an exponent ("E" or "D"), or "&H" / "&O" whole numbers.
TEST(PageRule, ReadsTheLeadingNumber) {
  struct Case {
    const wchar_t* text;
    double value;
  };
  // "&HFFFF" is a 16-bit literal.
  const Case cases[] = {
      {L"1", 1},      {L"", 0},          {L"abc", 0},         {L" 1 0", 10},   {L"\t1\n2 3x4", 123},
      {L"-1", -1},    {L"+7", 7},        {L"- 3", -3},        {L"2.5.1", 2.5}, {L".5", 0.5},
      {L"1e3", 1000}, {L"1D2", 100},     {L"15E-1", 1.5},     {L"3E", 3},      {L"3E+", 3},
      {L"12页", 12},  {L"-", 0},         {L".", 0},           {L"1,5", 1},     {L"1E-999", 0},
      {L"&H1F", 31},  {L"&hff", 255},    {L"&O17", 15},       {L"&o19", 1},    {L"&HG", 0},
      {L"&X1", 0},    {L" & H 2 0", 32}, {L"&H10000", 65536}, {L"&HFFFF", -1}, {L"&HFFFFFFFF", -1}};
  for (const Case& c : cases) EXPECT_EQ(ReadLeadingNumber(c.text), c.value) << c.text;
  EXPECT_TRUE(std::isinf(ReadLeadingNumber(L"1E999")));
  // Beyond the range of double without an exponent: too small reads as 0, too large as infinity.
  EXPECT_EQ(ReadLeadingNumber(L"0." + std::wstring(400, L'0') + L"1"), 0);
  EXPECT_EQ(ReadLeadingNumber(L"-" + std::wstring(400, L'0') + L".0001e-320"), 0);
  EXPECT_TRUE(std::isinf(ReadLeadingNumber(L"0.1e310")));
}

TEST(PageRule, PageTexts) {
  EXPECT_EQ(PageText(1), L"1");
  EXPECT_EQ(PageText(-1), L"-1");
  EXPECT_EQ(PageText(-0.0), L"0");
  EXPECT_EQ(PageText(1e20), L"100000000000000000000");
  EXPECT_EQ(PageText(0.1 + 2), L"2.1");
  EXPECT_EQ(PageText(-0.5), L"-0.5");
  // Every digit of the largest whole pages.
  EXPECT_EQ(PageText(-1e300).size(), 302u);
  EXPECT_EQ(ReadLeadingNumber(PageText(1e300)), 1e300);
  EXPECT_EQ(PageText(-1e300).substr(0, 3), L"-10");
}

TEST(PageRule, ReplacesLowerThenUpperCaseWordsOnly) {
  EXPECT_EQ(ApplyPagePlaceholder(L"PAGE-page-Page", L"12"), L"12-12-Page");
  EXPECT_EQ(ApplyPagePlaceholder(L"pagepage pAGE", L"3"), L"33 pAGE");
  EXPECT_EQ(ApplyPagePlaceholder(L"pagee ppage", L"4"), L"4e p4");
  EXPECT_EQ(ApplyPagePlaceholder(L"-text\r\npage\r\n", L"5"), L"-text\r\n5\r\n");
  EXPECT_EQ(ApplyPagePlaceholder(L"paPAGEge", L"1"), L"pa1ge");
}

TEST(PageRule, EachDrawingGetsItsPage) {
  EXPECT_EQ(ScriptForDrawing(L"page", L"1", 2), L"3");
  EXPECT_EQ(ScriptForDrawing(L"page", L"abc", 1), L"1");
  EXPECT_EQ(ScriptForDrawing(L"page", L"-1", 2), L"1");
  EXPECT_EQ(ScriptForDrawing(L"page", L" 1 0", 1), L"11");
  EXPECT_EQ(ScriptForDrawing(L"page", L"2.5", 1), L"3.5");
}

}  // namespace
}  // namespace kavro::run
