#include "script/template_text.h"

#include <cwchar>

namespace kavro::script {

namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::wstring CodePointText(std::wstring_view character) {
  // UTF-16 on Windows (a pair for characters beyond U+FFFF), UTF-32 where wchar_t is wider.
  unsigned long code = character.empty() ? 0 : static_cast<unsigned long>(character[0]);
  if (character.size() == 2) {
    code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<unsigned long>(character[1]) - 0xDC00);
  }
  wchar_t buffer[16] = {};
  std::swprintf(buffer, std::size(buffer), L"U+%04lX", code);
  return buffer;
}

}  // namespace

TextPlace PlaceOf(std::wstring_view text, size_t index) {
  TextPlace place;
  for (size_t i = 0; i < index && i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      if (c == L'\r' && i + 1 < index && i + 1 < text.size() && text[i + 1] == L'\n') {
        ++i;  // CR LF is one line end
      }
      ++place.line;
      place.column = 1;
    } else if (!(IsLowSurrogate(c) && i > 0 && IsHighSurrogate(text[i - 1]))) {
      ++place.column;
    }
  }
  return place;
}

std::wstring CharacterAt(std::wstring_view text, size_t index) {
  if (index >= text.size()) {
    return {};
  }
  size_t length =
      IsHighSurrogate(text[index]) && index + 1 < text.size() && IsLowSurrogate(text[index + 1])
          ? 2
          : 1;
  return std::wstring(text.substr(index, length));
}

std::wstring DescribeCharacter(std::wstring_view text, size_t index) {
  TextPlace place = PlaceOf(text, index);
  std::wstring character = CharacterAt(text, index);
  return L"第 " + std::to_wstring(place.line) + L" 行第 " + std::to_wstring(place.column) +
         L" 个字符“" + character + L"”(" + CodePointText(character) + L")";
}

std::wstring UnmappableMessage(std::wstring_view text, size_t index) {
  return L"修改列表中" + DescribeCharacter(text, index) +
         L"无法用系统代码页保存。\r\n\r\n请删除或替换这个字符后再保存。文件没有保存，原有文件保持不"
         L"变。";
}

std::wstring SaveFailedMessage(std::wstring_view path, std::wstring_view reason) {
  std::wstring message = L"修改列表没有保存到文件：\r\n" + std::wstring(path);
  if (!reason.empty()) {
    message += L"\r\n\r\n" + std::wstring(reason);
  }
  message += L"\r\n\r\n原有文件保持不变。请换一个位置或文件名再保存。";
  return message;
}

}  // namespace kavro::script
