#pragma once
// How long a run waits for AutoCAD: the one place the limits are kept. The program keeps these
// values; tests shorten every wait.
#include <cstdint>

namespace kavro::run {

struct RunLimits {
  uint32_t callMs = 300000;      // one call (opening a large drawing may take minutes)
  uint32_t busyRetryMs = 60000;  // retrying calls that a busy AutoCAD rejects
  uint32_t scriptMs = 1800000;   // a script, until AutoCAD is quiescent again
  uint32_t quiescentPollMs = 5;  // pause between two looks at AutoCAD's state
  uint32_t keysMs = 60000;       // typed keys (R14) to be read by AutoCAD
  uint32_t modalMs = 120000;     // a modal window of AutoCAD's (a question) left unanswered
};

}  // namespace kavro::run
