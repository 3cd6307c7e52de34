#pragma once
// What the program hands to the platform's help viewer and shell. Tests replace the calls to
// see what was asked without opening anything.
#include <windows.h>

#include <functional>
#include <string>

namespace kavro {

struct ShellCalls {
  std::function<void(HWND owner, const std::wstring& chmPath)> openHelp;
  std::function<void(HWND owner, const std::wstring& target)> openLink;
};

ShellCalls& Shell();

}  // namespace kavro
