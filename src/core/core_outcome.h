#pragma once
// How a Core Console process that ran one drawing ended, as the run reports it. A drawing is saved
// only when the process exited with 0 and the drawing file was written: the console also exits
// with 0 when it ignored the script (not in a trusted folder) or a save failed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/parallel_run.h"

namespace kavro::run {

// A 64-bit FNV-1a digest of a drawing file's bytes, fed block by block: tells a rewrite that left
// the file's size and time stamp as they were.
inline constexpr uint64_t kEmptyDigest = 14695981039346656037ull;
uint64_t Digest(uint64_t digest, std::string_view bytes);

// Error numbers of the ends that have no exit code of their own.
inline constexpr long kCoreTimeoutNumber = 1460;  // ERROR_TIMEOUT
inline constexpr long kCoreNotSavedNumber = -2;

// How many of the console's last lines go with a failure.
inline constexpr size_t kCoreReportedLines = 5;

struct CoreExit {
  bool timedOut = false;   // ended by the run after `limitMs`
  uint32_t exitCode = 0;   // when not timed out
  bool rewritten = false;  // the drawing file's size or time changed while it ran
  uint32_t limitMs = 0;
  std::wstring output{};  // what it printed, from the beginning (up to a cap): its history
  std::vector<std::wstring> lastLines;  // the console's last lines, oldest first
};

// The console's output goes with every end as the drawing's command history; a drawing saved
// with error lines in it is one whose script went wrong.
JobEnd CoreJobEnd(size_t index, const CoreExit& exit);

// "12", "0.5", "1.25": a time limit as the failure text words it.
std::wstring SecondsText(uint32_t milliseconds);

// The script file of the drawing at list position `index`: "00001.scr" for the first.
std::wstring CoreScriptName(size_t index);

}  // namespace kavro::run
