#pragma once
// The rules a cloud run keeps around its requests: what a work item's status means, how long to
// wait before a call is tried again, when the token is renewed, how many calls fit in a minute,
// how often the status is asked, and whether a result is a drawing.
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::cloud {

enum class ItemState { Waiting, Succeeded, Failed, Cancelled };
// An unknown status counts as a failure: the item is over, and nothing says it saved.
ItemState StateOf(std::string_view status);

// Seconds to wait before try `attempt` + 1 (0 after the first answer) of a call that answered
// `httpStatus` (0: no answer at all), or none when it is not tried again: only 429, 5xx and lost
// connections are, at most kMostAttempts times in all.
inline constexpr int kMostAttempts = 6;
std::optional<double> RetryWait(int httpStatus, std::string_view retryAfter, int attempt);

// A token is renewed a quarter of its lifetime (at most five minutes) before it expires.
bool NeedsRenewal(double now, double obtainedAt, double lifetimeSeconds);

// Design Automation takes at most `most` calls a minute from one client id.
class RateWindow {
 public:
  explicit RateWindow(size_t most = 100, double seconds = 60) : most_(most), seconds_(seconds) {}
  double WaitBefore(double now) const;  // seconds until a call may go
  void Took(double now);

 private:
  size_t most_;
  double seconds_;
  std::deque<double> calls_;
};

// How long to wait before the next status batch, by the age of the oldest item in flight.
double PollSeconds(double oldestAge);

// A DWG file begins with its version tag, "AC10" and two digits (AC1015 for AutoCAD 2000).
bool LooksLikeDrawing(std::string_view firstBytes);

// The last `count` non-blank lines of a report, oldest first.
std::vector<std::string> LastLines(std::string_view report, size_t count);

}  // namespace kavro::cloud
