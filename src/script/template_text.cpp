#include "script/template_text.h"

#include "base/text_place.h"

namespace kavro::script {

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
