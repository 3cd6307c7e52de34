#pragma once
// The requests a cloud run sends to Autodesk Platform Services and what it reads from the
// answers. Paths are relative to the base address (https://developer.api.autodesk.com, or the
// stand-in's); text is UTF-8. Each request says in the .cpp where its shape was read.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavro::cloud {

inline constexpr char kScopes[] = "code:all data:write data:read bucket:create bucket:read";
inline constexpr char kActivityName[] = "Kavro_RunScript";
inline constexpr char kAliasName[] = "kavro";
inline constexpr char kDefaultEngine[] = "Autodesk.AutoCAD+24_3";
// The local name of the drawing in the work item's folder; the result is that file after the
// script's own save.
inline constexpr char kHostLocalName[] = "drawing.dwg";
inline constexpr char kScriptLocalName[] = "script.scr";
inline constexpr size_t kMostIdsPerStatus = 50;
inline constexpr uint64_t kMostPartBytes = uint64_t{100} << 20;

struct Request {
  std::string method;
  std::string path;  // relative to the base address, or a whole URL for signed storage
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  bool bearer = true;  // carries the access token
};

std::string Base64(std::string_view bytes);
// application/x-www-form-urlencoded, as the token request's body is written.
std::string FormEncoded(std::string_view text);

Request TokenRequest(std::string_view clientId, std::string_view secret);
struct Token {
  std::string access;
  double lifetimeSeconds = 0;
};
std::optional<Token> ParseToken(std::string_view body);

// One transient bucket per client id: only [a-z0-9_-], 3 to 128 characters.
std::string BucketKey(std::string_view clientId);
Request CreateBucket(std::string_view bucketKey);

// The object of a run's drawing at list position `index`: ASCII, never the user's file name.
std::string ObjectKey(std::string_view runId, size_t index, std::string_view kind);
std::string ObjectUrn(std::string_view bucketKey, std::string_view objectKey);

// The parts an upload of `size` bytes is sent in, in order, each of at most `partBytes`: one
// (empty) part for no bytes.
struct PartRange {
  uint64_t offset = 0, size = 0;
  bool operator==(const PartRange&) const = default;
};
std::vector<PartRange> UploadParts(uint64_t size, uint64_t partBytes = kMostPartBytes);
Request UploadUrls(std::string_view bucketKey, std::string_view objectKey, size_t parts);
struct UploadTarget {
  std::string uploadKey;
  std::vector<std::string> urls;  // one per part, in order
};
std::optional<UploadTarget> ParseUploadUrls(std::string_view body);
Request CompleteUpload(std::string_view bucketKey, std::string_view objectKey,
                       std::string_view uploadKey);
Request DownloadUrl(std::string_view bucketKey, std::string_view objectKey);
std::optional<std::string> ParseDownloadUrl(std::string_view body);
Request DeleteObject(std::string_view bucketKey, std::string_view objectKey);

// "<client id>.Kavro_RunScript+kavro": the activity's alias as work items name it.
std::string QualifiedActivity(std::string_view clientId);
Request GetActivity(std::string_view clientId);
// Whether the stored activity (GET's answer) already has the definition this program wants.
bool ActivityUnchanged(std::string_view storedBody, std::string_view engine);
Request CreateActivity(std::string_view engine);
Request CreateActivityVersion(std::string_view engine);
std::optional<int> ParseVersion(std::string_view body);
Request CreateAlias(int version);
Request MoveAlias(int version);

Request CreateWorkItem(std::string_view clientId, std::string_view bucketKey,
                       std::string_view drawingObject, std::string_view scriptObject,
                       std::string_view resultObject, std::string_view accessToken);
std::optional<std::string> ParseWorkItemId(std::string_view body);
// One request per at most kMostIdsPerStatus ids, in order.
std::vector<Request> StatusBatches(const std::vector<std::string>& ids);
struct ItemStatus {
  std::string id;
  std::string status;  // as the service words it
  std::string reportUrl;
};
std::vector<ItemStatus> ParseStatuses(std::string_view body);
Request CancelWorkItem(std::string_view id);

}  // namespace kavro::cloud
