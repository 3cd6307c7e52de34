// The keystrokes of the R14 path: "~" is Enter only where a keystroke text is meant, never in
// a path typed literally.
#include <gtest/gtest.h>

#include "run/keys.h"

namespace kavro::run {
namespace {

// KeySequence written back as text: Enter as "<CR>", characters as themselves.
std::wstring Show(const KeySequence& keys) {
  std::wstring out;
  for (const auto& k : keys) {
    if (k.enter) {
      out += L"<CR>";
    } else {
      out += k.ch;
    }
  }
  return out;
}

TEST(KeysTest, TildeInAKeystrokeTextIsEnter) {
  EXPECT_EQ(L"filedia<CR>0<CR>", Show(KeysFromKeyText(L"filedia~0~")));
  EXPECT_EQ(L"qsave<CR>", Show(KeysFromKeyText(L"qsave~")));
  EXPECT_EQ(L"<CR><CR>", Show(KeysFromKeyText(L"~~")));
  EXPECT_TRUE(KeysFromKeyText(L"").empty());
  // Other key-code characters of older keystroke functions are plain characters here.
  EXPECT_EQ(L"+^%{}()", Show(KeysFromKeyText(L"+^%{}()")));
}

TEST(KeysTest, APathIsTypedLiterally) {
  const std::wstring path = L"C:\\PROGRA~1\\图纸 {A}+(1)^%~\\kavro.scr";
  KeySequence keys = KeysFromLiteral(path);
  ASSERT_EQ(path.size(), keys.size());
  for (size_t i = 0; i < path.size(); ++i) {
    EXPECT_EQ((Keystroke{false, path[i]}), keys[i]) << i;
  }
}

TEST(KeysTest, ScriptCommandEndsOnlyWithItsOwnEnters) {
  KeySequence keys = ScriptCommandKeys(L"D:\\KAVRO~1\\kavro.scr");
  EXPECT_EQ(L"script<CR>D:\\KAVRO~1\\kavro.scr<CR>", Show(keys));
  int enters = 0;
  for (const auto& k : keys) enters += k.enter ? 1 : 0;
  EXPECT_EQ(2, enters);
  EXPECT_EQ(L"script<CR><CR>", Show(ScriptCommandKeys(L"")));
}

}  // namespace
}  // namespace kavro::run
