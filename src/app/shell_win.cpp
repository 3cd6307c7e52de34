#include "app/shell_win.h"

#include <htmlhelp.h>
#include <shellapi.h>

namespace kavro {

namespace {

void OpenHelpFile(HWND owner, const std::wstring& chmPath) {
  HtmlHelpW(owner, chmPath.c_str(), HH_DISPLAY_TOPIC, 0);
}

void OpenLinkShown(HWND owner, const std::wstring& target) {
  ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

ShellCalls& Shell() {
  static ShellCalls calls{&OpenHelpFile, &OpenLinkShown};
  return calls;
}

}  // namespace kavro
