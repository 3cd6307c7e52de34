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
// The lines of a list file's text as the list box holds them: each up to its first NUL, and each
// followed by a NUL in `text` (written there), so that they can be handed on where they are.
std::vector<std::wstring_view> EntriesOfListText(std::wstring& text);

// Texts of the drawing list's messages.
inline constexpr wchar_t kSelectFilesMessage[] = L"请选择文件！";
inline constexpr wchar_t kSaveCancelledMessage[] = L"保存文件被取消！";
inline constexpr wchar_t kLoadCancelledMessage[] = L"读取文件被取消！";
inline constexpr wchar_t kBadDataMessage[] = L"数据文件格式有误或操作不当！";

// How saving or loading a list file ended.
enum class ListFileOutcome {
  Done,
  DialogCancelled,
  DialogFailed,
  Unmappable,     // an entry holds a character the code page lacks: saved, it would name another
  AccessRefused,  // the path names a folder or a read-only file, or the system refuses access
  FileError,      // any other failure to open, read or write the file
  ListRefused,    // the list box took not every entry
};
enum class ListFileAction { Save, Load };

// The error message for an outcome; nullptr for Done. A refused path counts as a cancel.
const wchar_t* MessageOf(ListFileAction action, ListFileOutcome outcome);

}  // namespace kavro::drawings
