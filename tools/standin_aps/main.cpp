// standin_aps.exe: a stand-in for the part of Autodesk Platform Services a cloud run uses — the
// two-legged token, an OSS bucket with signed upload and download addresses, Design Automation's
// activities, aliases and work items — on 127.0.0.1, with the JSON shapes and status codes of
// the public documentation (the pages are named in src/cloud/aps_protocol.cpp). Each work item
// runs the stand-in Core Console on its downloaded files in a job folder of its own, as the
// service runs accoreconsole.exe.
//
//   standin_aps.exe --core <accoreconsole.exe> --port-file <file> [knobs...]
//
// It prints its port and writes it to the port file; it runs until it is ended.
#include <winsock2.h>
#include <windows.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "standin_aps/http_server.h"

namespace standin_aps {
namespace {

using nlohmann::json;

// Every setting of the stand-in, in one list.
struct Knobs {
  std::wstring core;      // accoreconsole.exe to run each work item with
  std::wstring portFile;  // receives the port
  std::wstring jobs;      // job folders go below it (default: %TEMP%\standin_aps)
  std::wstring log;       // one line per call to the service (not to signed storage)
  std::string clientId = "kavro-test-client";
  std::string secret = "kavro-test-secret";
  int queueMs = 0;          // a work item waits this long before it runs
  int failItem = 0;         // the drawing at this list position ends failedInstructions
  int corruptItem = 0;      // the drawing at this list position gives a result that is no DWG
  int every429 = 0;         // every Nth call to the service answers 429 (Retry-After: 1)
  bool first500 = false;    // the first try of each call (method and path) answers 500
  int tokenSeconds = 3600;  // lifetime of a token
};

struct KnobInfo {
  const wchar_t* name;
  std::function<void(Knobs&, const std::wstring&)> set;
};

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += static_cast<char>(c);
  return out;
}

const KnobInfo kKnobs[] = {
    {L"--core", [](Knobs& k, const std::wstring& v) { k.core = v; }},
    {L"--port-file", [](Knobs& k, const std::wstring& v) { k.portFile = v; }},
    {L"--jobs-folder", [](Knobs& k, const std::wstring& v) { k.jobs = v; }},
    {L"--log", [](Knobs& k, const std::wstring& v) { k.log = v; }},
    {L"--client-id", [](Knobs& k, const std::wstring& v) { k.clientId = Narrow(v); }},
    {L"--client-secret", [](Knobs& k, const std::wstring& v) { k.secret = Narrow(v); }},
    {L"--queue-ms", [](Knobs& k, const std::wstring& v) { k.queueMs = std::stoi(v); }},
    {L"--fail-item", [](Knobs& k, const std::wstring& v) { k.failItem = std::stoi(v); }},
    {L"--corrupt-item", [](Knobs& k, const std::wstring& v) { k.corruptItem = std::stoi(v); }},
    {L"--429-every", [](Knobs& k, const std::wstring& v) { k.every429 = std::stoi(v); }},
    {L"--500-first", [](Knobs& k, const std::wstring& v) { k.first500 = v == L"1"; }},
    {L"--token-seconds", [](Knobs& k, const std::wstring& v) { k.tokenSeconds = std::stoi(v); }},
};

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

HttpResponse Json(int status, const json& body) {
  return {status, body.dump(), "application/json", {}};
}
HttpResponse Error(int status, const std::string& text) {
  return Json(status, {{"diagnostic", text}});
}

std::string FromBase64(const std::string& text) {
  static const std::string digits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  int bits = 0;
  unsigned value = 0;
  for (char c : text) {
    size_t d = digits.find(c);
    if (d == std::string::npos) break;
    value = (value << 6) | static_cast<unsigned>(d);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((value >> bits) & 0xFF);
    }
  }
  return out;
}

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  size_t at = 1;
  while (at <= path.size()) {
    size_t end = path.find('/', at);
    if (end == std::string::npos) end = path.size();
    parts.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  CloseHandle(file);
  return ok;
}

bool ReadBytes(const std::wstring& path, std::string* bytes) {
  // Shared for writing too: the console's output may still be held by what served its console.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes->append(buffer, read);
  }
  CloseHandle(file);
  return true;
}

struct WorkItem {
  std::string status = "pending";
  std::string report;
  std::string host, script, result;  // "bucket/key" of the arguments
  std::string id;
};

class Service {
 public:
  explicit Service(Knobs knobs) : knobs_(std::move(knobs)) {}

  HttpResponse Handle(const HttpRequest& request) {
    bool storage = request.path.rfind("/s3/", 0) == 0 || request.path.rfind("/report/", 0) == 0;
    if (!storage) {
      std::lock_guard<std::mutex> lock(mutex_);
      Log(request.method + " " + request.path);
      ++calls_;
      if (knobs_.every429 > 0 && calls_ % knobs_.every429 == 0) {
        HttpResponse busy = Error(429, "Too many requests");
        busy.headers.push_back({"Retry-After", "1"});
        return busy;
      }
      if (knobs_.first500 && tried_.insert(CallKind(request)).second) {
        return Error(500, "Internal error (first try)");
      }
    }
    try {
      return Route(request);
    } catch (const std::exception& e) {
      return Error(400, e.what());
    }
  }

 private:
  void Log(const std::string& line) {
    if (knobs_.log.empty()) return;
    std::string text = line + "\r\n";
    HANDLE file = CreateFileW(knobs_.log.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }

  // A call without the object it names: the first try of each kind of call fails once.
  static std::string CallKind(const HttpRequest& request) {
    std::vector<std::string> p = Split(request.path);
    std::string kind = request.method;
    for (size_t i = 0; i < p.size(); ++i) {
      bool named = (p[0] == "oss" && i == 5) || (p[0] == "da" && p.size() == 5 && i == 4 &&
                                                 p[3] == "workitems" && p[4] != "status");
      kind += "/" + (named ? std::string("*") : p[i]);
    }
    return kind;
  }

  bool Authorized(const std::string& header) {
    if (header.rfind("Bearer ", 0) != 0) return false;
    auto found = tokens_.find(header.substr(7));
    return found != tokens_.end() && Now() < found->second;
  }

  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

  HttpResponse Route(const HttpRequest& request) {
    const std::string& m = request.method;
    std::vector<std::string> p = Split(request.path);
    if (m == "POST" && request.path == "/authentication/v2/token") return Token(request);
    if (p.size() == 3 && p[0] == "s3") return Storage(request, p);
    if (p.size() == 2 && p[0] == "report") return Report(p[1]);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Authorized(request.Header("authorization"))) return Error(401, "The token is not valid");
    if (p.size() >= 3 && p[0] == "oss" && p[1] == "v2" && p[2] == "buckets") return Oss(request, p);
    if (p.size() >= 4 && p[0] == "da" && p[1] == "us-east" && p[2] == "v3") {
      if (p[3] == "activities") return Activities(request, p);
      if (p[3] == "workitems") return WorkItems(request, p);
    }
    return Error(404, "No such address: " + m + " " + request.path);
  }

  HttpResponse Token(const HttpRequest& request) {
    std::string basic = request.Header("authorization");
    bool known = basic.rfind("Basic ", 0) == 0 &&
                 FromBase64(basic.substr(6)) == knobs_.clientId + ":" + knobs_.secret;
    if (!known) return Json(401, {{"errorCode", "AUTH-001"}, {"developerMessage", "bad client"}});
    if (request.body.find("grant_type=client_credentials") == std::string::npos) {
      return Json(400, {{"error", "unsupported_grant_type"}});
    }
    for (const char* scope :
         {"code%3Aall", "data%3Awrite", "data%3Aread", "bucket%3Acreate", "bucket%3Aread"}) {
      if (request.body.find(scope) == std::string::npos) {
        return Json(400, {{"error", "invalid_scope"}});
      }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    std::string token = "token-" + std::to_string(++counter_);
    tokens_[token] = Now() + knobs_.tokenSeconds;
    Log("token " + token);
    return Json(
        200,
        {{"access_token", token}, {"token_type", "Bearer"}, {"expires_in", knobs_.tokenSeconds}});
  }

  HttpResponse Oss(const HttpRequest& request, const std::vector<std::string>& p) {
    const std::string& m = request.method;
    if (p.size() == 3 && m == "POST") {
      json body = json::parse(request.body);
      std::string key = body.at("bucketKey");
      if (body.value("policyKey", "") != "transient") return Error(400, "policyKey");
      if (!buckets_.insert(key).second) return Error(409, "Bucket already exists");
      return Json(200, {{"bucketKey", key}, {"policyKey", "transient"}});
    }
    if (p.size() < 6 || p[4] != "objects") return Error(404, "No such address");
    const std::string& bucket = p[3];
    std::string object = bucket + "/" + p[5];
    if (!buckets_.count(bucket)) return Error(404, "No such bucket");
    if (p.size() == 6 && m == "DELETE") {
      return objects_.erase(object) ? HttpResponse{200, "", "text/plain", {}}
                                    : Error(404, "No such object");
    }
    if (p.size() == 7 && p[6] == "signeds3upload" && m == "GET") {
      size_t parts = 1;
      if (request.query.rfind("parts=", 0) == 0) parts = std::stoul(request.query.substr(6));
      std::string key = "upload-" + std::to_string(++counter_);
      uploads_[key] = {object, std::vector<std::string>(parts)};
      json urls = json::array();
      for (size_t i = 1; i <= parts; ++i)
        urls.push_back(Base() + "/s3/" + key + "/" + std::to_string(i));
      return Json(200, {{"uploadKey", key}, {"urls", urls}});
    }
    if (p.size() == 7 && p[6] == "signeds3upload" && m == "POST") {
      std::string key = json::parse(request.body).at("uploadKey");
      auto found = uploads_.find(key);
      if (found == uploads_.end() || found->second.first != object) return Error(400, "uploadKey");
      std::string bytes;
      for (const std::string& part : found->second.second) bytes += part;
      objects_[object] = bytes;
      uploads_.erase(found);
      return Json(200, {{"bucketKey", bucket}, {"objectKey", p[5]}, {"size", bytes.size()}});
    }
    if (p.size() == 7 && p[6] == "signeds3download" && m == "GET") {
      auto found = objects_.find(object);
      if (found == objects_.end()) return Error(404, "No such object");
      return Json(200, {{"status", "complete"},
                        {"url", Base() + "/s3/get/" + bucket + "~" + p[5]},
                        {"size", found->second.size()}});
    }
    return Error(404, "No such address");
  }

  HttpResponse Storage(const HttpRequest& request, const std::vector<std::string>& p) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (p[1] == "get" && request.method == "GET") {
      std::string object = p[2];
      object[object.find('~')] = '/';
      auto found = objects_.find(object);
      if (found == objects_.end()) return Error(404, "No such object");
      return {200, found->second, "application/octet-stream", {}};
    }
    auto found = uploads_.find(p[1]);
    size_t part = std::stoul(p[2]);
    if (request.method != "PUT" || found == uploads_.end() || part < 1 ||
        part > found->second.second.size()) {
      return Error(403, "Not a signed address");
    }
    found->second.second[part - 1] = request.body;
    return {200, "", "text/plain", {{"ETag", "\"part" + p[2] + "\""}}};
  }

  HttpResponse Report(const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = items_.find(id);
    if (found == items_.end()) return Error(404, "No such report");
    return {200, found->second.report, "text/plain", {}};
  }

  json Stored(const std::string& name, int version) {
    json activity = activities_[name].at(static_cast<size_t>(version - 1));
    activity["id"] = knobs_.clientId + "." + name;
    activity["version"] = version;
    return activity;
  }

  HttpResponse Activities(const HttpRequest& request, const std::vector<std::string>& p) {
    const std::string& m = request.method;
    std::string owner = knobs_.clientId + ".";
    if (p.size() == 4 && m == "POST") {
      json body = json::parse(request.body);
      std::string name = body.at("id");
      if (activities_.count(name)) return Error(409, "Activity already exists");
      body.erase("id");
      activities_[name].push_back(body);
      return Json(200, Stored(name, 1));
    }
    if (p.size() == 5 && m == "GET") {
      // "<owner>.<name>+<alias>"
      std::string id = p[4];
      size_t plus = id.find('+');
      if (id.rfind(owner, 0) != 0 || plus == std::string::npos) return Error(404, "No activity");
      std::string name = id.substr(owner.size(), plus - owner.size());
      auto alias = aliases_.find(name + "+" + id.substr(plus + 1));
      if (alias == aliases_.end()) return Error(404, "No such activity or alias");
      return Json(200, Stored(name, alias->second));
    }
    if (p.size() < 6 || !activities_.count(p[4])) return Error(404, "No such activity");
    const std::string& name = p[4];
    if (p[5] == "versions" && m == "POST") {
      activities_[name].push_back(json::parse(request.body));
      return Json(200, Stored(name, static_cast<int>(activities_[name].size())));
    }
    json body = json::parse(request.body);
    int version = body.at("version");
    if (version < 1 || version > static_cast<int>(activities_[name].size())) {
      return Error(400, "No such version");
    }
    if (p[5] == "aliases" && m == "POST") {
      std::string alias = body.at("id");
      if (!aliases_.emplace(name + "+" + alias, version).second) return Error(409, "Alias exists");
      return Json(200, {{"id", alias}, {"version", version}});
    }
    if (p.size() == 7 && p[5] == "aliases" && m == "PATCH") {
      auto alias = aliases_.find(name + "+" + p[6]);
      if (alias == aliases_.end()) return Error(404, "No such alias");
      alias->second = version;
      return Json(200, {{"id", p[6]}, {"version", version}});
    }
    return Error(404, "No such address");
  }

  HttpResponse WorkItems(const HttpRequest& request, const std::vector<std::string>& p) {
    const std::string& m = request.method;
    if (p.size() == 4 && m == "POST") return NewItem(json::parse(request.body));
    if (p.size() == 5 && p[4] == "status" && m == "POST") {
      json ids = json::parse(request.body).at("ids");
      if (!ids.is_array() || ids.size() > 50) return Error(400, "At most 50 ids");
      json results = json::array(), errors = json::object();
      for (const json& id : ids) {
        auto found = items_.find(id.get<std::string>());
        if (found == items_.end()) {
          errors[id.get<std::string>()] = "not found";
          continue;
        }
        results.push_back({{"id", found->first},
                           {"status", found->second.status},
                           {"reportUrl", Base() + "/report/" + found->first}});
      }
      return Json(200, {{"results", results}, {"errors", errors}});
    }
    if (p.size() == 5 && m == "DELETE") {
      auto found = items_.find(p[4]);
      if (found == items_.end()) return Error(404, "No such work item");
      if (found->second.status == "pending" || found->second.status == "inprogress") {
        found->second.status = "cancelled";
      }
      return {204, "", "text/plain", {}};
    }
    return Error(404, "No such address");
  }

  // "urn:adsk.objects:os.object:<bucket>/<key>" with a valid token in its headers.
  std::string Argument(const json& arguments, const char* name, const char* verb) {
    const json& argument = arguments.at(name);
    if (argument.value("verb", "get") != verb)
      throw std::runtime_error(std::string(name) + " verb");
    std::string url = argument.at("url");
    const std::string prefix = "urn:adsk.objects:os.object:";
    if (url.rfind(prefix, 0) != 0) throw std::runtime_error(std::string(name) + " url");
    if (!Authorized(argument.at("headers").at("Authorization"))) {
      throw std::runtime_error(std::string(name) + " token");
    }
    std::string object = url.substr(prefix.size());
    if (std::string(verb) == "get" && !objects_.count(object)) {
      throw std::runtime_error(std::string(name) + " object missing");
    }
    return object;
  }

  HttpResponse NewItem(const json& body) {
    std::string activity = body.at("activityId");
    std::string owner = knobs_.clientId + ".";
    size_t plus = activity.find('+');
    if (activity.rfind(owner, 0) != 0 || plus == std::string::npos ||
        !aliases_.count(activity.substr(owner.size()))) {
      return Error(400, "No such activity: " + activity);
    }
    const json& arguments = body.at("arguments");
    WorkItem item;
    item.host = Argument(arguments, "HostDwg", "get");
    item.script = Argument(arguments, "Script", "get");
    item.result = Argument(arguments, "Result", "put");
    item.id = "workitem-" + std::to_string(++counter_);
    items_[item.id] = item;
    std::thread([this, item] { Work(item); }).detach();
    return Json(200, {{"id", item.id}, {"status", "pending"}});
  }

  // The position of a drawing in its run: the object's "-00007.dwg" ending.
  static int Position(const std::string& object) {
    size_t dash = object.rfind('-');
    return dash == std::string::npos ? 0 : std::atoi(object.c_str() + dash + 1);
  }

  void SetStatus(const std::string& id, const std::string& status, const std::string& report) {
    std::lock_guard<std::mutex> lock(mutex_);
    WorkItem& item = items_[id];
    if (item.status == "cancelled") return;
    item.status = status;
    item.report += report;
  }

  void Work(WorkItem item) {
    Sleep(static_cast<DWORD>(knobs_.queueMs));
    std::string drawing, script;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (items_[item.id].status == "cancelled") return;
      items_[item.id].status = "inprogress";
      drawing = objects_[item.host];
      script = objects_[item.script];
    }
    std::wstring folder = knobs_.jobs + L"\\" + std::wstring(item.id.begin(), item.id.end());
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring host = folder + L"\\drawing.dwg", scr = folder + L"\\script.scr";
    std::wstring out = folder + L"\\output.txt";
    WriteBytes(host, drawing);
    WriteBytes(scr, script);
    std::string report = "[standin] Starting work item " + item.id + "\n";
    DWORD code = RunCore(host, scr, out);
    std::string output;
    if (ReadBytes(out, &output) && output.size() >= 2) {
      report +=
          Utf8(std::wstring(reinterpret_cast<const wchar_t*>(output.data()), output.size() / 2));
    }
    report += "\n[standin] accoreconsole.exe exited with " + std::to_string(code) + "\n";
    int position = Position(item.host);
    if (position == knobs_.failItem || code != 0) {
      report += "[standin] Error: the script failed on the drawing.\n";
      SetStatus(item.id, "failedInstructions", report);
      return;
    }
    std::string result;
    if (!ReadBytes(host, &result)) {
      SetStatus(item.id, "failedUpload", report + "[standin] No result file.\n");
      return;
    }
    if (position == knobs_.corruptItem) result = "PK\x03\x04 not a drawing";
    {
      std::lock_guard<std::mutex> lock(mutex_);
      objects_[item.result] = result;
    }
    SetStatus(item.id, "success", report + "[standin] Uploaded the result.\n");
  }

  DWORD RunCore(const std::wstring& host, const std::wstring& script, const std::wstring& out) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE output = CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    std::wstring command = L"\"" + knobs_.core + L"\" /i \"" + host + L"\" /s \"" + script + L"\"";
    PROCESS_INFORMATION started{};
    DWORD code = 1;
    std::lock_guard<std::mutex> one(startMutex_);  // only this child inherits this output
    if (CreateProcessW(knobs_.core.c_str(), command.data(), nullptr, nullptr, TRUE,
                       CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started)) {
      CloseHandle(output);
      output = INVALID_HANDLE_VALUE;
      WaitForSingleObject(started.hProcess, 300000);
      GetExitCodeProcess(started.hProcess, &code);
      CloseHandle(started.hProcess);
      CloseHandle(started.hThread);
    }
    if (output != INVALID_HANDLE_VALUE) {
      code = 0xC0000000 | GetLastError();  // not started: why
      CloseHandle(output);
    }
    return code;
  }

 public:
  int port_ = 0;

 private:
  Knobs knobs_;
  std::mutex mutex_, startMutex_;
  long counter_ = 0, calls_ = 0;
  std::set<std::string> tried_, buckets_;
  std::map<std::string, double> tokens_;
  std::map<std::string, std::string> objects_;  // "bucket/key" -> bytes
  std::map<std::string, std::pair<std::string, std::vector<std::string>>> uploads_;
  std::map<std::string, std::vector<json>> activities_;  // name -> versions
  std::map<std::string, int> aliases_;                   // "name+alias" -> version
  std::map<std::string, WorkItem> items_;
};

}  // namespace
}  // namespace standin_aps

int wmain(int argc, wchar_t** argv) {
  using namespace standin_aps;
  Knobs knobs;
  for (int i = 1; i + 1 < argc; i += 2) {
    bool known = false;
    for (const KnobInfo& info : kKnobs) {
      if (argv[i] == std::wstring(info.name)) {
        info.set(knobs, argv[i + 1]);
        known = true;
      }
    }
    if (!known) {
      fwprintf(stderr, L"unknown option %ls\n", argv[i]);
      return 2;
    }
  }
  if (knobs.jobs.empty()) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    knobs.jobs = std::wstring(temp) + L"standin_aps";
  }
  CreateDirectoryW(knobs.jobs.c_str(), nullptr);
  Service service(knobs);
  HttpServer server([&service](const HttpRequest& request) { return service.Handle(request); });
  service.port_ = server.Port();
  std::string port = std::to_string(server.Port());
  // Whole or not at all: the test reads it as soon as it appears.
  if (!knobs.portFile.empty()) {
    std::wstring part = knobs.portFile + L".part";
    WriteBytes(part, port);
    MoveFileExW(part.c_str(), knobs.portFile.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  printf("%s\n", port.c_str());
  fflush(stdout);
  server.Serve();
  return 0;
}
