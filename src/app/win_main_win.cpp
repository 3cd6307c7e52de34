// Entry point: the composition root. The program's services are built here, once, and handed to
// its main window; the message loop runs until the last window closes.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/main_window_win.h"
#include "app/resume_win.h"
#include "app/services_win.h"
#include "win/message_loop_win.h"
#include "win/system_library_win.h"
#include "win/window_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything loads a DLL: none may come from the folder the program was started from.
  kavro::win::RestrictDllSearchToSystemFolder();
  // Single-threaded apartment: AutoCAD's automation objects and the browser control need it.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  int exitCode = 0;
  try {
    kavro::Services services;
    auto window = kavro::MainWindow::Create(services);
    window->Show();
    kavro::OfferResume(*window, services);
    exitCode = kavro::win::RunMessageLoop();
  } catch (const std::exception& e) {
    kavro::win::ReportUnexpected(nullptr, e.what());
    exitCode = 1;
  }
  if (SUCCEEDED(com)) {
    CoUninitialize();
  }
  return exitCode;
}
