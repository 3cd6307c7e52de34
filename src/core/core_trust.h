#pragma once
// AutoCAD's Core Console reads SECURELOAD and TRUSTEDPATHS from the user's AutoCAD profile in the
// registry when it starts. These are the decisions about that profile that need no registry:
// whether the folder of Kavro's scripts must be added for a run, the value to write, and the note
// that lets a later start put the old value back after a run that never ended.
#include <optional>
#include <string>
#include <string_view>

namespace kavro::run {

// "24.1" for the release key "R24.1" (HKCU\Software\Autodesk\AutoCAD\CurVer); null for a text
// that is no release key.
std::optional<std::wstring> ReleaseVersion(std::wstring_view releaseKey);

// What the profile of one release says; a value that is not there is null.
struct CoreProfile {
  std::wstring release;                    // "R23.1"
  std::optional<std::wstring> secureLoad;  // as text, also when stored as a number
  std::optional<std::wstring> trustedPaths;
};

struct CoreTrustPlan {
  enum class Kind {
    NothingToDo,  // no script security in this release, SECURELOAD 0, or the folder is covered
    Append,       // write `trustedPaths` for the run
    Refuse,       // the folder can never be trusted: `refusal` says why
  };
  Kind kind = Kind::NothingToDo;
  std::wstring trustedPaths;
  std::wstring refusal;
};

// A missing SECURELOAD counts as on (AutoCAD's default is 1).
CoreTrustPlan PlanCoreTrust(const CoreProfile& profile, std::wstring_view folder);

// Why the run stops when TRUSTEDPATHS cannot be written (`reason`: the system's words).
std::wstring UnwritableTrustRefusal(std::wstring_view folder, std::wstring_view reason);
// Why the run stops when the note that undoes the change cannot be written first.
std::wstring UnwritableNoteRefusal(std::wstring_view folder, std::wstring_view notePath,
                                   std::wstring_view reason);

// One change of TRUSTEDPATHS made for a run, as noted before it is made.
struct TrustNote {
  std::wstring key;  // the Variables key, under HKEY_CURRENT_USER
  std::wstring folder;
  bool existed = false;     // whether TRUSTEDPATHS was there before
  bool expandable = false;  // REG_EXPAND_SZ rather than REG_SZ
  std::wstring before;
  std::wstring written;
  bool operator==(const TrustNote&) const = default;
};

// The note as UTF-8 text, and read back; a damaged or foreign text reads as null.
std::string TrustNoteText(const TrustNote& note);
std::optional<TrustNote> ParseTrustNote(std::string_view text);

// What to do with TRUSTEDPATHS when the run's change is undone: a value that is still the one
// Kavro wrote is put back. One changed since (another run's folder added, say) keeps the others'
// changes and loses only the run's own folder: left there, that entry would outlive the run for
// good, since whoever changed the value puts back what they found. Anything else stays.
struct TrustUndo {
  enum class Kind { PutBack, Delete, Leave, Write };
  Kind kind = Kind::Leave;
  std::wstring value;  // for Write
};
TrustUndo UndoOf(const TrustNote& note, const std::optional<std::wstring>& current);

}  // namespace kavro::run
