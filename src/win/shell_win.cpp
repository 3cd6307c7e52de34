#include "win/shell_win.h"

#include <htmlhelp.h>
#include <shellapi.h>

#include "win/system_library_win.h"

namespace kavro::win {

void SystemShell::OpenHelp(HWND owner, const std::wstring& chmPath) {
  HtmlHelpFromSystem(owner, chmPath.c_str(), HH_DISPLAY_TOPIC, 0);
}

void SystemShell::OpenLink(HWND owner, const std::wstring& target) {
  ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace kavro::win
