#pragma once
// An AutoCAD user profile in HKEY_CURRENT_USER as AutoCAD and its Core Console keep it: the
// current release (CurVer), its current product and profile, and the profile's Variables.
// Any profile keys left before are removed first, and all of them again at the end.
#include <windows.h>

#include <optional>
#include <string>

namespace kavro::test {

class CadProfile {
 public:
  // `release` as "R23.1", made the current release.
  explicit CadProfile(const std::wstring& release);
  ~CadProfile() { RemoveAll(); }
  CadProfile(const CadProfile&) = delete;
  CadProfile& operator=(const CadProfile&) = delete;

  void SetText(const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ);
  void SetNumber(const std::wstring& name, DWORD number);
  void SetBinary(const std::wstring& name, const std::string& bytes);
  void Remove(const std::wstring& name);
  // A text value, or null when it is not there or not text.
  std::optional<std::wstring> Text(const std::wstring& name) const;
  DWORD TypeOf(const std::wstring& name) const;  // REG_NONE when it is not there

  static void RemoveAll();
  static bool AnyLeft();

 private:
  std::wstring variables_;
};

}  // namespace kavro::test
