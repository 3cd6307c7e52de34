#pragma once
// When AutoCAD (2014 to 2024) loads a script: SECURELOAD and TRUSTEDPATHS.
#include <string>
#include <string_view>

namespace standin {

// Whether an AutoCAD answering `version` checks where a script comes from: when the number the
// text starts with is from 19.1 up to, not including, 25 ("23.1s (LMS Tech)" reads as 23.1).
bool ChecksScripts(std::wstring_view version);

// Whether `folder` (a full path) is covered by `trustedPaths`: ";"-separated folders, compared
// without regard to case or a trailing "\"; an entry ending in "\..." covers its whole tree.
bool IsTrustedFolder(std::wstring_view folder, std::wstring_view trustedPaths);

// The folder of the file at `path`, made absolute ("C:\a\b.scr" gives "C:\a").
std::wstring FolderOf(const std::wstring& path);

}  // namespace standin
