#pragma once
// HTTP through WinHTTP with the user's proxy settings. Only TLS leaves the machine: plain http is
// refused except to a loopback address (the stand-in service of the tests).
#include <windows.h>

#include <winhttp.h>

#include <string>
#include <utility>
#include <vector>

#include "cloud/aps_protocol.h"

namespace kavro::cloud {

struct HttpAnswer {
  int status = 0;           // 0: no answer (`error` says why)
  unsigned long error = 0;  // Win32/WinHTTP error when there was no answer
  std::string body;
  std::string retryAfter;
};

class HttpClient {
 public:
  // `baseUrl` as "https://host[:port]"; throws std::invalid_argument for anything else (or http
  // to a host that is not loopback).
  explicit HttpClient(const std::wstring& baseUrl);
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // A request to the base address (path relative to it) or, when its path is a whole URL, to
  // that address (signed storage), under the same TLS rule.
  HttpAnswer Send(const Request& request, const std::string& bearer = {});

 private:
  struct Target {
    std::wstring host;
    INTERNET_PORT port = 0;
    bool secure = true;
    std::wstring pathAndQuery;
  };
  static Target Crack(const std::wstring& url);
  HttpAnswer SendTo(const Target& target, const Request& request, const std::string& bearer);
  void UseProxyFor(HINTERNET request, const Target& target, const std::wstring& url);

  HINTERNET session_ = nullptr;
  Target base_;
  std::wstring autoConfigUrl_;  // the user's proxy script, when the settings name one
  bool autoDetect_ = false;
};

// Whether `host` names this machine ("localhost", 127.x.x.x, ::1).
bool IsLoopbackHost(const std::wstring& host);

}  // namespace kavro::cloud
