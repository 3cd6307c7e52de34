#include "core/core_locate.h"

#include <cwctype>

namespace kavro::run {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trimmed(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Where the first ".exe" that is followed by a blank or the end stops; npos when none is.
size_t EndOfExe(std::wstring_view text) {
  constexpr std::wstring_view kExe = L".exe";
  for (size_t at = 0; at + kExe.size() <= text.size(); ++at) {
    bool same = true;
    for (size_t i = 0; i < kExe.size() && same; ++i) {
      same = static_cast<wchar_t>(std::towlower(text[at + i])) == kExe[i];
    }
    size_t end = at + kExe.size();
    if (same && (end == text.size() || IsBlank(text[end]))) return end;
  }
  return std::wstring_view::npos;
}

}  // namespace

std::wstring ServerProgram(std::wstring_view commandText) {
  std::wstring_view text = Trimmed(commandText);
  if (!text.empty() && text.front() == L'"') {
    text.remove_prefix(1);
    return std::wstring(Trimmed(text.substr(0, text.find(L'"'))));
  }
  size_t end = EndOfExe(text);
  if (end == std::wstring_view::npos) {
    end = 0;
    while (end < text.size() && !IsBlank(text[end])) ++end;
  }
  return std::wstring(text.substr(0, end));
}

std::wstring CoreConsoleBeside(std::wstring_view program) {
  size_t slash = program.find_last_of(L"\\/");
  if (slash == std::wstring_view::npos) return {};
  return std::wstring(program.substr(0, slash)) + L"\\accoreconsole.exe";
}

}  // namespace kavro::run
