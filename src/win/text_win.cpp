#include "win/text_win.h"

#include <windows.h>

#include "base/text_place.h"

namespace kavro::win {

namespace {

std::wstring Widen(UINT codePage, std::string_view text) {
  if (text.empty()) {
    return {};
  }
  int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// Converts to the ANSI code page; false when a character had no exact equivalent.
bool NarrowExactly(std::wstring_view text, std::string* out) {
  if (text.empty()) {
    out->clear();
    return true;
  }
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                              static_cast<int>(text.size()), nullptr, 0, nullptr, &usedDefault);
  out->assign(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                      out->data(), n, nullptr, &usedDefault);
  return !usedDefault;
}

}  // namespace

std::wstring FromUtf8(std::string_view text) { return Widen(CP_UTF8, text); }

std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) {
    return {};
  }
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

AnsiEncoding EncodeAnsi(std::wstring_view text) {
  AnsiEncoding result;
  if (NarrowExactly(text, &result.bytes)) {
    return result;
  }
  // Rare path: find the first character (a surrogate pair counts as one) that does not map.
  std::string scratch;
  for (size_t i = 0; i < text.size();) {
    size_t len = CharacterLength(text, i);
    if (!NarrowExactly(text.substr(i, len), &scratch)) {
      result.unmappableAt = i;
      break;
    }
    i += len;
  }
  if (!result.unmappableAt) {
    result.unmappableAt = 0;
  }
  return result;
}

std::wstring DecodeAnsi(std::string_view bytes) { return Widen(CP_ACP, bytes); }

std::wstring SystemMessage(unsigned long error) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n ? std::wstring(buffer, n) : L"";
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  return text;
}

}  // namespace kavro::win
