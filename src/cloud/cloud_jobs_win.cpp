#include "cloud/cloud_jobs_win.h"

#include <algorithm>
#include <cmath>

#include "base/utf8.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace kavro::cloud {

namespace {

bool IsWholeUrl(const std::string& path) {
  return path.rfind("http://", 0) == 0 || path.rfind("https://", 0) == 0;
}

bool IsDesignAutomation(const std::string& path) { return path.rfind("/da/", 0) == 0; }

bool Ok(const HttpAnswer& answer) { return answer.status >= 200 && answer.status <= 299; }

// A failed polling round is tried again this many times before the items in flight are given up.
constexpr int kMostFailedPolls = 10;
constexpr size_t kReportedLines = 5;
// A report is kept up to this size, as the local console's output is.
constexpr size_t kMostReportBytes = 1024 * 1024;

std::wstring Joined(const std::vector<std::string>& lines) {
  std::wstring text;
  for (const std::string& line : lines) text += L"\r\n" + win::FromUtf8(line);
  return text;
}

// AutoCAD reads a script file saved as Unicode, whatever the machine's code page: the AutoCAD
// User's Guide, "Share Drawing Files Internationally", advises saving script (SCR) files with
// Notepad's Unicode encoding (UTF-16LE after a byte-order mark) for AutoCAD 2007 and later
// (http://entercad.ru/acad_aug.en/ws1a9193826455f5ffa23ce210c4a30acaf-57d6.htm). The hosted
// console is AutoCAD's own, on machines whose code page is not the user's.
std::string ScriptBytes(const std::wstring& script) {
  std::string bytes = "\xFF\xFE";
  bytes.append(reinterpret_cast<const char*>(script.data()), script.size() * sizeof(wchar_t));
  return bytes;
}

}  // namespace

std::wstring CallFailure(const HttpAnswer& answer) {
  if (answer.status != 0) return L"HTTP " + std::to_wstring(answer.status);
  return L"无法连接（" + win::SystemMessage(answer.error) + L"）";
}

CloudSession::CloudSession(HttpClient& http, CloudCredentials credentials,
                           std::function<double()> clock)
    : http_(http), credentials_(std::move(credentials)), clock_(std::move(clock)) {}

void CloudSession::Pause(double seconds) {
  if (seconds > 0) ::Sleep(static_cast<DWORD>(std::ceil(seconds * 1000)));
}

bool CloudSession::EnsureToken() {
  if (!token_.empty() && !NeedsRenewal(Now(), tokenAt_, tokenLifetime_)) return true;
  double asked = Now();
  HttpAnswer answer = Call(TokenRequest(credentials_.clientId, credentials_.secret));
  std::optional<cloud::Token> token = Ok(answer) ? ParseToken(answer.body) : std::nullopt;
  if (!token) {
    tokenFailure_ = answer;
    token_.clear();
    return false;
  }
  token_ = token->access;
  tokenAt_ = asked;
  tokenLifetime_ = token->lifetimeSeconds;
  return true;
}

HttpAnswer CloudSession::Call(const Request& request) {
  return CallMade([&request] { return request; });
}

HttpAnswer CloudSession::CallMade(const std::function<Request()>& make) {
  bool renewed = false;
  for (int attempt = 0;; ++attempt) {
    Request request = make();
    if (request.bearer && !IsWholeUrl(request.path)) {
      if (!EnsureToken()) return tokenFailure_;
      request = make();
    }
    if (IsDesignAutomation(request.path)) {
      Pause(daWindow_.WaitBefore(Now()));
      daWindow_.Took(Now());
    }
    HttpAnswer answer = http_.Send(request, request.bearer ? token_ : std::string());
    // A token the service no longer takes (revoked, or a clock out of step): one fresh one.
    if (answer.status == 401 && request.bearer && !renewed) {
      renewed = true;
      token_.clear();
      --attempt;
      continue;
    }
    std::optional<double> wait = RetryWait(answer.status, answer.retryAfter, attempt);
    if (!wait) return answer;
    Pause(*wait);
  }
}

std::wstring CloudSession::Prepare(const std::string& engine) {
  if (!EnsureToken()) {
    std::wstring why = CallFailure(tokenFailure_);
    if (tokenFailure_.status == 400 || tokenFailure_.status == 401) {
      return L"Autodesk 拒绝了 APS_CLIENT_ID 和 APS_CLIENT_SECRET 给出的凭据（" + why + L"）。";
    }
    return L"无法取得 Autodesk 的访问令牌（" + why + L"）。";
  }
  bucket_ = BucketKey(credentials_.clientId);
  // POST buckets (https://aps.autodesk.com/en/docs/data/v2/reference/http/buckets-POST). 409: the
  // bucket exists already (the usual answer of object stores to a taken name; the part of that
  // page with its status codes was not in the corpora).
  HttpAnswer bucket = Call(CreateBucket(bucket_));
  if (!Ok(bucket) && bucket.status != 409) {
    return L"无法建立云端存储桶 " + win::FromUtf8(bucket_) + L"（" + CallFailure(bucket) + L"）。";
  }
  return PrepareActivity(engine);
}

std::wstring CloudSession::PrepareActivity(const std::string& engine) {
  auto failed = [](const wchar_t* what, const HttpAnswer& answer) {
    return std::wstring(L"无法") + what + L"云端活动 Kavro_RunScript（" + CallFailure(answer) +
           L"）。";
  };
  HttpAnswer stored = Call(GetActivity(credentials_.clientId));
  if (Ok(stored) && ActivityUnchanged(stored.body, engine)) return {};
  if (!Ok(stored) && stored.status != 404) return failed(L"读取", stored);
  bool aliasExists = Ok(stored);
  std::optional<int> version;
  if (!aliasExists) {
    HttpAnswer created = Call(CreateActivity(engine));
    if (Ok(created))
      version = ParseVersion(created.body);
    else if (created.status != 409)
      return failed(L"建立", created);
  }
  if (!version) {
    HttpAnswer next = Call(CreateActivityVersion(engine));
    if (!Ok(next)) return failed(L"更新", next);
    version = ParseVersion(next.body);
  }
  if (!version) return L"云端活动 Kavro_RunScript 的回答中没有版本号。";
  HttpAnswer alias = Call(aliasExists ? MoveAlias(*version) : CreateAlias(*version));
  if (!Ok(alias)) return failed(L"设置", alias);
  return {};
}

CloudJobs::CloudJobs(CloudSession& session, std::string runId, HANDLE wake, uint64_t partBytes)
    : session_(session), runId_(std::move(runId)), wake_(wake), partBytes_(partBytes) {}

CloudJobs::~CloudJobs() {
  for (const Item& item : items_) Forget(item);
}

std::wstring CloudJobs::Upload(const std::string& object, const std::string& bytes) {
  const std::string& bucket = session_.Bucket();
  std::vector<PartRange> parts = UploadParts(bytes.size(), partBytes_);
  HttpAnswer urls = session_.Call(UploadUrls(bucket, object, parts.size()));
  std::optional<UploadTarget> target = Ok(urls) ? ParseUploadUrls(urls.body) : std::nullopt;
  if (!target || target->urls.size() != parts.size()) {
    return L"无法取得上传地址（" + CallFailure(urls) + L"）";
  }
  for (size_t part = 0; part < parts.size(); ++part) {
    std::string piece = bytes.substr(parts[part].offset, parts[part].size);
    HttpAnswer answer = session_.Call(Request{"PUT", target->urls[part], {}, piece, false});
    if (!Ok(answer)) return L"上传失败（" + CallFailure(answer) + L"）";
  }
  HttpAnswer done = session_.Call(CompleteUpload(bucket, object, target->uploadKey));
  if (!Ok(done)) return L"无法完成上传（" + CallFailure(done) + L"）";
  return {};
}

run::JobStart CloudJobs::Start(size_t index, const std::wstring& drawing,
                               const std::wstring& script) {
  std::string bytes;
  win::FileResult read = win::ReadWholeFile(drawing, &bytes);
  if (!read.ok) {
    return {false, static_cast<long>(read.error),
            L"无法打开图纸 " + drawing + L"：" + win::SystemMessage(read.error)};
  }
  Item item{index, drawing, {}, {}, session_.Now()};
  for (const char* kind : {"dwg", "scr", "out.dwg"}) {
    item.objects.push_back(ObjectKey(runId_, index, kind));
  }
  std::wstring failure = Upload(item.objects[0], bytes);
  if (failure.empty()) failure = Upload(item.objects[1], ScriptBytes(script));
  HttpAnswer created;
  if (failure.empty()) {
    created = session_.CallMade([&] {
      return CreateWorkItem(session_.ClientId(), session_.Bucket(), item.objects[0],
                            item.objects[1], item.objects[2], session_.Token());
    });
    std::optional<std::string> id = Ok(created) ? ParseWorkItemId(created.body) : std::nullopt;
    if (id) {
      item.id = *id;
    } else {
      failure = L"无法建立云端任务（" + CallFailure(created) + L"）";
    }
  }
  if (!failure.empty()) {
    Forget(item);
    return {false, created.status != 0 ? created.status : kCloudFailedNumber, failure + L"。"};
  }
  items_.push_back(std::move(item));
  return {true, 0, {}};
}

bool CloudJobs::Sleep(double seconds) {
  auto ms = static_cast<DWORD>(seconds * 1000);
  if (!wake_ || wakeSeen_) {
    ::Sleep(ms);
    return true;
  }
  if (WaitForSingleObject(wake_, ms) == WAIT_OBJECT_0) {
    wakeSeen_ = true;
    return false;
  }
  return true;
}

std::vector<run::JobEnd> CloudJobs::WaitForEnds() {
  std::vector<run::JobEnd> ends;
  while (!items_.empty() && ends.empty()) {
    double oldest = session_.Now();
    for (const Item& item : items_) oldest = std::min(oldest, item.startedAt);
    // A cancel is looked at by the caller: the wake returns at once.
    if (!Sleep(PollSeconds(session_.Now() - oldest))) return ends;
    std::vector<std::string> ids;
    for (const Item& item : items_) ids.push_back(item.id);
    std::vector<ItemStatus> statuses;
    bool answered = true;
    for (const Request& batch : StatusBatches(ids)) {
      HttpAnswer answer = session_.Call(batch);
      answered = answered && Ok(answer);
      for (ItemStatus& status : ParseStatuses(answer.body)) statuses.push_back(std::move(status));
    }
    failedPolls_ = answered ? 0 : failedPolls_ + 1;
    for (const ItemStatus& status : statuses) {
      auto found = std::find_if(items_.begin(), items_.end(),
                                [&](const Item& item) { return item.id == status.id; });
      if (found == items_.end() || StateOf(status.status) == ItemState::Waiting) continue;
      ends.push_back(Finish(*found, status));
      items_.erase(found);
    }
    // Once the wake was seen (a manual-reset event stays set), the caller looks at the cancel
    // after every round.
    if (wakeSeen_ && ends.empty()) return ends;
    if (failedPolls_ >= kMostFailedPolls) {
      for (Item& item : items_) {
        ends.push_back({item.index,
                        false,
                        kCloudFailedNumber,
                        L"无法查询云端任务的状态，已放弃等待；图纸没有修改。",
                        {}});
        Forget(item);
      }
      items_.clear();
    }
  }
  return ends;
}

// The work item's report holds what the console printed: it is the drawing's command history,
// judged as the local console's output is, and its last lines go with a failure.
run::JobEnd CloudJobs::Finish(Item& item, const ItemStatus& status) {
  std::optional<std::string> report;
  if (!status.reportUrl.empty()) {
    HttpAnswer answer = session_.Call(Request{"GET", status.reportUrl, {}, {}, false});
    if (Ok(answer)) report = answer.body.substr(0, kMostReportBytes);
  }
  run::JobEnd end{item.index, false, kCloudFailedNumber, {}, {}};
  if (StateOf(status.status) == ItemState::Succeeded) {
    end = PutInPlace(item);
  } else {
    end.errorText = L"云端任务结束，状态为 " + win::FromUtf8(status.status) + L"，图纸没有修改。";
    if (report) end.errorText += Joined(LastLines(*report, kReportedLines));
  }
  end.history =
      report ? run::DrawingHistory::Of(FromUtf8Replacing(*report)) : run::DrawingHistory{};
  Forget(item);
  return end;
}

// The result goes to a file beside the drawing first and replaces it in one step: ReplaceFileW
// keeps the original's attributes, and the drawing is never half written.
run::JobEnd CloudJobs::PutInPlace(const Item& item) {
  run::JobEnd end{item.index, false, kCloudFailedNumber, {}, {}};
  HttpAnswer where = session_.Call(DownloadUrl(session_.Bucket(), item.objects[2]));
  std::optional<std::string> url = Ok(where) ? ParseDownloadUrl(where.body) : std::nullopt;
  HttpAnswer result;
  if (url) result = session_.Call(Request{"GET", *url, {}, {}, false});
  if (!url || !Ok(result)) {
    end.errorText =
        L"无法下载云端的结果（" + CallFailure(url ? result : where) + L"），图纸没有修改。";
    return end;
  }
  if (!LooksLikeDrawing(result.body)) {
    end.errorNumber = kCloudBadResultNumber;
    end.errorText = L"云端的结果不是 DWG 图纸（开头没有 AC10 版本标记），图纸没有修改。";
    return end;
  }
  std::wstring temporary = item.drawing + L".kavro-cloud";
  win::FileResult written = win::WriteFileReplacing(temporary, result.body);
  if (written.ok && ReplaceFileW(item.drawing.c_str(), temporary.c_str(), nullptr,
                                 REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    end.saved = true;
    end.errorNumber = 0;
    return end;
  }
  DWORD error = written.ok ? GetLastError() : written.error;
  DeleteFileW(temporary.c_str());
  end.errorNumber = static_cast<long>(error);
  end.errorText = L"无法用云端的结果替换图纸：" + win::SystemMessage(error);
  return end;
}

void CloudJobs::Forget(const Item& item) {
  for (const std::string& object : item.objects) {
    session_.Call(DeleteObject(session_.Bucket(), object));
  }
}

void CloudJobs::EndAll() {
  for (const Item& item : items_) {
    session_.Call(CancelWorkItem(item.id));
    Forget(item);
  }
  items_.clear();
}

}  // namespace kavro::cloud
