#pragma once
// Where runs leave their journals and logs: "journal" and "logs" in the program's data folder
// (%LOCALAPPDATA%\Kavro). A journal is held open without write sharing while its run lives, so
// that another Kavro can tell a live run from an abandoned one.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "record/journal.h"
#include "record/recorder.h"

namespace kavro::run {

inline constexpr size_t kJournalsKept = 20;
inline constexpr size_t kLogsKept = 200;

std::wstring JournalFolder(const std::wstring& dataFolder);
std::wstring LogFolder(const std::wstring& dataFolder);

// What a run from the command line may choose about its record.
struct RecordChoices {
  std::wstring logPath;             // the log goes here (replaced) instead of the logs folder
  std::vector<size_t> savedBefore;  // a retry: what the earlier run saved (RecorderParts)
};

// The record of a run that starts now. With no data folder it keeps nothing (but a chosen log);
// a file that cannot be made is left out and the run goes on without it.
std::unique_ptr<RunRecord> MakeRunRecord(RunKind kind, const std::wstring& dataFolder,
                                         std::function<std::wstring()> timeOfDay,
                                         RecordChoices choices = {});

// An abandoned journal (not ended, not held by a live run) that is worth offering.
struct AbandonedRun {
  std::wstring path;
  ResumeOffer offer;
};

// The newest abandoned journal. Older abandoned ones are set aside, unreadable ones moved
// aside, ended ones deleted; none of this ever throws.
std::optional<AbandonedRun> FindAbandonedRun(const std::wstring& dataFolder);
// Renames the journal so that it is not offered again (it is kept among the last ones).
void SetAside(const std::wstring& journalPath);

// A journal file read whole, unless a live run holds it.
enum class JournalRead { Read, Live, Unreadable };
JournalRead ReadJournalFile(const std::wstring& path, JournalState* state);

// The journal a retry takes when it is given none: the newest one that can be read, of a run that
// ended with drawings unsaved (kept as "….journal-retry") or of one abandoned.
std::optional<std::wstring> NewestRetryJournal(const std::wstring& dataFolder);

}  // namespace kavro::run
