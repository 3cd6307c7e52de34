#pragma once
// The program's services: built once in wWinMain and handed to every window; each test builds
// its own, with its own pieces where it wants to see what the program asked for.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "base/file_dialog.h"
#include "promo/promo_win.h"
#include "run/autocad_win.h"
#include "run/run_limits.h"
#include "win/lifetime_win.h"
#include "win/message_box_win.h"
#include "win/shell_win.h"

namespace kavro {

// The pieces a caller may give; an empty one is the system's.
struct ServiceParts {
  std::unique_ptr<win::Shell> shell;
  std::unique_ptr<win::MessageBoxes> messages;
  // The file dialogs of a main window.
  std::function<std::unique_ptr<FileDialogBackend>(HWND owner)> makeDialogs;
  std::function<std::wstring()> timeOfDay;
  std::wstring programFolder;  // where the script file goes (the help file is always beside
                               // the program)
  std::wstring dataFolder;     // where runs keep their journals and logs ("Kavro" in the
                               // user's local application data)
  bool keepRecords = true;     // false: runs keep no journal and no log (benchmarks)
};

class Services {
  ServiceParts parts_;  // first: the members below are given its pieces

 public:
  explicit Services(ServiceParts parts = {});
  ~Services();
  Services(const Services&) = delete;
  Services& operator=(const Services&) = delete;

  win::Shell& Shell() { return *parts_.shell; }
  win::MessageBoxes& Messages() { return *parts_.messages; }
  std::unique_ptr<FileDialogBackend> MakeDialogs(HWND owner) { return parts_.makeDialogs(owner); }
  const std::function<std::wstring()>& TimeOfDay() const { return parts_.timeOfDay; }
  const std::wstring& ProgramFolder() const { return parts_.programFolder; }
  const std::wstring& DataFolder() const { return parts_.dataFolder; }

  win::Lifetime lifetime;
  run::RunLimits runLimits;  // read at every call: tests shorten them
  promo::PromoSettings promoSettings;
  run::AutoCadLink cad{runLimits};  // Module1: the link lives as long as the program
  promo::PromoWindows promo;
};

}  // namespace kavro
