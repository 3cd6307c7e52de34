#pragma once
// The AutoCAD user profile that a Core Console reads at start: the Variables key of its own
// release's current product and profile (under HKCU\Software\Autodesk\AutoCAD: R<version>, its
// CurVer, Profiles, the default value of Profiles, Variables). Its SECURELOAD and TRUSTEDPATHS,
// where set, take the place of the settings coreSecureLoad and coreTrustedPaths.
#include <optional>
#include <string>

namespace standin::core {

struct ProfileSecurity {
  std::wstring variablesKey;  // empty when this release has no profile
  std::optional<int> secureLoad;
  std::optional<std::wstring> trustedPaths;
};

// "R23.1" for "23.1s (LMS Tech)"; empty for a version without a number.
std::wstring ReleaseKeyOf(const std::wstring& version);
ProfileSecurity ReadProfileSecurity(const std::wstring& version);

}  // namespace standin::core
