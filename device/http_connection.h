// A small HTTP/1.1 client for GET requests: a connection per request (kept for the answer to
// a login challenge when the server allows it), connect and every wait for the reply bounded
// by the caller's time-out, a 401 challenge answered once with the login (Basic, or Digest
// with MD5, with or without qop), and the body delimited by Content-Length, chunked encoding
// or the connection's close. Nothing is kept from one request to the next.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace http {

struct GetRequest {
  std::string host;    // dotted IPv4 address or a name
  int port = 80;
  std::string target;  // path and query; made safe (http_url.h) before it is sent
  int timeoutMs = 10000;
  std::string agent = "Dorvik";
  // Login that answers a 401 challenge; with answerChallenge false a 401 is returned as is.
  bool answerChallenge = false;
  std::string user, password;
};

struct GetResult {
  int status = 0;
  std::vector<std::pair<std::string, std::string>> headers;  // as received, last reply
  int bodyBytes = 0;      // bytes stored in the buffer
  bool truncated = false; // the body went on beyond what the buffer holds
  std::string Header(const std::string& name) const;  // first one, name without case
};

// Sends the GET and stores the body of the (last) reply in `buf`: at most size - 1 bytes,
// then a NUL, reading until the body ends or the buffer is full. Returns false when no
// answer was had (no connection, a time-out, a reset, a reply that is not HTTP); the
// buffer then holds what it held, or an empty text.
bool Get(const GetRequest& req, char* buf, int size, GetResult* result);

}  // namespace http
