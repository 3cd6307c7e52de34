#pragma once
// The keystrokes of a typed text, as the R14 path types them into AutoCAD's window.
#include <string>
#include <string_view>
#include <vector>

namespace kavro::run {

struct Keystroke {
  bool enter = false;  // the Enter key; otherwise the character `ch`
  wchar_t ch = 0;
  bool operator==(const Keystroke&) const = default;
};
using KeySequence = std::vector<Keystroke>;

// A keystroke text: "~" is the Enter key, every other character is itself.
KeySequence KeysFromKeyText(std::wstring_view keys);
// A text typed literally: every character, "~" included, is itself.
KeySequence KeysFromLiteral(std::wstring_view text);

// The R14 script command: "script~" + the path typed literally + "~". A "~" in a short name
// (PROGRA~1) or "+", "^", "%", braces and parentheses in the path stay characters.
KeySequence ScriptCommandKeys(std::wstring_view scriptPath);

}  // namespace kavro::run
