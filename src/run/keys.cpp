#include "run/keys.h"

namespace kavro::run {

KeySequence KeysFromKeyText(std::wstring_view keys) {
  KeySequence out;
  out.reserve(keys.size());
  for (wchar_t c : keys) {
    out.push_back(c == L'~' ? Keystroke{true, 0} : Keystroke{false, c});
  }
  return out;
}

KeySequence KeysFromLiteral(std::wstring_view text) {
  KeySequence out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    out.push_back(Keystroke{false, c});
  }
  return out;
}

KeySequence ScriptCommandKeys(std::wstring_view scriptPath) {
  KeySequence out = KeysFromKeyText(L"script~");
  KeySequence path = KeysFromLiteral(scriptPath);
  out.insert(out.end(), path.begin(), path.end());
  out.push_back(Keystroke{true, 0});
  return out;
}

}  // namespace kavro::run
