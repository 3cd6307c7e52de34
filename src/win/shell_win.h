#pragma once
// What the program hands to the platform's help viewer and shell. Tests put a recorder in its
// place to see what was asked without opening anything.
#include <windows.h>

#include <string>

namespace kavro::win {

class Shell {
 public:
  virtual ~Shell() = default;
  virtual void OpenHelp(HWND owner, const std::wstring& chmPath) = 0;
  virtual void OpenLink(HWND owner, const std::wstring& target) = 0;
};

// HTML Help and ShellExecute.
class SystemShell final : public Shell {
 public:
  void OpenHelp(HWND owner, const std::wstring& chmPath) override;
  void OpenLink(HWND owner, const std::wstring& target) override;
};

}  // namespace kavro::win
