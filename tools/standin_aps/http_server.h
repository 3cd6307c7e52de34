#pragma once
// A small HTTP/1.1 server on 127.0.0.1 (Winsock): one thread per connection, one request per
// connection ("Connection: close"), bodies by Content-Length. Enough for WinHTTP as a client.
#include <winsock2.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace standin_aps {

struct HttpRequest {
  std::string method, path, query;             // path without the query
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
  std::string Header(const std::string& lowerName) const;
};

struct HttpResponse {
  int status = 200;
  std::string body;
  std::string contentType = "application/json";
  std::vector<std::pair<std::string, std::string>> headers;
};

using Handler = std::function<HttpResponse(const HttpRequest&)>;

class HttpServer {
 public:
  explicit HttpServer(Handler handler);  // throws std::runtime_error when it cannot listen
  ~HttpServer();
  int Port() const { return port_; }
  void Serve();  // accepts until the process ends

 private:
  void Answer(SOCKET client);
  Handler handler_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
};

}  // namespace standin_aps
