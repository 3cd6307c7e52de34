#include "run/page_rule.h"

#include <gtest/gtest.h>

#include "run/file_keywords.h"

namespace kavro::run {
namespace {

// The start page box is read as it always was: the leading number, blanks anywhere in it
// ignored, decimal with an exponent ("E" or "D"), or "&H" / "&O" whole numbers.
TEST(PageRule, ReadsTheLeadingNumberAndWritesPages) {
  struct Case {
    const wchar_t* text;
    double value;
  };
  // Plain decimals, blanks anywhere in them, read as strtod reads them and the range of double
  // are the page number fuzz target's model; here the rest. "&HFFFF" is a 16-bit literal.
  const Case cases[] = {
      {L"", 0},      {L"abc", 0},       {L"2.5.1", 2.5},     {L"1D2", 100},   {L"3E", 3},
      {L"3E+", 3},   {L"12页", 12},     {L"-", 0},           {L".", 0},       {L"1,5", 1},
      {L"&H1F", 31}, {L"&hff", 255},    {L"&O17", 15},       {L"&o19", 1},    {L"&HG", 0},
      {L"&X1", 0},   {L" & H 2 0", 32}, {L"&H10000", 65536}, {L"&HFFFF", -1}, {L"&HFFFFFFFF", -1},
      {L"1E-999", 0}};  // too small: exactly 0
  for (const Case& c : cases) EXPECT_EQ(ReadLeadingNumber(c.text), c.value) << c.text;
  // Beyond the range of double without an exponent: too small reads as 0, too large as infinity.
  EXPECT_EQ(ReadLeadingNumber(L"0." + std::wstring(400, L'0') + L"1"), 0);
  EXPECT_EQ(ReadLeadingNumber(L"-" + std::wstring(400, L'0') + L".0001e-320"), 0);
  EXPECT_EQ(PageText(1), L"1");
  EXPECT_EQ(PageText(-1), L"-1");
  EXPECT_EQ(PageText(-0.0), L"0");
  EXPECT_EQ(PageText(1e20), L"100000000000000000000");
  EXPECT_EQ(PageText(0.1 + 2), L"2.1");
  EXPECT_EQ(PageText(-0.5), L"-0.5");
  // Every digit of the largest whole pages.
  EXPECT_EQ(PageText(-1e300).size(), 302u);
  EXPECT_EQ(PageText(-1e300).substr(0, 3), L"-10");
}

// The file keywords, after the page: each keyword in any letter case, replaced left to right;
// what a keyword inserts is left as it is, "page" in a folder's name included.
TEST(FileKeywords, EachDrawingGetsItsNamesAndATemplateWithoutThemItsPage) {
  struct Case {
    const wchar_t* scriptTemplate;
    const wchar_t* drawing;
    const wchar_t* script;  // the first drawing's, start page 7
  };
  const Case cases[] = {
      {L"<acet:cFolderName>", L"D:\\工程\\a.dwg", L"D:\\工程"},
      {L"<acet:cBaseName>", L"D:\\工程\\a.b.dwg", L"a.b"},
      {L"<acet:cExtension>", L"D:\\工程\\A.DWG", L".DWG"},
      {L"<acet:cFileName>", L"D:\\工程\\a.dwg", L"a.dwg"},
      {L"<acet:cFullFileName>", L"D:\\工程\\a.dwg", L"D:\\工程\\a.dwg"},
      {L"<ACET:CFOLDERNAME>|<acet:cbasename>|<Acet:CExtension>", L"C:\\a.dwg", L"C:|a|.dwg"},
      {L"<acet:cFolderName>\\<acet:cBaseName>", L"C:\\a.dwg", L"C:\\a"},  // a drive root
      {L"<acet:cFolderName>", L"\\\\server\\share\\a.dwg", L"\\\\server\\share"},
      {L"<acet:cFolderName>|<acet:cBaseName>|<acet:cExtension>", L"D:\\p\\plandwg",
       L"D:\\p|plandwg|"},  // no dot: no extension
      {L"page <acet:cFullFileName> PAGE", L"D:\\pages\\PAGE.dwg", L"7 D:\\pages\\PAGE.dwg 7"},
      {L"<acet:cFileName><acet:cFileName>", L"D:\\x.dwg", L"x.dwgx.dwg"},
      {L"<<acet:cFileName>> <acet:cFileName <acet:cFile>", L"D:\\x.dwg",
       L"<x.dwg> <acet:cFileName <acet:cFile>"},
      {L"<acet:cFileName>", L"D:\\<acet:cBaseName>.dwg", L"<acet:cBaseName>.dwg"},
      {L"<acet:сFileName>", L"D:\\x.dwg", L"<acet:сFileName>"},  // a Cyrillic "с"
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScriptForDrawing(c.scriptTemplate, L"7", 0, c.drawing), c.script)
        << c.scriptTemplate << L" " << c.drawing;
  }
  for (const wchar_t* scriptTemplate :
       {L"", L"page\r\n", L"-text 0,0 PAGE\r\n<acet:>\r\n< acet:cFileName>", L"<acet:cFileName"}) {
    EXPECT_EQ(ScriptForDrawing(scriptTemplate, L"3", 4, L"D:\\p\\a.dwg"),
              ScriptForDrawing(scriptTemplate, L"3", 4));
    EXPECT_FALSE(HasFileKeyword(scriptTemplate));
  }
  EXPECT_TRUE(HasFileKeyword(L"x <acet:cextension>"));
  EXPECT_EQ(NamesOf(L"C:a.dwg"), (DrawingNames{L"C:", L"a", L".dwg", L"a.dwg", L"C:a.dwg"}));
  EXPECT_EQ(NamesOf(L"D:\\x\\\\.dwg"),
            (DrawingNames{L"D:\\x", L"", L".dwg", L".dwg", L"D:\\x\\\\.dwg"}));
}

}  // namespace
}  // namespace kavro::run
