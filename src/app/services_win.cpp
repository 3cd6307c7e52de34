#include "app/services_win.h"

#include "base/program_folder.h"
#include "win/common_dialogs_win.h"
#include "win/program_folder_win.h"

namespace kavro {

namespace {

ServiceParts Completed(ServiceParts parts) {
  if (!parts.shell) parts.shell = std::make_unique<win::SystemShell>();
  if (!parts.messages) parts.messages = std::make_unique<win::SystemMessageBoxes>();
  if (!parts.makeDialogs) parts.makeDialogs = &win::MakeCommonDialogs;
  if (!parts.timeOfDay) parts.timeOfDay = &win::TimeOfDay;
  if (parts.programFolder.empty()) parts.programFolder = win::ProgramFolder();
  if (!parts.keepRecords) {
    parts.dataFolder.clear();
  } else if (parts.dataFolder.empty()) {
    std::wstring local = win::LocalAppDataFolder();
    if (!local.empty()) parts.dataFolder = JoinFolder(local, L"Kavro");
  }
  return parts;
}

}  // namespace

Services::Services(ServiceParts parts)
    : parts_(Completed(std::move(parts))), promo({*parts_.shell, lifetime, promoSettings}) {}

Services::~Services() = default;

}  // namespace kavro
