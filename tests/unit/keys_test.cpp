// The keystrokes of the R14 path: "~" is Enter only where a keystroke text is meant, never in
// a path typed literally.
#include <gtest/gtest.h>

#include "run/keys.h"

namespace kavro::run {
namespace {

// KeySequence written back as text: Enter as "<CR>", characters as themselves.
std::wstring Show(const KeySequence& keys) {
  std::wstring out;
  for (const auto& k : keys) out += k.enter ? std::wstring(L"<CR>") : std::wstring(1, k.ch);
  return out;
}

TEST(KeysTest, TildeIsEnterOnlyInAKeystrokeText) {
  EXPECT_EQ(L"filedia<CR>0<CR>", Show(KeysFromKeyText(L"filedia~0~")));
  EXPECT_EQ(L"<CR><CR>", Show(KeysFromKeyText(L"~~")));
  EXPECT_TRUE(KeysFromKeyText(L"").empty());
  // Other key-code characters of older keystroke functions are plain characters here.
  EXPECT_EQ(L"+^%{}()", Show(KeysFromKeyText(L"+^%{}()")));
  // A path is typed literally; the script command ends only with its own Enters.
  const std::wstring path = L"C:\\PROGRA~1\\图纸 {A}+(1)^%~\\kavro.scr";
  EXPECT_EQ(path, Show(KeysFromLiteral(path)));
  EXPECT_EQ(L"script<CR>" + path + L"<CR>", Show(ScriptCommandKeys(path)));
  EXPECT_EQ(L"script<CR><CR>", Show(ScriptCommandKeys(L"")));
}

}  // namespace
}  // namespace kavro::run
