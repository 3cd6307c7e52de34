#include "cloud/aps_protocol.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace kavro::cloud {

using nlohmann::json;

namespace {

constexpr char kDa[] = "/da/us-east/v3";
constexpr char kBuckets[] = "/oss/v2/buckets/";

std::optional<json> Parsed(std::string_view body) {
  json value = json::parse(body.begin(), body.end(), nullptr, false);
  if (value.is_discarded() || !value.is_object()) return std::nullopt;
  return value;
}

std::string StringAt(const json& object, const char* key) {
  auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

Request JsonRequest(std::string method, std::string path, const json& body) {
  return {std::move(method), std::move(path), {{"Content-Type", "application/json"}}, body.dump()};
}

std::string ObjectPath(std::string_view bucketKey, std::string_view objectKey) {
  return std::string(kBuckets) + std::string(bucketKey) + "/objects/" + std::string(objectKey);
}

// The activity's definition: the console on the drawing with the script, and the drawing itself,
// saved by the script, taken back as the result. Command line, parameters and verbs as in
// Autodesk's AutoCAD walkthrough, "Task 4 – Publish an Activity"
// (https://aps.autodesk.com/en/docs/design-automation/v3/tutorials/autocad/task4-publish-activity/)
// and the Activity model of Autodesk.Forge.DesignAutomation (docs/Activity.md). That an output may
// share its input's local name was not found in the corpora: the stand-in service accepts it.
json ActivityDefinition(std::string_view engine) {
  json parameters = {
      {"HostDwg", {{"verb", "get"}, {"localName", kHostLocalName}, {"required", true}}},
      {"Script", {{"verb", "get"}, {"localName", kScriptLocalName}, {"required", true}}},
      {"Result", {{"verb", "put"}, {"localName", kHostLocalName}, {"required", true}}},
  };
  return {
      {"commandLine",
       json::array({"$(engine.path)\\accoreconsole.exe /i \"$(args[HostDwg].path)\" /s "
                    "\"$(args[Script].path)\""})},
      {"parameters", parameters},
      {"engine", std::string(engine)},
      {"description", "Kavro: a script on one drawing"},
  };
}

json Argument(std::string_view urn, const char* verb, std::string_view token) {
  return {{"url", std::string(urn)},
          {"verb", verb},
          {"headers", {{"Authorization", "Bearer " + std::string(token)}}}};
}

}  // namespace

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t at = 0;
  for (; at + 3 <= bytes.size(); at += 3) {
    uint32_t n = (uint32_t{static_cast<unsigned char>(bytes[at])} << 16) |
                 (uint32_t{static_cast<unsigned char>(bytes[at + 1])} << 8) |
                 static_cast<unsigned char>(bytes[at + 2]);
    for (int shift : {18, 12, 6, 0}) out += kDigits[(n >> shift) & 63];
  }
  size_t left = bytes.size() - at;
  if (left > 0) {
    uint32_t n = uint32_t{static_cast<unsigned char>(bytes[at])} << 16;
    if (left == 2) n |= uint32_t{static_cast<unsigned char>(bytes[at + 1])} << 8;
    out += kDigits[(n >> 18) & 63];
    out += kDigits[(n >> 12) & 63];
    out += left == 2 ? kDigits[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string FormEncoded(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
        (byte >= '0' && byte <= '9') || c == '-' || c == '_' || c == '.' || c == '~') {
      out += c;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

// Two-legged token: POST /authentication/v2/token, "Authorization: Basic base64(id:secret)",
// form body grant_type=client_credentials&scope=... (Autodesk's "Task 1 – Obtain an Access
// Token",
// https://aps.autodesk.com/en/docs/model-derivative/v2/tutorials/xtract-metadata/task1-authenticate,
// and https://aps.autodesk.com/node/3189). The answer has access_token and expires_in seconds
// (https://paulgovan.github.io/AutoDeskR-Book/authentication.html).
Request TokenRequest(std::string_view clientId, std::string_view secret) {
  Request request{
      "POST",
      "/authentication/v2/token",
      {{"Content-Type", "application/x-www-form-urlencoded"},
       {"Authorization", "Basic " + Base64(std::string(clientId) + ":" + std::string(secret))}},
      "grant_type=client_credentials&scope=" + FormEncoded(kScopes)};
  request.bearer = false;
  return request;
}

std::optional<Token> ParseToken(std::string_view body) {
  std::optional<json> value = Parsed(body);
  if (!value) return std::nullopt;
  Token token{StringAt(*value, "access_token"), 0};
  auto expires = value->find("expires_in");
  if (token.access.empty() || expires == value->end() || !expires->is_number()) return std::nullopt;
  token.lifetimeSeconds = expires->get<double>();
  if (!(token.lifetimeSeconds > 0)) return std::nullopt;
  return token;
}

// Bucket keys: lower case letters, digits and underscores, unique across all applications; a
// transient policy (CreateBucketsPayload,
// https://aps.autodesk.com/en/docs/data/v2/reference/typescript-sdk-oss/interfaces/CreateBucketsPayload/).
std::string BucketKey(std::string_view clientId) {
  std::string key = "kavro_";
  for (char c : clientId) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    bool fits = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    key += fits ? c : '_';
  }
  return key.substr(0, 128);
}

Request CreateBucket(std::string_view bucketKey) {
  return JsonRequest("POST", "/oss/v2/buckets",
                     {{"bucketKey", std::string(bucketKey)}, {"policyKey", "transient"}});
}

std::string ObjectKey(std::string_view runId, size_t index, std::string_view kind) {
  std::string number = std::to_string(index + 1);
  if (number.size() < 5) number.insert(0, 5 - number.size(), '0');
  return std::string(runId) + "-" + number + "." + std::string(kind);
}

// Work item arguments name OSS objects by their URN, with the caller's token in a header (3ds Max
// walkthrough, "Task 5 - Submit a WorkItem",
// https://aps.autodesk.com/en/docs/design-automation/v3/tutorials/3dsmax/task5-submit-workitem/).
std::string ObjectUrn(std::string_view bucketKey, std::string_view objectKey) {
  return "urn:adsk.objects:os.object:" + std::string(bucketKey) + "/" + std::string(objectKey);
}

std::vector<PartRange> UploadParts(uint64_t size, uint64_t partBytes) {
  partBytes = std::max<uint64_t>(partBytes, 1);
  std::vector<PartRange> parts{{0, std::min(size, partBytes)}};
  for (uint64_t at = partBytes; at < size; at += partBytes) {
    parts.push_back({at, std::min(size - at, partBytes)});
  }
  return parts;
}

// GET .../signeds3upload?parts=N answers uploadKey and one URL per part; POST to the same path
// with the uploadKey completes it (Signeds3uploadResponse and Completes3uploadBody,
// https://aps.autodesk.com/en/docs/data/v2/reference/typescript-sdk-oss/interfaces/Signeds3uploadResponse/,
// https://aps.autodesk.com/en/docs/data/v2/reference/typescript-sdk-oss/interfaces/Completes3uploadBody/).
Request UploadUrls(std::string_view bucketKey, std::string_view objectKey, size_t parts) {
  return {"GET",
          ObjectPath(bucketKey, objectKey) + "/signeds3upload?parts=" + std::to_string(parts),
          {},
          {}};
}

std::optional<UploadTarget> ParseUploadUrls(std::string_view body) {
  std::optional<json> value = Parsed(body);
  if (!value) return std::nullopt;
  UploadTarget target{StringAt(*value, "uploadKey"), {}};
  auto urls = value->find("urls");
  if (target.uploadKey.empty() || urls == value->end() || !urls->is_array() || urls->empty()) {
    return std::nullopt;
  }
  for (const json& url : *urls) {
    if (!url.is_string()) return std::nullopt;
    target.urls.push_back(url.get<std::string>());
  }
  return target;
}

Request CompleteUpload(std::string_view bucketKey, std::string_view objectKey,
                       std::string_view uploadKey) {
  return JsonRequest("POST", ObjectPath(bucketKey, objectKey) + "/signeds3upload",
                     {{"uploadKey", std::string(uploadKey)}});
}

// GET .../signeds3download answers status and, when complete, url
// (https://aps.autodesk.com/en/docs/data/v2/reference/http/buckets-:bucketKey-objects-:objectKey-signeds3download-GET/,
// Signeds3downloadResponse).
Request DownloadUrl(std::string_view bucketKey, std::string_view objectKey) {
  return {"GET", ObjectPath(bucketKey, objectKey) + "/signeds3download", {}, {}};
}

std::optional<std::string> ParseDownloadUrl(std::string_view body) {
  std::optional<json> value = Parsed(body);
  if (!value) return std::nullopt;
  std::string url = StringAt(*value, "url");
  if (url.empty()) return std::nullopt;
  return url;
}

// DELETE buckets/:bucketKey/objects/:objectKey, OSS's delete of an object (its page was not in
// the corpora; the OssClient's operations list it, and the Data Management API deletes an object
// of an app's bucket: https://rdrr.io/cran/AutoDeskR/man/deleteObject.html).
Request DeleteObject(std::string_view bucketKey, std::string_view objectKey) {
  return {"DELETE", ObjectPath(bucketKey, objectKey), {}, {}};
}

// Without a nickname an app's activities are named by its client id: "<client id>.<name>+<alias>"
// (https://jeremytammik.github.io/tbc/a/zip/da4r_au_2018/Nickname.html; aliases:
// https://aps.autodesk.com/en/docs/design-automation/v3/overview/aliases-and-ids).
std::string QualifiedActivity(std::string_view clientId) {
  return std::string(clientId) + "." + kActivityName + "+" + kAliasName;
}

Request GetActivity(std::string_view clientId) {
  return {"GET", std::string(kDa) + "/activities/" + QualifiedActivity(clientId), {}, {}};
}

bool ActivityUnchanged(std::string_view storedBody, std::string_view engine) {
  std::optional<json> stored = Parsed(storedBody);
  if (!stored) return false;
  json wanted = ActivityDefinition(engine);
  if (stored->value("engine", json()) != wanted["engine"]) return false;
  if (stored->value("commandLine", json()) != wanted["commandLine"]) return false;
  // The service may add defaults to a parameter: only what this program sets is compared.
  json parameters = stored->value("parameters", json::object());
  if (!parameters.is_object() || parameters.size() != wanted["parameters"].size()) return false;
  for (const auto& [name, parameter] : wanted["parameters"].items()) {
    if (!parameters.contains(name) || !parameters[name].is_object()) return false;
    for (const auto& [key, value] : parameter.items()) {
      if (parameters[name].value(key, json()) != value) return false;
    }
  }
  return true;
}

// POST /activities, POST /activities/{id}/versions, POST /activities/{id}/aliases and
// PATCH /activities/{id}/aliases/{aliasId} (AutoCAD walkthrough, Task 4, above).
Request CreateActivity(std::string_view engine) {
  json body = ActivityDefinition(engine);
  body["id"] = kActivityName;
  return JsonRequest("POST", std::string(kDa) + "/activities", body);
}

Request CreateActivityVersion(std::string_view engine) {
  return JsonRequest("POST", std::string(kDa) + "/activities/" + kActivityName + "/versions",
                     ActivityDefinition(engine));
}

std::optional<int> ParseVersion(std::string_view body) {
  std::optional<json> value = Parsed(body);
  if (!value) return std::nullopt;
  auto version = value->find("version");
  if (version == value->end() || !version->is_number_integer()) return std::nullopt;
  return version->get<int>();
}

// The Alias model: id and version (Autodesk.Forge.DesignAutomation, docs/Alias.md).
Request CreateAlias(int version) {
  return JsonRequest("POST", std::string(kDa) + "/activities/" + kActivityName + "/aliases",
                     {{"id", kAliasName}, {"version", version}});
}

Request MoveAlias(int version) {
  return JsonRequest("PATCH",
                     std::string(kDa) + "/activities/" + kActivityName + "/aliases/" + kAliasName,
                     {{"version", version}});
}

// POST /da/us-east/v3/workitems with activityId and arguments; the answer's id names it
// (Revit walkthrough, "Task 7 – Submit a WorkItem",
// https://aps.autodesk.com/en/docs/design-automation/v3/tutorials/revit/step7-post-workitem).
Request CreateWorkItem(std::string_view clientId, std::string_view bucketKey,
                       std::string_view drawingObject, std::string_view scriptObject,
                       std::string_view resultObject, std::string_view accessToken) {
  json arguments = {
      {"HostDwg", Argument(ObjectUrn(bucketKey, drawingObject), "get", accessToken)},
      {"Script", Argument(ObjectUrn(bucketKey, scriptObject), "get", accessToken)},
      {"Result", Argument(ObjectUrn(bucketKey, resultObject), "put", accessToken)},
  };
  return JsonRequest("POST", std::string(kDa) + "/workitems",
                     {{"activityId", QualifiedActivity(clientId)}, {"arguments", arguments}});
}

std::optional<std::string> ParseWorkItemId(std::string_view body) {
  std::optional<json> value = Parsed(body);
  if (!value) return std::nullopt;
  std::string id = StringAt(*value, "id");
  if (id.empty()) return std::nullopt;
  return id;
}

// POST /workitems/status {"ids": [...]}, at most 50 ids; the answer's results hold what
// GET workitems/:id answers for each: id, status, reportUrl
// (https://aps.autodesk.com/en/docs/design-automation/v3/reference/http/workitems-status-POST/).
std::vector<Request> StatusBatches(const std::vector<std::string>& ids) {
  std::vector<Request> batches;
  for (size_t at = 0; at < ids.size(); at += kMostIdsPerStatus) {
    size_t end = std::min(ids.size(), at + kMostIdsPerStatus);
    json list = json::array();
    for (size_t i = at; i < end; ++i) list.push_back(ids[i]);
    batches.push_back(JsonRequest("POST", std::string(kDa) + "/workitems/status", {{"ids", list}}));
  }
  return batches;
}

std::vector<ItemStatus> ParseStatuses(std::string_view body) {
  std::vector<ItemStatus> statuses;
  std::optional<json> value = Parsed(body);
  if (!value) return statuses;
  auto results = value->find("results");
  if (results == value->end() || !results->is_array()) return statuses;
  for (const json& result : *results) {
    if (!result.is_object()) continue;
    ItemStatus status{StringAt(result, "id"), StringAt(result, "status"),
                      StringAt(result, "reportUrl")};
    if (!status.id.empty() && !status.status.empty()) statuses.push_back(std::move(status));
  }
  return statuses;
}

// DELETE /workitems/{id} cancels a work item: 204 No Content; one still queued is not processed,
// one under way may finish anyway, and its result is then left unread
// (https://aps.autodesk.com/en/docs/design-automation/v3/reference/http/workitems-id-DELETE/).
Request CancelWorkItem(std::string_view id) {
  return {"DELETE", std::string(kDa) + "/workitems/" + std::string(id), {}, {}};
}

}  // namespace kavro::cloud
