// A program that links hhctrl.ocx and version.dll the ordinary way, as kavro.exe once linked
// hhctrl.ocx: started beside planted DLLs of those names, it loads them.
#include <windows.h>
#include <htmlhelp.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  DWORD handle = 0;
  GetFileVersionInfoSizeW(L"kernel32.dll", &handle);
  HtmlHelpW(nullptr, nullptr, HH_CLOSE_ALL, 0);
  return 0;
}
