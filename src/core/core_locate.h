#pragma once
// Where AutoCAD's console edition lives: beside the program registered for AutoCAD's automation.
#include <string>
#include <string_view>

namespace kavro::run {

// The program of a COM LocalServer32 command text: the quoted part when it starts with a quote,
// else everything up to the first ".exe" that ends a word (the path may hold spaces, as an
// unquoted "C:\Program Files\...\acad.exe /Automation" does), else up to the first blank. Blanks
// around it are dropped; an empty text gives an empty path.
std::wstring ServerProgram(std::wstring_view commandText);

// accoreconsole.exe in the folder of `program`; empty when `program` names no folder.
std::wstring CoreConsoleBeside(std::wstring_view program);

}  // namespace kavro::run
