#include "standin_aps/http_server.h"

#include <ws2tcpip.h>

#include <stdexcept>
#include <thread>

namespace standin_aps {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Trimmed(const std::string& text) {
  size_t from = text.find_first_not_of(" \t");
  size_t to = text.find_last_not_of(" \t\r");
  return from == std::string::npos ? std::string() : text.substr(from, to - from + 1);
}

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 409:
      return "Conflict";
    case 429:
      return "Too Many Requests";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

bool SendAll(SOCKET s, const std::string& bytes) {
  size_t at = 0;
  while (at < bytes.size()) {
    int sent = send(s, bytes.data() + at, static_cast<int>(bytes.size() - at), 0);
    if (sent <= 0) return false;
    at += static_cast<size_t>(sent);
  }
  return true;
}

}  // namespace

std::string HttpRequest::Header(const std::string& lowerName) const {
  auto found = headers.find(lowerName);
  return found == headers.end() ? std::string() : found->second;
}

HttpServer::HttpServer(Handler handler) : handler_(std::move(handler)) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup");
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof(address);
  if (listener_ == INVALID_SOCKET ||
      bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener_, SOMAXCONN) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
}

HttpServer::~HttpServer() {
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
  WSACleanup();
}

void HttpServer::Serve() {
  for (;;) {
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    std::thread([this, client] {
      Answer(client);
      shutdown(client, SD_SEND);
      closesocket(client);
    }).detach();
  }
}

void HttpServer::Answer(SOCKET client) {
  std::string data;
  char buffer[65536];
  size_t headEnd;
  while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
    int got = recv(client, buffer, sizeof(buffer), 0);
    if (got <= 0) return;
    data.append(buffer, static_cast<size_t>(got));
  }
  HttpRequest request;
  size_t lineEnd = data.find("\r\n");
  std::string first = data.substr(0, lineEnd);
  size_t space1 = first.find(' '), space2 = first.rfind(' ');
  if (space1 == std::string::npos || space2 == space1) return;
  request.method = first.substr(0, space1);
  std::string target = first.substr(space1 + 1, space2 - space1 - 1);
  size_t question = target.find('?');
  request.path = target.substr(0, question);
  if (question != std::string::npos) request.query = target.substr(question + 1);
  size_t at = lineEnd + 2;
  while (at < headEnd) {
    size_t end = data.find("\r\n", at);
    std::string line = data.substr(at, end - at);
    size_t colon = line.find(':');
    if (colon != std::string::npos) {
      request.headers[Lower(line.substr(0, colon))] = Trimmed(line.substr(colon + 1));
    }
    at = end + 2;
  }
  size_t length = 0;
  std::string declared = request.Header("content-length");
  if (!declared.empty()) length = std::stoul(declared);
  request.body = data.substr(headEnd + 4);
  while (request.body.size() < length) {
    int got = recv(client, buffer, sizeof(buffer), 0);
    if (got <= 0) return;
    request.body.append(buffer, static_cast<size_t>(got));
  }
  request.body.resize(length);
  HttpResponse response = handler_(request);
  std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) +
                     "\r\nContent-Type: " + response.contentType +
                     "\r\nContent-Length: " + std::to_string(response.body.size()) +
                     "\r\nConnection: close\r\n";
  for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
  SendAll(client, head + "\r\n" + response.body);
}

}  // namespace standin_aps
