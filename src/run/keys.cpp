#include "run/keys.h"

namespace kavro::run {

Keystrokes KeysFromKeyText(std::wstring_view keys) {
  Keystrokes out;
  out.reserve(keys.size());
  for (wchar_t c : keys) {
    out.push_back(c == L'~' ? Keystroke{true, 0} : Keystroke{false, c});
  }
  return out;
}

Keystrokes KeysFromLiteral(std::wstring_view text) {
  Keystrokes out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    out.push_back(Keystroke{false, c});
  }
  return out;
}

Keystrokes ScriptCommandKeys(std::wstring_view scriptPath) {
  Keystrokes out = KeysFromKeyText(L"script~");
  Keystrokes path = KeysFromLiteral(scriptPath);
  out.insert(out.end(), path.begin(), path.end());
  out.push_back(Keystroke{true, 0});
  return out;
}

}  // namespace kavro::run
