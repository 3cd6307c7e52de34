#pragma once
// Where runs leave their journals and logs: "journal" and "logs" in the program's data folder
// (%LOCALAPPDATA%\Kavro). A journal is held open without write sharing while its run lives, so
// that another Kavro can tell a live run from an abandoned one.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "run/journal.h"
#include "run/run_record.h"

namespace kavro::run {

inline constexpr size_t kJournalsKept = 20;
inline constexpr size_t kLogsKept = 200;

std::wstring JournalFolder(const std::wstring& dataFolder);
std::wstring LogFolder(const std::wstring& dataFolder);

// The record of a run that starts now. With no data folder it keeps nothing; a file that cannot
// be made is left out and the run goes on without it.
std::unique_ptr<RunRecord> MakeRunRecord(RunKind kind, const std::wstring& dataFolder,
                                         std::function<std::wstring()> timeOfDay);

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

}  // namespace kavro::run
