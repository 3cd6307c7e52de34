// Where a character stands, as a refused template save and a refused run name it to the user.
// (The messages themselves are checked on the real window and in the run engine's tests.)
#include "base/text_place.h"

#include <gtest/gtest.h>

namespace kavro {
namespace {

// U+1F600 as Windows holds it: two UTF-16 units.
const std::wstring kEmoji{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};

TEST(TemplateText, PlaceCountsLinesAndCharactersFromOne) {
  const std::wstring text = L"ab\r\ncd\nef\rg" + kEmoji + L"h";
  auto place = [&](size_t index) {
    TextPlace p = PlaceOf(text, index);
    return std::make_pair(p.line, p.column);
  };
  // Line and column are the template place fuzz target's model to check; here each kind of
  // line end and a pair once.
  EXPECT_EQ(place(4), std::make_pair(size_t{2}, size_t{1}));   // after CR LF: one line end
  EXPECT_EQ(place(7), std::make_pair(size_t{3}, size_t{1}));   // after a lone LF
  EXPECT_EQ(place(10), std::make_pair(size_t{4}, size_t{1}));  // after a lone CR
  EXPECT_EQ(place(13), std::make_pair(size_t{4}, size_t{3}));  // the emoji: one character
  EXPECT_EQ(CharacterAt(text, 11), kEmoji);                    // both halves
  EXPECT_EQ(CharacterAt(kEmoji.substr(0, 1), 0).size(), 1u);   // a lone half is itself
  EXPECT_EQ(CharacterAt(text, 14), L"");
  EXPECT_EQ(CodePointText(kEmoji), L"U+1F600");
}

}  // namespace
}  // namespace kavro
