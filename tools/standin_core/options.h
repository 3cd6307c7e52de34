#pragma once
// The command line of the stand-in accoreconsole.exe:
//   accoreconsole.exe /i <drawing> /s <script> [/l <lang>] [/isolate <user> <folder>] [/readonly]
// Options start with "/" or "-" and are matched without regard to case.
#include <optional>
#include <string>
#include <vector>

namespace standin::core {

struct Options {
  std::wstring drawing;
  std::wstring script;
  std::wstring language;
  std::wstring isolateUser;
  std::wstring isolateFolder;
  bool readOnly = false;
};

struct ParsedOptions {
  std::optional<Options> options;  // empty: `error` says what is wrong
  std::wstring error;
};

// `args` without the program name.
ParsedOptions ParseOptions(const std::vector<std::wstring>& args);
std::wstring UsageText();

}  // namespace standin::core
