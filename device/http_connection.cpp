#include "device/http_connection.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "device/http_auth.h"
#include "device/http_url.h"
#include "port/net.h"
#include "port/resolve.h"
#include "port/sync.h"

namespace http {
namespace {

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  std::size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// A TCP connection through the socket layer.
class SocketStream : public Stream {
 public:
  ~SocketStream() override {
    if (m_socket != port::kInvalidSocket) port::CloseSocket(m_socket);
  }
  bool Open(const std::string& ip, int p, int timeoutMs) override {
    m_socket = port::TcpSocket();
    return m_socket != port::kInvalidSocket &&
           port::ConnectTimeout(m_socket, ip, static_cast<std::uint16_t>(p), timeoutMs);
  }
  bool Send(const std::string& data, int timeoutMs) override {
    return port::SendAll(m_socket, data.data(), data.size(), timeoutMs);
  }
  int Receive(char* buf, int len, int timeoutMs) override { return port::RecvSome(m_socket, buf, len, timeoutMs); }

 private:
  port::socket_t m_socket = port::kInvalidSocket;
};

// Read results: 1 = done, else what the stream answered (0 closed, or a port::kNet code);
// kNotHttp when the bytes are not what HTTP allows there.
constexpr int kDone = 1;
constexpr int kNotHttp = port::kNetFailed;

// The bound on a whole request: kWholeRequestTimeouts time-outs from its start, and on top
// of them the time its received bytes take at kSaneBytesPerSecond. A transfer that keeps to
// that rate never reaches the bound; a device that drips bytes does, soon after the
// time-outs.
class RequestClock {
 public:
  explicit RequestClock(int timeoutMs)
      : m_timeoutMs(timeoutMs),
        m_start(port::SteadyMs()),
        m_base(static_cast<std::int64_t>(timeoutMs) * kWholeRequestTimeouts) {}
  int TimeoutMs() const { return m_timeoutMs; }
  void Received(int n) { m_bytes += static_cast<std::uint64_t>(n); }
  std::int64_t Deadline() const {
    return m_start + m_base + static_cast<std::int64_t>(m_bytes * 1000 / kSaneBytesPerSecond);
  }

 private:
  int m_timeoutMs;
  std::int64_t m_start;
  std::int64_t m_base;
  std::uint64_t m_bytes = 0;
};

// One connection and the bytes received on it that are not consumed yet. Every wait ends
// by the request's bound.
class Connection {
 public:
  Connection(std::unique_ptr<Stream> stream, RequestClock& clock) : m_stream(std::move(stream)), m_clock(clock) {}

  bool Open(const std::string& ip, int p, int connectTimeoutMs) {
    const int wait = WaitMs();
    return m_stream->Open(ip, p, connectTimeoutMs > 0 && connectTimeoutMs < wait ? connectTimeoutMs : wait);
  }
  bool Send(const std::string& data) { return m_stream->Send(data, WaitMs()); }

  // Receives more bytes: kDone, or the stream's code.
  int More() {
    const int wait = WaitMs();
    if (wait <= 0) return port::kNetTimedOut;
    char tmp[8192];
    int n = m_stream->Receive(tmp, sizeof tmp, wait);
    if (n <= 0) return n;
    m_clock.Received(n);
    // What was consumed goes before the buffer grows.
    if (m_pos > 0 && m_pos * 2 >= m_in.size()) {
      m_in.erase(0, m_pos);
      m_pos = 0;
    }
    m_in.append(tmp, static_cast<std::size_t>(n > static_cast<int>(sizeof tmp) ? sizeof tmp : n));
    return kDone;
  }
  std::size_t Available() const { return m_in.size() - m_pos; }
  // One line without its CR LF, of at most maxLen bytes: kDone, or why none came.
  int Line(std::string* line, std::size_t maxLen) {
    for (;;) {
      std::size_t e = m_in.find('\n', m_pos);
      if (e != std::string::npos) {
        if (e - m_pos > maxLen) return kNotHttp;
        *line = m_in.substr(m_pos, e - m_pos);
        if (!line->empty() && line->back() == '\r') line->pop_back();
        m_pos = e + 1;
        return kDone;
      }
      if (Available() > maxLen) return kNotHttp;
      int r = More();
      if (r != kDone) return r;
    }
  }
  // Moves up to n unconsumed bytes out.
  std::size_t Take(char* dst, std::size_t n) {
    std::size_t k = Available() < n ? Available() : n;
    if (dst && k) std::memcpy(dst, m_in.data() + m_pos, k);
    m_pos += k;
    return k;
  }

 private:
  int WaitMs() const {
    std::int64_t left = m_clock.Deadline() - port::SteadyMs();
    if (left <= 0) return 0;
    return left < m_clock.TimeoutMs() ? static_cast<int>(left) : m_clock.TimeoutMs();
  }

  std::unique_ptr<Stream> m_stream;
  RequestClock& m_clock;
  std::string m_in;
  std::size_t m_pos = 0;
};

// Reads the status line and headers of one reply; `headBytes` counts every head byte of the
// exchange. kDone, or why not.
int ReadHead(Connection& c, GetResult* r, std::size_t* headBytes) {
  std::string line;
  int got = c.Line(&line, kMaxHeadBytes - *headBytes);
  if (got != kDone) return got;
  *headBytes += line.size() + 2;
  // "HTTP/1.1 200 OK"
  if (line.compare(0, 5, "HTTP/") != 0) return kNotHttp;
  std::size_t sp = line.find(' ');
  if (sp == std::string::npos || sp + 4 > line.size()) return kNotHttp;
  for (int i = 1; i <= 3; ++i)
    if (!std::isdigit(static_cast<unsigned char>(line[sp + static_cast<std::size_t>(i)]))) return kNotHttp;
  r->status = std::atoi(line.c_str() + sp + 1);
  r->headers.clear();
  for (;;) {
    if (*headBytes >= kMaxHeadBytes) return kNotHttp;
    got = c.Line(&line, kMaxHeadBytes - *headBytes);
    if (got != kDone) return got;
    *headBytes += line.size() + 2;
    if (line.empty()) return kDone;
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    r->headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
  }
}

// Copies up to n body bytes into the buffer while it has room. kDone when the n bytes came or
// the buffer is full (*full set), else why not.
int CopyBody(Connection& c, std::uint64_t n, char* buf, std::size_t room, std::size_t* stored, bool* full) {
  while (n > 0) {
    if (*stored >= room) {
      *full = true;
      return kDone;
    }
    if (c.Available() == 0) {
      int m = c.More();
      if (m != kDone) return m;
    }
    std::size_t want = room - *stored;
    if (n < want) want = static_cast<std::size_t>(n);
    std::size_t k = c.Take(buf + *stored, want);
    *stored += k;
    n -= k;
  }
  return kDone;
}

// A Content-Length value: decimal digits only. False for anything else.
bool ParseLength(const std::string& text, std::uint64_t* out) {
  if (text.empty() || text.size() > 19) return false;
  std::uint64_t v = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return false;
    v = v * 10 + static_cast<std::uint64_t>(ch - '0');
  }
  *out = v;
  return true;
}

// Reads the chunks of a chunked body and the trailer after the last one.
int ReadChunked(Connection& c, char* buf, std::size_t room, std::size_t* stored, bool* full, std::size_t* headBytes) {
  for (;;) {
    std::string line;
    int got = c.Line(&line, 1024);
    if (got != kDone) return got;
    if (Trim(line).empty()) continue;  // the CR LF that ends the previous chunk
    char* end = nullptr;
    unsigned long long size = std::strtoull(line.c_str(), &end, 16);
    if (end == line.c_str()) return kNotHttp;
    if (size == 0) break;
    got = CopyBody(c, size, buf, room, stored, full);
    if (got != kDone || *full) return got;
  }
  // The trailer: header lines up to an empty line. Left unread it would be taken for the
  // next reply on this connection.
  for (;;) {
    std::string line;
    int got = c.Line(&line, kMaxHeadBytes - *headBytes);
    if (got != kDone) return got;
    *headBytes += line.size() + 2;
    if (line.empty()) return kDone;
    if (*headBytes >= kMaxHeadBytes) return kNotHttp;
  }
}

// Reads the body after the head. kDone when it was read to its end or the buffer filled;
// else why not: a body cut off by a time-out, a reset or an early close is no body.
int ReadBody(Connection& c, GetResult* r, char* buf, std::size_t room, std::size_t* headBytes) {
  std::size_t stored = 0;
  bool full = false;
  int got = kDone;
  std::uint64_t length = 0;
  const std::string te = r->Header("Transfer-Encoding");
  if (r->status == 204 || r->status == 304) {
    // no body
  } else if (!te.empty() && te.find("chunked") != std::string::npos) {
    got = ReadChunked(c, buf, room, &stored, &full, headBytes);
  } else if (ParseLength(r->Header("Content-Length"), &length)) {
    got = CopyBody(c, length, buf, room, &stored, &full);
  } else {
    // Delimited by the close of the connection: whole only when it closes in order.
    got = CopyBody(c, UINT64_MAX, buf, room, &stored, &full);
    if (got == 0) got = kDone;
  }
  buf[stored] = '\0';
  r->bodyBytes = static_cast<int>(stored);
  r->truncated = full;
  r->complete = got == kDone && !full;
  return got;
}

// One request and its reply on an open connection, which carries nothing more. True when a
// reply was had.
bool Exchange(Connection& c, const GetRequest& req, const std::string& target, const std::string& authorization,
              char* buf, std::size_t room, GetResult* r) {
  buf[0] = '\0';
  r->status = 0;
  r->headers.clear();
  r->bodyBytes = 0;
  r->truncated = false;
  r->complete = false;
  std::string host = req.host;
  if (req.port != 80) host += ":" + std::to_string(req.port);
  std::string msg = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
  if (IsHeaderSafe(req.agent)) msg += "User-Agent: " + req.agent + "\r\n";
  msg += "Accept: */*\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n";
  msg += "Connection: close\r\n";
  if (!authorization.empty()) msg += "Authorization: " + authorization + "\r\n";
  msg += "\r\n";
  if (!c.Send(msg)) return false;
  std::size_t headBytes = 0;
  for (int interim = 0;; ++interim) {
    if (ReadHead(c, r, &headBytes) != kDone) return false;
    if (r->status < 100 || r->status >= 200) break;
    if (interim == kMaxInterimReplies) return false;
  }
  // A failure status with a broken body is still the device's answer.
  if (ReadBody(c, r, buf, room, &headBytes) == kDone) return true;
  buf[0] = '\0';
  r->bodyBytes = 0;
  return r->status != 200;
}

}  // namespace

std::string GetResult::Header(const std::string& name) const {
  for (const auto& h : headers)
    if (SameText(h.first, name)) return h.second;
  return std::string();
}

bool Get(const GetRequest& req, char* buf, int size, GetResult* result) {
  *result = GetResult();
  char spare[1];
  if (!buf || size <= 0) {
    buf = spare;
    size = 1;
  }
  buf[0] = '\0';
  const std::size_t room = static_cast<std::size_t>(size) - 1;
  std::string ip;
  std::uint32_t numeric = 0;
  if (req.port < 1 || req.port > 65535 || !port::NetInit()) return false;
  if (port::ParseIPv4(req.host, &numeric)) {
    ip = port::FormatIPv4(numeric);
  } else {
    if (!req.allowHostName) return false;
    for (char ch : req.host)
      if (!(std::isalnum(static_cast<unsigned char>(ch)) || ch == '.' || ch == '-' || ch == '_')) return false;
    if (!port::ResolveIPv4(req.host, &ip)) return false;
  }
  const std::string target = SafeTarget(req.target);
  RequestClock clock(req.timeoutMs > 0 ? req.timeoutMs : 1);
  auto open = [&]() -> std::unique_ptr<Connection> {
    std::unique_ptr<Stream> s = req.streams ? req.streams() : std::unique_ptr<Stream>(new SocketStream);
    if (!s) return nullptr;
    std::unique_ptr<Connection> c(new Connection(std::move(s), clock));
    ++result->connections;
    if (!c->Open(ip, req.port, req.connectTimeoutMs)) return nullptr;
    return c;
  };
  auto fail = [&] {
    buf[0] = '\0';
    result->bodyBytes = 0;
    return false;
  };

  std::unique_ptr<Connection> c = open();
  if (!c) return fail();
  if (!Exchange(*c, req, target, std::string(), buf, room, result)) return fail();
  if (result->status != 401 || !req.answerChallenge) return true;
  std::vector<std::string> offered;
  for (const auto& h : result->headers)
    if (SameText(h.first, "WWW-Authenticate")) offered.push_back(h.second);
  AuthChallenge ch;
  if (!ChooseChallenge(offered, &ch)) return true;
  std::string authorization = SameText(ch.scheme, "Digest")
                                  ? DigestAuthorization(ch, "GET", target, req.user, req.password, MakeCnonce())
                                  : BasicAuthorization(req.user, req.password);
  // The answer goes on a connection of its own: many servers close theirs after a challenge,
  // some a moment later and without a word, so the first one is never trusted with it. Once
  // sent, the answer is never sent again: a request that may have reached the device must not
  // reach it twice.
  c.reset();
  c = open();
  if (!c) return fail();
  if (!Exchange(*c, req, target, authorization, buf, room, result)) return fail();
  return true;
}

}  // namespace http
