#pragma once
// The drawing list file: one entry per line, every line ended by CR LF, in the system's 8-bit
// code page (the conversion is the caller's). Reading takes CR LF or a CR alone as a line end; a
// line feed alone stays in the entry; a last line without an end is still an entry.
#include <string>
#include <string_view>
#include <vector>

namespace kavro::drawings {

// The lines of a list file's text, as views into it.
std::vector<std::wstring_view> SplitListLines(std::wstring_view text);
// Appends one entry as a line of a list file.
void AppendListLine(std::wstring& text, std::wstring_view entry);

// Texts of the drawing list's messages.
inline constexpr wchar_t kSelectFilesMessage[] = L"请选择文件！";
inline constexpr wchar_t kSaveCancelledMessage[] = L"保存文件被取消！";
inline constexpr wchar_t kLoadCancelledMessage[] = L"读取文件被取消！";
inline constexpr wchar_t kBadDataMessage[] = L"数据文件格式有误或操作不当！";

}  // namespace kavro::drawings
