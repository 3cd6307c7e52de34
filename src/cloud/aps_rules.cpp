#include "cloud/aps_rules.h"

#include <algorithm>
#include <cmath>

namespace kavro::cloud {

// The statuses of a work item: pending, inprogress, success, failedDownload, failedInstructions,
// failedUpload, cancelled, failedLimitProcessingTime, failedLimitDataSize (the WorkItemStatus
// schema,
// https://raw.githubusercontent.com/api-evangelist/autodesk/refs/heads/main/json-schema/autodesk-workitemstatus-schema.json).
ItemState StateOf(std::string_view status) {
  if (status == "pending" || status == "inprogress") return ItemState::Waiting;
  if (status == "success") return ItemState::Succeeded;
  if (status == "cancelled") return ItemState::Cancelled;
  return ItemState::Failed;
}

// 429 answers a call beyond Design Automation's rate limit
// (https://aps.autodesk.com/en/docs/design-automation/v3/developers_guide/rate-limits/da-rate-limits);
// Retry-After, when given, says in seconds how long to wait. Without it the wait doubles from one
// second, at most a minute.
std::optional<double> RetryWait(int httpStatus, std::string_view retryAfter, int attempt) {
  bool again = httpStatus == 0 || httpStatus == 429 || (httpStatus >= 500 && httpStatus <= 599);
  if (!again || attempt + 1 >= kMostAttempts) return std::nullopt;
  double seconds = 0;
  bool given = !retryAfter.empty() && retryAfter.size() <= 6;
  for (char c : retryAfter) {
    if (c < '0' || c > '9') given = false;
    if (given) seconds = seconds * 10 + (c - '0');
  }
  if (given) return std::min(seconds, 120.0);
  return std::min(60.0, std::ldexp(1.0, attempt));
}

bool NeedsRenewal(double now, double obtainedAt, double lifetimeSeconds) {
  double margin = std::min(300.0, lifetimeSeconds / 4);
  return now >= obtainedAt + lifetimeSeconds - margin;
}

double RateWindow::WaitBefore(double now) const {
  if (calls_.size() < most_) return 0;
  return std::max(0.0, calls_.front() + seconds_ - now);
}

void RateWindow::Took(double now) {
  calls_.push_back(now);
  while (calls_.size() > most_) calls_.pop_front();
}

// A work item takes seconds at the least (queue, download, the console's start): asking sooner
// costs requests, and the rate limit counts them.
double PollSeconds(double oldestAge) {
  if (oldestAge < 60) return 2;
  if (oldestAge < 300) return 3;
  return 5;
}

bool LooksLikeDrawing(std::string_view firstBytes) {
  return firstBytes.size() >= 6 && firstBytes.substr(0, 4) == "AC10" && firstBytes[4] >= '0' &&
         firstBytes[4] <= '9' && firstBytes[5] >= '0' && firstBytes[5] <= '9';
}

std::vector<std::string> LastLines(std::string_view report, size_t count) {
  std::vector<std::string> lines;
  size_t end = report.size();
  while (end > 0 && lines.size() < count) {
    size_t start = report.find_last_of("\r\n", end - 1);
    start = start == std::string_view::npos ? 0 : start + 1;
    std::string_view line = report.substr(start, end - start);
    if (line.find_first_not_of(" \t") != std::string_view::npos) lines.emplace_back(line);
    end = start == 0 ? 0 : start - 1;
  }
  std::reverse(lines.begin(), lines.end());
  return lines;
}

}  // namespace kavro::cloud
