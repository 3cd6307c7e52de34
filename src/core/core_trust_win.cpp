#include "core/core_trust_win.h"

#include <windows.h>

#include <atomic>
#include <utility>
#include <vector>

#include "base/program_folder.h"
#include "win/file_win.h"
#include "win/registry_win.h"
#include "win/text_win.h"

namespace kavro::run {

namespace {

constexpr wchar_t kAutoCadKey[] = L"Software\\Autodesk\\AutoCAD";
constexpr wchar_t kTrustedPaths[] = L"TRUSTEDPATHS";
constexpr wchar_t kNotePrefix[] = L"core-trust-";
constexpr size_t kLargestNote = 1 << 20;

std::optional<std::wstring> TextValue(const std::wstring& key, const std::wstring& name) {
  auto opened = win::OpenUserKey(key, KEY_QUERY_VALUE);
  if (!opened.key) return std::nullopt;
  auto value = win::ReadValue(opened.key.Get(), name);
  if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
  return value->text;
}

// The current release (or `chosen`, "R19.1") and its current profile's Variables key, when they
// are all there.
struct ProfileKey {
  std::wstring release;
  std::wstring variables;
};
std::optional<ProfileKey> CurrentProfileKey(const std::wstring& chosen) {
  std::wstring root = kAutoCadKey;
  auto release = chosen.empty() ? TextValue(root, L"CurVer") : std::optional(chosen);
  if (!release || release->empty()) return std::nullopt;
  auto product = TextValue(root + L"\\" + *release, L"CurVer");
  if (!product || product->empty()) return std::nullopt;
  std::wstring profiles = root + L"\\" + *release + L"\\" + *product + L"\\Profiles";
  auto profile = TextValue(profiles, L"");
  if (!profile || profile->empty()) return std::nullopt;
  return ProfileKey{*release, profiles + L"\\" + *profile + L"\\Variables"};
}

std::optional<std::wstring> SecureLoadText(const std::optional<win::RegistryValue>& value) {
  if (!value) return std::nullopt;
  if (value->type == REG_DWORD) return std::to_wstring(value->number);
  return value->text;  // another kind reads as "" (on, the stricter reading)
}

std::wstring FullPath(const std::wstring& path) {
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

std::wstring NewNotePath(const std::wstring& dataFolder) {
  static std::atomic<unsigned> count{0};
  return JoinFolder(dataFolder, kNotePrefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                    std::to_wstring(++count) + L".txt");
}

// The note, written through and held open for writing (readers then get a sharing violation).
win::UniqueFile WriteNote(const std::wstring& path, const TrustNote& note, DWORD& error) {
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = GetLastError();
    return {};
  }
  std::string text = TrustNoteText(note);
  DWORD written = 0;
  if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size() || !FlushFileBuffers(file.Get())) {
    error = GetLastError();
    file.Reset();
    DeleteFileW(path.c_str());
    return {};
  }
  return file;
}

// Undoes the noted change. False when the value could not be written back (the note is kept,
// so that a later start tries again).
bool Undo(const TrustNote& note) {
  auto opened = win::OpenUserKey(note.key, KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!opened.key) return opened.error == ERROR_FILE_NOT_FOUND;  // the profile went: nothing left
  auto value = win::ReadValue(opened.key.Get(), kTrustedPaths);
  std::optional<std::wstring> current;
  if (value && (value->type == REG_SZ || value->type == REG_EXPAND_SZ)) current = value->text;
  TrustUndo undo = UndoOf(note, current);
  switch (undo.kind) {
    case TrustUndo::Kind::PutBack:
      return win::WriteText(opened.key.Get(), kTrustedPaths, note.before,
                            note.expandable ? REG_EXPAND_SZ : REG_SZ) == ERROR_SUCCESS;
    case TrustUndo::Kind::Delete:
      return RegDeleteValueW(opened.key.Get(), kTrustedPaths) == ERROR_SUCCESS;
    case TrustUndo::Kind::Write:
      return win::WriteText(opened.key.Get(), kTrustedPaths, undo.value,
                            value->type == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ) == ERROR_SUCCESS;
    case TrustUndo::Kind::Leave:
      break;
  }
  return true;
}

// Restores after one note left behind; false when its owner still runs or the value could not
// be written back.
bool RestoreFromNote(const std::wstring& path) {
  std::optional<TrustNote> note;
  {
    // No sharing: this fails while the run that wrote the note holds it open.
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string text(kLargestNote, '\0');
    DWORD got = 0;
    if (!ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr)) {
      return false;
    }
    text.resize(got);
    note = ParseTrustNote(text);
  }
  // A note cut short was being written when its run died, before any change.
  if (note && !Undo(*note)) return false;
  DeleteFileW(path.c_str());
  return note.has_value();
}

// The change that would trust `folder` in the current profile, or null when none is to be made
// (then `refusal` says why, if the folder cannot be trusted).
std::optional<TrustNote> PlannedChange(const std::wstring& folder, std::wstring& refusal,
                                       const std::wstring& release) {
  auto key = CurrentProfileKey(release);
  if (!key) return std::nullopt;
  auto read = win::OpenUserKey(key->variables, KEY_QUERY_VALUE);
  if (!read.key) return std::nullopt;
  auto trusted = win::ReadValue(read.key.Get(), kTrustedPaths);
  bool text = trusted && (trusted->type == REG_SZ || trusted->type == REG_EXPAND_SZ);
  CoreProfile profile{key->release, SecureLoadText(win::ReadValue(read.key.Get(), L"SECURELOAD")),
                      text ? std::optional(trusted->text) : std::nullopt};
  CoreTrustPlan plan = PlanCoreTrust(profile, folder);
  if (plan.kind == CoreTrustPlan::Kind::Refuse) refusal = plan.refusal;
  if (plan.kind != CoreTrustPlan::Kind::Append) return std::nullopt;
  if (trusted && !text) {
    refusal = UnwritableTrustRefusal(folder, L"它在注册表中不是文本值。");
    return std::nullopt;
  }
  return TrustNote{key->variables,
                   folder,
                   trusted.has_value(),
                   text && trusted->type == REG_EXPAND_SZ,
                   text ? trusted->text : L"",
                   plan.trustedPaths};
}

}  // namespace

CoreConsoleTrust CoreConsoleTrust::ForFolder(const std::wstring& folder,
                                             const std::wstring& dataFolder, std::wstring& refusal,
                                             const std::wstring& release) {
  refusal.clear();
  std::wstring absolute = FullPath(folder);
  std::optional<TrustNote> note = PlannedChange(absolute, refusal, release);
  if (!note) return {};
  auto write = win::OpenUserKey(note->key, KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!write.key) {
    refusal = UnwritableTrustRefusal(absolute, win::SystemMessage(write.error));
    return {};
  }
  CoreConsoleTrust trust;
  trust.notePath_ = NewNotePath(dataFolder);
  DWORD noteError = 0;
  trust.noteFile_ = WriteNote(trust.notePath_, *note, noteError);
  if (!trust.noteFile_) {
    refusal = UnwritableNoteRefusal(absolute, trust.notePath_, win::SystemMessage(noteError));
    return {};
  }
  LONG error = win::WriteText(write.key.Get(), kTrustedPaths, note->written,
                              note->expandable ? REG_EXPAND_SZ : REG_SZ);
  if (error != ERROR_SUCCESS) {
    trust.noteFile_.Reset();
    DeleteFileW(trust.notePath_.c_str());
    refusal = UnwritableTrustRefusal(absolute, win::SystemMessage(static_cast<DWORD>(error)));
    return {};
  }
  trust.note_ = std::move(note);
  return trust;
}

CoreConsoleTrust::CoreConsoleTrust(CoreConsoleTrust&& other) noexcept
    : note_(std::exchange(other.note_, std::nullopt)),
      notePath_(std::move(other.notePath_)),
      noteFile_(std::move(other.noteFile_)) {}

CoreConsoleTrust& CoreConsoleTrust::operator=(CoreConsoleTrust&& other) noexcept {
  if (this != &other) {
    Restore();
    note_ = std::exchange(other.note_, std::nullopt);
    notePath_ = std::move(other.notePath_);
    noteFile_ = std::move(other.noteFile_);
  }
  return *this;
}

void CoreConsoleTrust::Restore() {
  if (!note_) return;
  TrustNote note = *std::exchange(note_, std::nullopt);
  bool undone = Undo(note);
  noteFile_.Reset();
  // Kept when the old value could not be written back: the next start tries again.
  if (undone) DeleteFileW(notePath_.c_str());
}

int RestoreLeftTrust(const std::wstring& dataFolder) {
  WIN32_FIND_DATAW found{};
  std::wstring pattern = JoinFolder(dataFolder, std::wstring(kNotePrefix) + L"*.txt");
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  std::vector<std::wstring> notes;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      notes.push_back(JoinFolder(dataFolder, found.cFileName));
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  int restored = 0;
  for (const auto& path : notes) {
    if (RestoreFromNote(path)) ++restored;
  }
  return restored;
}

}  // namespace kavro::run
