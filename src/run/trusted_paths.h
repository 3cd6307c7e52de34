#pragma once
// AutoCAD 2014 to 2024 run a script only from a trusted folder (SECURELOAD, TRUSTEDPATHS).
#include <string>
#include <string_view>

namespace kavro::run {

// True for the versions whose script security stops or ignores an untrusted script: Version
// 19.1 up to below 25 ("23.1s (LMS Tech)" reads as 23.1).
bool VersionChecksScripts(std::wstring_view version);

// True when SECURELOAD's value (as text) asks for trusted folders, i.e. it is not "0".
bool SecureLoadOn(std::wstring_view secureLoad);

// True when `folder` is one of TRUSTEDPATHS' folders (";" between them), or lies under one that
// ends in "\..." ; letters compared without case, a trailing "\" ignored, blanks around an entry
// ignored.
bool TrustedPathsCover(std::wstring_view trustedPaths, std::wstring_view folder);

// TRUSTEDPATHS with `folder` appended.
std::wstring WithTrustedFolder(std::wstring_view trustedPaths, std::wstring_view folder);

// Why a folder whose name holds ";" cannot be added to TRUSTEDPATHS (";" separates its folders).
std::wstring SemicolonRefusal(std::wstring_view folder);

}  // namespace kavro::run
