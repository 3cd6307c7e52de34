#include "cloud/aps_http_win.h"

#include <stdexcept>

#include "win/text_win.h"

namespace kavro::cloud {

namespace {

class Handle {
 public:
  explicit Handle(HINTERNET handle) : handle_(handle) {}
  ~Handle() {
    if (handle_) WinHttpCloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HINTERNET Get() const { return handle_; }

 private:
  HINTERNET handle_;
};

HttpAnswer NoAnswer() { return {0, GetLastError(), {}, {}}; }

void FreeGlobal(wchar_t* text) {
  if (text) GlobalFree(text);
}

}  // namespace

bool IsLoopbackHost(const std::wstring& host) {
  if (host == L"localhost" || host == L"::1" || host == L"[::1]") return true;
  if (host.rfind(L"127.", 0) != 0) return false;
  for (wchar_t c : host) {
    if (c != L'.' && (c < L'0' || c > L'9')) return false;
  }
  return true;
}

HttpClient::Target HttpClient::Crack(const std::wstring& url) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
    throw std::invalid_argument("not a URL");
  }
  Target target;
  target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  target.port = parts.nPort;
  target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  if (parts.nScheme != INTERNET_SCHEME_HTTPS && parts.nScheme != INTERNET_SCHEME_HTTP) {
    throw std::invalid_argument("neither http nor https");
  }
  if (!target.secure && !IsLoopbackHost(target.host)) {
    throw std::invalid_argument("plain http to a host that is not this machine");
  }
  if (parts.lpszUrlPath) target.pathAndQuery.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) target.pathAndQuery.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  return target;
}

// The user's proxy: Internet Explorer's settings of the current user, read with
// WinHttpGetIEProxyConfigForCurrentUser — a named proxy with its bypass list, or a proxy script
// (or its automatic detection) asked per address with WinHttpGetProxyForUrl
// (https://learn.microsoft.com/en-us/windows/desktop/api/winhttp/nf-winhttp-winhttpgetieproxyconfigforcurrentuser,
// https://learn.microsoft.com/en-us/windows/win32/api/winhttp/ns-winhttp-winhttp_current_user_ie_proxy_config).
// Without settings, WinHTTP's own (netsh winhttp) apply.
HttpClient::HttpClient(const std::wstring& baseUrl) : base_(Crack(baseUrl)) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  bool haveUser = WinHttpGetIEProxyConfigForCurrentUser(&user) != FALSE;
  DWORD access = WINHTTP_ACCESS_TYPE_DEFAULT_PROXY;
  std::wstring proxy, bypass;
  if (haveUser) {
    if (user.lpszProxy && *user.lpszProxy) {
      access = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
      proxy = user.lpszProxy;
      bypass = user.lpszProxyBypass ? user.lpszProxyBypass : L"";
    }
    if (user.lpszAutoConfigUrl) autoConfigUrl_ = user.lpszAutoConfigUrl;
    autoDetect_ = user.fAutoDetect != FALSE;
    FreeGlobal(user.lpszProxy);
    FreeGlobal(user.lpszProxyBypass);
    FreeGlobal(user.lpszAutoConfigUrl);
  }
  session_ = WinHttpOpen(L"Kavro", access, proxy.empty() ? WINHTTP_NO_PROXY_NAME : proxy.c_str(),
                         bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : bypass.c_str(), 0);
  if (!session_) throw std::runtime_error("WinHttpOpen failed");
  WinHttpSetTimeouts(session_, 0, 30000, 120000, 300000);
}

HttpClient::~HttpClient() {
  if (session_) WinHttpCloseHandle(session_);
}

void HttpClient::UseProxyFor(HINTERNET request, const Target& target, const std::wstring& url) {
  if (IsLoopbackHost(target.host)) {
    WINHTTP_PROXY_INFO none{WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr};
    WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &none, sizeof(none));
    return;
  }
  if (autoConfigUrl_.empty() && !autoDetect_) return;
  WINHTTP_AUTOPROXY_OPTIONS options{};
  if (!autoConfigUrl_.empty()) {
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = autoConfigUrl_.c_str();
  } else {
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info{};
  if (WinHttpGetProxyForUrl(session_, url.c_str(), &options, &info)) {
    WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof(info));
    FreeGlobal(info.lpszProxy);
    FreeGlobal(info.lpszProxyBypass);
  }
}

HttpAnswer HttpClient::Send(const Request& request, const std::string& bearer) {
  bool whole = request.path.rfind("http://", 0) == 0 || request.path.rfind("https://", 0) == 0;
  if (!whole) {
    Target target = base_;
    target.pathAndQuery += win::FromUtf8(request.path);
    return SendTo(target, request, bearer);
  }
  Target target;
  try {
    target = Crack(win::FromUtf8(request.path));
  } catch (const std::invalid_argument&) {
    return {0, ERROR_WINHTTP_UNRECOGNIZED_SCHEME, {}, {}};
  }
  return SendTo(target, request, bearer);
}

HttpAnswer HttpClient::SendTo(const Target& target, const Request& request,
                              const std::string& bearer) {
  Handle connection(WinHttpConnect(session_, target.host.c_str(), target.port, 0));
  if (!connection.Get()) return NoAnswer();
  std::wstring method = win::FromUtf8(request.method);
  Handle handle(WinHttpOpenRequest(connection.Get(), method.c_str(), target.pathAndQuery.c_str(),
                                   nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                   target.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!handle.Get()) return NoAnswer();
  std::wstring url = std::wstring(target.secure ? L"https://" : L"http://") + target.host + L":" +
                     std::to_wstring(target.port) + target.pathAndQuery;
  UseProxyFor(handle.Get(), target, url);
  std::wstring headers;
  for (const auto& [name, value] : request.headers) {
    headers += win::FromUtf8(name) + L": " + win::FromUtf8(value) + L"\r\n";
  }
  if (!bearer.empty()) headers += L"Authorization: Bearer " + win::FromUtf8(bearer) + L"\r\n";
  auto size = static_cast<DWORD>(request.body.size());
  BOOL sent = WinHttpSendRequest(
      handle.Get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
      headers.empty() ? 0 : static_cast<DWORD>(-1),
      size ? const_cast<char*>(request.body.data()) : WINHTTP_NO_REQUEST_DATA, size, size, 0);
  if (!sent || !WinHttpReceiveResponse(handle.Get(), nullptr)) return NoAnswer();

  HttpAnswer answer;
  DWORD status = 0, length = sizeof(status);
  WinHttpQueryHeaders(handle.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &length, WINHTTP_NO_HEADER_INDEX);
  answer.status = static_cast<int>(status);
  wchar_t retry[64] = {};
  length = sizeof(retry);
  if (WinHttpQueryHeaders(handle.Get(), WINHTTP_QUERY_RETRY_AFTER, WINHTTP_HEADER_NAME_BY_INDEX,
                          retry, &length, WINHTTP_NO_HEADER_INDEX)) {
    answer.retryAfter = win::ToUtf8(retry);
  }
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(handle.Get(), &available)) return NoAnswer();
    if (available == 0) break;
    size_t at = answer.body.size();
    answer.body.resize(at + available);
    DWORD read = 0;
    if (!WinHttpReadData(handle.Get(), answer.body.data() + at, available, &read)) {
      return NoAnswer();
    }
    answer.body.resize(at + read);
  }
  return answer;
}

}  // namespace kavro::cloud
