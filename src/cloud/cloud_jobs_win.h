#pragma once
// Drawings run as work items of Design Automation for AutoCAD: the session keeps the token, the
// rate window and the retries of every call; the jobs upload each drawing and its script, start
// its work item, ask the status of all in flight in batches and put each result in place of its
// drawing once it was checked to be a drawing.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "cloud/aps_http_win.h"
#include "cloud/aps_rules.h"
#include "run/parallel_run.h"

namespace kavro::cloud {

struct CloudCredentials {
  std::string clientId;  // UTF-8
  std::string secret;    // never written anywhere
};

class CloudSession {
 public:
  CloudSession(HttpClient& http, CloudCredentials credentials, std::function<double()> clock);
  CloudSession(const CloudSession&) = delete;
  CloudSession& operator=(const CloudSession&) = delete;

  // The answer after the retries the rules allow; a request with `bearer` carries a token that is
  // renewed before it expires (and once more when the service refuses it).
  HttpAnswer Call(const Request& request);
  // The same for a request that carries the token in its body: made anew for every try, after
  // the token was renewed when it had to be.
  HttpAnswer CallMade(const std::function<Request()>& make);
  // Token, bucket and activity; the reason when the run cannot go on, else empty.
  std::wstring Prepare(const std::string& engine);

  const std::string& ClientId() const { return credentials_.clientId; }
  const std::string& Bucket() const { return bucket_; }
  const std::string& Token() const { return token_; }
  bool EnsureToken();
  double Now() const { return clock_(); }

 private:
  std::wstring PrepareActivity(const std::string& engine);
  void Pause(double seconds);

  HttpClient& http_;
  CloudCredentials credentials_;
  std::function<double()> clock_;
  std::string bucket_;
  std::string token_;
  double tokenAt_ = 0, tokenLifetime_ = 0;
  HttpAnswer tokenFailure_;
  RateWindow daWindow_;
};

// Why a call failed, as a failure text words it: "HTTP 500" or the connection's error.
std::wstring CallFailure(const HttpAnswer& answer);

inline constexpr long kCloudFailedNumber = -3;     // the work item ended without success
inline constexpr long kCloudBadResultNumber = -4;  // its result is not a drawing

class CloudJobs final : public run::DrawingJobs {
 public:
  // `runId`: ASCII, names the run's objects. `wake` (borrowed, may be null) ends a wait. Uploads
  // go in parts of at most `partBytes`.
  CloudJobs(CloudSession& session, std::string runId, HANDLE wake,
            uint64_t partBytes = kMostPartBytes);
  ~CloudJobs() override;  // deletes the objects still held; cancels nothing
  CloudJobs(const CloudJobs&) = delete;
  CloudJobs& operator=(const CloudJobs&) = delete;

  run::JobStart Start(size_t index, const std::wstring& drawing,
                      const std::wstring& script) override;
  std::vector<run::JobEnd> WaitForEnds() override;
  void EndAll() override;  // cancels the work items in flight; their drawings stay as they were
  bool EndAllKeepsDrawings() const override { return true; }

 private:
  struct Item {
    size_t index = 0;
    std::wstring drawing;
    std::string id;
    std::vector<std::string> objects;  // drawing, script, result
    double startedAt = 0;
  };
  std::wstring Upload(const std::string& object, const std::string& bytes);
  run::JobEnd Finish(Item& item, const ItemStatus& status);
  run::JobEnd PutInPlace(const Item& item);
  void Forget(const Item& item);
  bool Sleep(double seconds);  // false when the wake ended it

  CloudSession& session_;
  std::string runId_;
  HANDLE wake_;
  uint64_t partBytes_;
  bool wakeSeen_ = false;
  std::vector<Item> items_;
  int failedPolls_ = 0;
};

}  // namespace kavro::cloud
