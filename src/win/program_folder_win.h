#pragma once
#include <string>

namespace kavro::win {

// The folder of this program's executable, e.g. "C:\Tools\Draw" or "D:\".
std::wstring ProgramFolder();

// The user's local application-data folder (created when missing); empty when there is none.
std::wstring LocalAppDataFolder();

// The time of day as the user's locale writes it.
std::wstring TimeOfDay();

}  // namespace kavro::win
