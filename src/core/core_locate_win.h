#pragma once
// Finding accoreconsole.exe without starting AutoCAD.
#include <optional>
#include <string>

namespace kavro::run {

// The accoreconsole.exe beside the program registered as "AutoCAD.Application" (its current
// version), when that file exists.
std::optional<std::wstring> FindCoreConsole();

}  // namespace kavro::run
