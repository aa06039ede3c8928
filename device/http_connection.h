// A small HTTP/1.1 client for GET requests: one request per connection, a 401 challenge
// answered once with the login (Basic, or Digest with MD5, with or without qop) on a new
// connection, and the body delimited by Content-Length, chunked encoding or the connection's
// orderly close. Nothing is kept from one request to the next.
//
// Every wait is bounded: connect and each receive by the caller's time-out, the whole request
// by kWholeRequestTimeouts of them plus the time its bytes take at kSaneBytesPerSecond (a
// transfer at that rate or faster is never cut; one that drips is), the heads of a reply
// (interim ones included) by kMaxHeadBytes, the interim replies by kMaxInterimReplies. A
// request is abandoned at once when its thread is asked to stop (port/stop_scope.h). A request
// is never sent twice: once it may have reached the server, a failure is the answer.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace http {

constexpr std::size_t kMaxHeadBytes = 64 * 1024;
constexpr int kMaxInterimReplies = 8;
constexpr int kWholeRequestTimeouts = 2;
constexpr std::uint64_t kSaneBytesPerSecond = 16 * 1024;

// One byte stream to a server: a TCP connection unless a test or a fuzzer scripts one.
class Stream {
 public:
  virtual ~Stream() = default;
  // Connects within timeoutMs.
  virtual bool Open(const std::string& ip, int port, int timeoutMs) = 0;
  // Sends every byte; false when the stream failed, stalled for timeoutMs or was stopped.
  virtual bool Send(const std::string& data, int timeoutMs) = 0;
  // Receives up to len bytes, waiting at most timeoutMs: the count, 0 when the server closed,
  // or port::kNetFailed, port::kNetTimedOut, port::kNetStopped (port/net.h).
  virtual int Receive(char* buf, int len, int timeoutMs) = 0;
};

// Makes the stream of each connection of a request.
using StreamMaker = std::function<std::unique_ptr<Stream>()>;

struct GetRequest {
  std::string host;    // dotted IPv4 address; a name only with allowHostName
  int port = 80;
  std::string target;  // path and query; made safe (http_url.h) before it is sent
  int timeoutMs = 10000;
  // The connection must be made within this (0: within timeoutMs), the rest of the request
  // still has timeoutMs: an address with nothing behind it is given up sooner than a device
  // that is slow to answer.
  int connectTimeoutMs = 0;
  std::string agent = "Dorvik";
  // Login that answers a 401 challenge; with answerChallenge false a 401 is returned as is.
  bool answerChallenge = false;
  std::string user, password;
  // Whether host may be a name for the system's resolver. Addresses that came from devices,
  // datagrams or files never are: they are taken as dotted addresses or not at all.
  bool allowHostName = false;
  StreamMaker streams;  // empty: TCP connections
};

struct GetResult {
  int status = 0;
  std::vector<std::pair<std::string, std::string>> headers;  // as received, last reply
  int bodyBytes = 0;      // bytes stored in the buffer
  bool truncated = false; // the body went on beyond what the buffer holds
  bool complete = false;  // the body was read to its end
  int connections = 0;    // connections opened for the request
  std::string Header(const std::string& name) const;  // first one, name without case
};

// Sends the GET and stores the body of the (last) reply in `buf`: at most size - 1 bytes,
// then a NUL, reading until the body ends or the buffer is full (a longer body is cut there
// and is the answer). Returns false when no answer was had (no connection, a time-out, a
// reset, a close before the body's end, a stop, a reply that is not HTTP): nothing of a
// 200's body cut off that way is handed on, and the buffer then holds an empty text.
bool Get(const GetRequest& req, char* buf, int size, GetResult* result);

}  // namespace http
