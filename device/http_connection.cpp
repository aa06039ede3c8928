#include "device/http_connection.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "device/http_auth.h"
#include "device/http_url.h"
#include "port/net.h"
#include "port/resolve.h"

namespace http {
namespace {

const std::size_t kMaxHead = 64 * 1024;

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

// One TCP connection and the bytes received on it that are not consumed yet.
class Connection {
 public:
  explicit Connection(int timeoutMs) : m_timeoutMs(timeoutMs) {}
  ~Connection() {
    if (m_socket != port::kInvalidSocket) port::CloseSocket(m_socket);
  }
  bool Open(const std::string& ip, int p) {
    m_socket = port::TcpSocket();
    return m_socket != port::kInvalidSocket &&
           port::ConnectTimeout(m_socket, ip, static_cast<std::uint16_t>(p), m_timeoutMs);
  }
  bool Send(const std::string& data) { return port::SendAll(m_socket, data.data(), data.size(), m_timeoutMs); }

  // Receives more bytes. 1 = got some, 0 = the peer closed, -1 = error or time-out.
  int More() {
    char tmp[8192];
    int n = port::RecvSome(m_socket, tmp, sizeof tmp, m_timeoutMs);
    if (n > 0) {
      m_in.append(tmp, static_cast<std::size_t>(n));
      m_received += static_cast<std::size_t>(n);
      return 1;
    }
    return n == 0 ? 0 : -1;
  }
  std::size_t Available() const { return m_in.size() - m_pos; }
  std::size_t Received() const { return m_received; }
  // Makes at least n unconsumed bytes available; the More() code that stopped it otherwise.
  int Need(std::size_t n) {
    while (Available() < n) {
      int r = More();
      if (r <= 0) return r;
    }
    return 1;
  }
  // One line without its CR LF; false when none comes.
  bool Line(std::string* line, std::size_t maxLen) {
    for (;;) {
      std::size_t e = m_in.find('\n', m_pos);
      if (e != std::string::npos) {
        *line = m_in.substr(m_pos, e - m_pos);
        if (!line->empty() && line->back() == '\r') line->pop_back();
        m_pos = e + 1;
        return true;
      }
      if (Available() > maxLen || More() <= 0) return false;
    }
  }
  // Moves up to n unconsumed bytes out.
  std::size_t Take(char* dst, std::size_t n) {
    std::size_t k = Available() < n ? Available() : n;
    if (dst) std::memcpy(dst, m_in.data() + m_pos, k);
    m_pos += k;
    if (m_pos > 65536 && m_pos == m_in.size()) {
      m_in.clear();
      m_pos = 0;
    }
    return k;
  }

 private:
  int m_timeoutMs;
  port::socket_t m_socket = port::kInvalidSocket;
  std::string m_in;
  std::size_t m_pos = 0;
  std::size_t m_received = 0;
};

// Reads the status line and headers of one reply. False when it is not an HTTP reply.
bool ReadHead(Connection& c, GetResult* r) {
  std::string line;
  std::size_t total = 0;
  if (!c.Line(&line, kMaxHead)) return false;
  // "HTTP/1.1 200 OK"
  if (line.compare(0, 5, "HTTP/") != 0) return false;
  std::size_t sp = line.find(' ');
  if (sp == std::string::npos || sp + 4 > line.size()) return false;
  for (int i = 1; i <= 3; ++i)
    if (!std::isdigit(static_cast<unsigned char>(line[sp + static_cast<std::size_t>(i)]))) return false;
  r->status = std::atoi(line.c_str() + sp + 1);
  r->headers.clear();
  for (;;) {
    if (!c.Line(&line, kMaxHead)) return false;
    total += line.size();
    if (total > kMaxHead) return false;
    if (line.empty()) return true;
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    r->headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
  }
}

// Copies up to n body bytes into the buffer while it has room, discarding nothing else.
// Returns the More() code when the connection stopped before n bytes came.
int CopyBody(Connection& c, std::size_t n, char* buf, std::size_t room, std::size_t* stored, bool* full) {
  while (n > 0) {
    if (*stored >= room) {
      *full = true;
      return 1;
    }
    if (c.Available() == 0) {
      int m = c.More();
      if (m <= 0) return m;
    }
    std::size_t want = n < room - *stored ? n : room - *stored;
    std::size_t k = c.Take(buf + *stored, want);
    *stored += k;
    n -= k;
  }
  return 1;
}

// Reads the body after the head. False on a broken or timed-out body.
bool ReadBody(Connection& c, GetResult* r, char* buf, std::size_t room) {
  std::size_t stored = 0;
  bool full = false, ok = true;
  std::string te = r->Header("Transfer-Encoding");
  std::string cl = r->Header("Content-Length");
  if (r->status == 204 || r->status == 304) {
    // no body
  } else if (!te.empty() && te.find("chunked") != std::string::npos) {
    for (;;) {
      std::string line;
      if (!c.Line(&line, 1024)) {
        ok = false;
        break;
      }
      if (Trim(line).empty()) continue;  // the CR LF that ends the previous chunk
      char* end = nullptr;
      unsigned long long size = std::strtoull(line.c_str(), &end, 16);
      if (end == line.c_str()) {
        ok = false;
        break;
      }
      if (size == 0) break;
      if (CopyBody(c, static_cast<std::size_t>(size), buf, room, &stored, &full) <= 0) {
        ok = false;
        break;
      }
      if (full) break;
    }
  } else if (!cl.empty()) {
    unsigned long long length = std::strtoull(cl.c_str(), nullptr, 10);
    if (CopyBody(c, static_cast<std::size_t>(length), buf, room, &stored, &full) <= 0) ok = false;
  } else {
    // Delimited by the close of the connection.
    for (;;) {
      int m = CopyBody(c, room + 1, buf, room, &stored, &full);
      if (full) break;
      if (m == 0) break;
      if (m < 0) {
        ok = false;
        break;
      }
    }
  }
  buf[stored] = '\0';
  r->bodyBytes = static_cast<int>(stored);
  r->truncated = full;
  return ok;
}

// One request and its reply on an open connection. `keepOpen` asks the server to keep the
// connection for a further request.
bool Exchange(Connection& c, const GetRequest& req, const std::string& target, const std::string& authorization,
              bool keepOpen, char* buf, std::size_t room, GetResult* r) {
  buf[0] = '\0';
  r->bodyBytes = 0;
  r->truncated = false;
  std::string host = req.host;
  if (req.port != 80) host += ":" + std::to_string(req.port);
  std::string msg = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
  if (IsHeaderSafe(req.agent)) msg += "User-Agent: " + req.agent + "\r\n";
  msg += "Accept: */*\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n";
  msg += keepOpen ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
  if (!authorization.empty()) msg += "Authorization: " + authorization + "\r\n";
  msg += "\r\n";
  if (!c.Send(msg)) return false;
  do {
    if (!ReadHead(c, r)) return false;
  } while (r->status >= 100 && r->status < 200);
  // A failure status with a broken body is still the device's answer.
  return ReadBody(c, r, buf, room) || r->status != 200;
}

// Whether the connection can carry another request after this reply: the server did not
// close it and the body was delimited and read to its end.
bool Reusable(const GetResult& r) {
  if (r.truncated) return false;
  std::string conn = r.Header("Connection");
  for (char& ch : conn) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (conn.find("close") != std::string::npos) return false;
  return !r.Header("Content-Length").empty() || r.Header("Transfer-Encoding").find("chunked") != std::string::npos;
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
  for (char ch : req.host)
    if (!(std::isalnum(static_cast<unsigned char>(ch)) || ch == '.' || ch == '-' || ch == '_')) return false;
  if (req.port < 1 || req.port > 65535 || !port::NetInit() || !port::ResolveIPv4(req.host, &ip)) return false;
  const std::string target = SafeTarget(req.target);
  std::unique_ptr<Connection> c(new Connection(req.timeoutMs));
  if (!c->Open(ip, req.port)) return false;
  // With a login to give, the connection is kept for the answer to a challenge.
  if (!Exchange(*c, req, target, std::string(), req.answerChallenge, buf, room, result)) return false;
  if (result->status != 401 || !req.answerChallenge) return true;
  std::vector<std::string> offered;
  for (const auto& h : result->headers)
    if (SameText(h.first, "WWW-Authenticate")) offered.push_back(h.second);
  AuthChallenge ch;
  if (!ChooseChallenge(offered, &ch)) return true;
  std::string authorization = SameText(ch.scheme, "Digest")
                                  ? DigestAuthorization(ch, "GET", target, req.user, req.password, MakeCnonce())
                                  : BasicAuthorization(req.user, req.password);
  if (Reusable(*result)) {
    std::size_t before = c->Received();
    if (Exchange(*c, req, target, authorization, false, buf, room, result)) return true;
    // A server may drop a kept connection without saying so: nothing came back, so the
    // request is sent again on a new one.
    if (c->Received() != before) return false;
  }
  c.reset(new Connection(req.timeoutMs));
  if (!c->Open(ip, req.port)) return false;
  return Exchange(*c, req, target, authorization, false, buf, room, result);
}

}  // namespace http
