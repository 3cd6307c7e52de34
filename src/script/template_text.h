#pragma once
// The script template as a file: what the dialogs offer and how a template the system code page
// cannot hold is described to the user. The file holds the template's text exactly: lines keep
// their CR LF, and no line end is added after the last character.
#include <cstddef>
#include <string>
#include <string_view>

namespace kavro::script {

inline constexpr wchar_t kSaveTemplateTitle[] = L"保存修改列表文件";
inline constexpr wchar_t kLoadTemplateTitle[] = L"读取修改列表文件";
inline constexpr wchar_t kTemplateFilter[] =
    L"脚本文件(*.scr)|*.scr|文本文件(*.txt)|*.txt|所有文件(*.*)|*.*";

// "第 3 行第 5 个字符“한”(U+D55C)": names a character of the template for a message.
std::wstring DescribeCharacter(std::wstring_view text, size_t index);

// Messages of a save that did not happen; the old file is untouched in both cases.
std::wstring UnmappableMessage(std::wstring_view text, size_t index);
std::wstring SaveFailedMessage(std::wstring_view path, std::wstring_view reason);

}  // namespace kavro::script
