#pragma once
// The folder of a run's scripts trusted by AutoCAD's Core Console for the length of the run.
// The console reads SECURELOAD and TRUSTEDPATHS from the current AutoCAD release's current user
// profile when it starts (HKCU\Software\Autodesk\AutoCAD\<CurVer>\<CurVer>\Profiles\<default
// value>\Variables); where that profile would ignore scripts from the folder, the folder is
// appended to TRUSTEDPATHS while the object lives, and the value it had is put back after.
//
// Before the change, a note is written to the caller's data folder and held open; a process that
// dies with the change in place leaves the note closed behind it, and RestoreLeftTrust at the next
// start undoes the change.
#include <optional>
#include <string>

#include "core/core_trust.h"
#include "win/handles_win.h"

namespace kavro::run {

class CoreConsoleTrust {
 public:
  // Trusts `folder` (a full path) for the Core Consoles started while the result lives, noting
  // the change in `dataFolder` first. Nothing is changed where no profile is found, the release
  // has no script security, SECURELOAD is 0 or the folder is already trusted. When the folder
  // cannot be trusted, `refusal` is set (Chinese, naming the folder) and nothing is changed.
  // The profile is the current release's, or that of `release` ("R19.1") when given.
  static CoreConsoleTrust ForFolder(const std::wstring& folder, const std::wstring& dataFolder,
                                    std::wstring& refusal, const std::wstring& release = {});

  CoreConsoleTrust() = default;
  CoreConsoleTrust(CoreConsoleTrust&& other) noexcept;
  CoreConsoleTrust& operator=(CoreConsoleTrust&& other) noexcept;
  ~CoreConsoleTrust() { Restore(); }
  CoreConsoleTrust(const CoreConsoleTrust&) = delete;
  CoreConsoleTrust& operator=(const CoreConsoleTrust&) = delete;

  // Whether TRUSTEDPATHS was changed and is not yet undone.
  bool Changed() const { return note_.has_value(); }
  // Undoes the change now (the destructor does it otherwise): the old value comes back, or the
  // value goes again if there was none, unless someone changed it meanwhile.
  void Restore();

 private:
  std::optional<TrustNote> note_;
  std::wstring notePath_;
  win::UniqueFile noteFile_;  // open while the change is in place: the owner is alive
};

// Undoes the changes of runs that ended without undoing them (their notes in `dataFolder`); notes
// of runs still going are left alone. Returns how many notes of ended runs it dealt with.
int RestoreLeftTrust(const std::wstring& dataFolder);

}  // namespace kavro::run
