#include "tools/devsim/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "device/http_auth.h"
#include "port/net.h"
#include "tools/devsim/multipart_scan.h"
#include "tools/devsim/upgrade_state.h"

namespace devsim {
namespace {

const char kRealm[] = "dorvik-sim";
const std::size_t kMaxHeader = 64 * 1024;
const std::size_t kMaxBody = 256u * 1024 * 1024;
const int kIdleMs = 30000;


std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  std::size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

bool SendAllFd(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t k = send(fd, p, n, MSG_NOSIGNAL);
    if (k <= 0) {
      if (k < 0 && errno == EINTR) continue;
      return false;
    }
    p += k;
    n -= static_cast<std::size_t>(k);
  }
  return true;
}

}  // namespace

void HttpRegistry::Add(const std::string& pathPrefix, HttpHandler handler, bool requireLogin) {
  m_entries.push_back(Entry{pathPrefix, std::move(handler), requireLogin});
}

const HttpHandler* HttpRegistry::Find(const std::string& path, bool* requireLogin) const {
  const Entry* best = nullptr;
  for (const Entry& e : m_entries)
    if (path.compare(0, e.prefix.size(), e.prefix) == 0 && (!best || e.prefix.size() > best->prefix.size()))
      best = &e;
  if (!best) return nullptr;
  *requireLogin = best->requireLogin;
  return &best->handler;
}

std::vector<FailRule> FailRules(const SimDevice& d) {
  std::vector<FailRule> out;
  for (const auto& kv : d.extra) {
    if (kv.first.compare(0, 4, "fail") != 0) continue;
    std::size_t colon = kv.second.find(':');
    if (colon == std::string::npos) continue;
    FailRule r;
    r.prefix = kv.second.substr(0, colon);
    std::string acts = kv.second.substr(colon + 1);
    // "body=TEXT" takes the rest of the value, '+' included.
    std::size_t p = 0;
    while (p < acts.size()) {
      if (acts.compare(p, 5, "body=") == 0) {
        r.actions.push_back(acts.substr(p));
        break;
      }
      std::size_t e = acts.find('+', p);
      if (e == std::string::npos) e = acts.size();
      r.actions.push_back(acts.substr(p, e - p));
      p = e + 1;
    }
    out.push_back(r);
  }
  return out;
}

void ApplyFailure(const FailRule& rule, HttpReply* reply) {
  for (const std::string& a : rule.actions) {
    if (a == "error") {
      reply->body = "ERROR\n";
    } else if (a.compare(0, 6, "status") == 0) {
      reply->status = std::atoi(a.c_str() + 6);
    } else if (a.compare(0, 5, "body=") == 0) {
      reply->body = a.substr(5);
    } else if (a == "empty") {
      reply->body.clear();
    } else if (a == "big") {
      reply->body += "\n";
      int n = 0;
      while (reply->body.size() < 6000) {
        char line[80];
        std::snprintf(line, sizeof line, "FILLER_%04d=................................................\n", n++);
        reply->body += line;
      }
      reply->body += "bad account/password\n";
    } else if (a == "chunked") {
      reply->delivery = HttpDelivery::Chunked;
    } else if (a == "close") {
      reply->delivery = HttpDelivery::Close;
    } else if (a == "slow") {
      reply->delivery = HttpDelivery::Slow;
    } else if (a == "refuse") {
      reply->delivery = HttpDelivery::Refuse;
    } else if (a == "silent") {
      reply->delivery = HttpDelivery::Silent;
    } else if (a == "cut") {
      reply->cut = HttpCut::Silent;
    } else if (a == "cut_reset") {
      reply->cut = HttpCut::Reset;
    }
  }
}

HttpService::HttpService(const std::vector<SimDevice>& devices, const HttpRegistry& registry, RequestLog& log)
    : m_devices(devices), m_registry(registry), m_log(log) {
  for (const SimDevice& d : m_devices) m_rules.push_back(FailRules(d));
}

HttpService::~HttpService() { Stop(); }

bool HttpService::Start(std::string* error) {
  // A listener per device: a large crowd needs more descriptors than the usual soft limit.
  rlimit lim;
  if (getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < lim.rlim_max) {
    lim.rlim_cur = lim.rlim_max;
    setrlimit(RLIMIT_NOFILE, &lim);
  }
  for (std::size_t i = 0; i < m_devices.size(); ++i) {
    const SimDevice& d = m_devices[i];
    if (Setting(d, "http", "on") == "off") continue;
    std::uint32_t addr = 0;
    if (!port::ParseIPv4(d.fields.ip, &addr)) {
      *error = "bad device address " + d.fields.ip;
      Stop();
      return false;
    }
    int s = Listen(d.fields.ip, d.fields.httpPort);
    if (s < 0) {
      // A device whose address this namespace does not hold (discovery-only set-ups) simply
      // has no HTTP interface; anything else is worth a word.
      if (errno != EADDRNOTAVAIL)
        std::fprintf(stderr, "devsim: no HTTP on %s:%u: %s\n", d.fields.ip.c_str(), d.fields.httpPort,
                     std::strerror(errno));
      continue;
    }
    m_listeners.emplace_back(s, static_cast<int>(i));
  }
  m_running = true;
  m_acceptThread = std::thread(&HttpService::AcceptLoop, this);
  return true;
}

int HttpService::Listen(const std::string& ip, unsigned port) const {
  std::uint32_t addr = 0;
  if (!port::ParseIPv4(ip, &addr)) return -1;
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return -1;
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(addr);
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 128) != 0) {
    const int e = errno;
    close(s);
    errno = e;
    return -1;
  }
  return s;
}

bool HttpService::MoveDevice(int index, const std::string& newIp) {
  const SimDevice& d = m_devices[static_cast<std::size_t>(index)];
  if (Setting(d, "http", "on") == "off") return true;
  const int s = Listen(newIp, d.fields.httpPort);
  if (s < 0) return false;
  std::lock_guard<std::mutex> l(m_listenLock);
  for (auto it = m_listeners.begin(); it != m_listeners.end();) {
    if (it->second == index) {
      m_retiredListeners.push_back(it->first);  // closed by the accept loop, which polls it
      it = m_listeners.erase(it);
    } else {
      ++it;
    }
  }
  m_listeners.emplace_back(s, index);
  m_listenersChanged = true;
  return true;
}

void HttpService::Stop() {
  m_running = false;
  if (m_acceptThread.joinable()) m_acceptThread.join();
  {
    std::lock_guard<std::mutex> l(m_listenLock);
    for (auto& l2 : m_listeners) close(l2.first);
    m_listeners.clear();
    for (int fd : m_retiredListeners) close(fd);
    m_retiredListeners.clear();
  }
  std::vector<std::thread> workers;
  {
    std::unique_lock<std::mutex> l(m_connLock);
    for (int fd : m_openConns) shutdown(fd, SHUT_RDWR);
    m_connDone.wait(l, [this] { return m_activeConns == 0; });
    m_work.notify_all();
    workers.swap(m_workers);
  }
  for (auto& t : workers)
    if (t.joinable()) t.join();
}

void HttpService::AcceptLoop() {
  std::vector<pollfd> fds;
  std::vector<std::pair<int, int>> listeners;
  m_listenersChanged = true;
  while (m_running) {
    if (m_listenersChanged.exchange(false)) {
      std::lock_guard<std::mutex> l(m_listenLock);
      listeners = m_listeners;
      for (int fd : m_retiredListeners) close(fd);
      m_retiredListeners.clear();
      fds.clear();
      for (auto& l2 : listeners) fds.push_back(pollfd{l2.first, POLLIN, 0});
    }
    if (fds.empty()) {
      usleep(100000);
      continue;
    }
    if (poll(fds.data(), fds.size(), 100) <= 0) continue;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      int c = accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      int on = 1;
      setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      std::lock_guard<std::mutex> l(m_connLock);
      m_openConns.push_back(c);
      ++m_activeConns;
      m_queue.emplace_back(c, listeners[i].second);
      // Every connection gets a thread of its own at once: a waiting one if there are
      // enough, else a new one (threads are kept for later connections, which spares their
      // creation).
      if (m_queue.size() > m_idleWorkers) m_workers.emplace_back(&HttpService::Worker, this);
      else m_work.notify_one();
    }
  }
}

void HttpService::Worker() {
  std::unique_lock<std::mutex> l(m_connLock);
  for (;;) {
    ++m_idleWorkers;
    m_work.wait(l, [this] { return !m_queue.empty() || !m_running; });
    --m_idleWorkers;
    if (m_queue.empty()) return;  // stopping
    std::pair<int, int> job = m_queue.front();
    m_queue.pop_front();
    l.unlock();
    Serve(job.first, job.second);
    l.lock();
  }
}

bool HttpService::LoginOk(const HttpRequest& req, bool* triedLogin) const {
  const SimDevice& d = *req.device;
  std::string auth = Setting(d, "auth", "basic");
  if (auth == "none") return true;
  std::string user = Setting(d, "user", "admin"), password = Setting(d, "password", "740912");
  std::string value = req.Header("authorization");
  *triedLogin = !value.empty();
  if (value.empty()) return false;
  http::AuthChallenge got;
  if (!http::ParseAuthHeader(value, &got)) return false;
  if (auth == "basic") {
    if (Lower(got.scheme) != "basic") return false;
    std::string token = Trim(value.substr(value.find(got.scheme) + got.scheme.size()));
    std::string decoded;
    return http::Base64Decode(token, &decoded) && decoded == user + ":" + password;
  }
  if (Lower(got.scheme) != "digest") return false;
  if (got.Param("username") != user || got.Param("uri") != req.target) return false;
  if (auth == "digest" && got.Param("qop") != "auth") return false;
  std::string expect = http::DigestResponse(user, got.Param("realm"), password, req.method, got.Param("uri"),
                                            got.Param("nonce"), got.Param("qop"), got.Param("nc"),
                                            got.Param("cnonce"));
  return got.Param("realm") == kRealm && got.Param("response") == expect;
}

HttpReply HttpService::Challenge(const SimDevice& d) const {
  HttpReply r;
  r.status = 401;
  r.body = "401 Unauthorized\n";
  std::string auth = Setting(d, "auth", "basic");
  if (auth == "basic") {
    r.headers.emplace_back("WWW-Authenticate", std::string("Basic realm=\"") + kRealm + "\"");
  } else {
    static std::mutex lock;
    static std::mt19937 rng(12345);
    char nonce[40];
    {
      std::lock_guard<std::mutex> l(lock);
      std::snprintf(nonce, sizeof nonce, "%08x%08x", static_cast<unsigned>(rng()), static_cast<unsigned>(rng()));
    }
    std::string v = std::string("Digest realm=\"") + kRealm + "\", nonce=\"" + nonce + "\", opaque=\"5ccc069c\"";
    if (auth == "digest") v += ", qop=\"auth\", algorithm=MD5";
    r.headers.emplace_back("WWW-Authenticate", v);
  }
  if (Setting(d, "challenge", "") == "chunked") r.delivery = HttpDelivery::Chunked;
  return r;
}

HttpReply HttpService::Answer(const HttpRequest& req) {
  // A device that is rebooting has no web server: every connection is reset.
  DeviceFields now = req.device->fields;
  if (!UpgradeState::Instance().Present(req.deviceIndex, &now)) {
    HttpReply away;
    away.delivery = HttpDelivery::Refuse;
    return away;
  }
  bool requireLogin = true;
  const HttpHandler* h = m_registry.Find(req.path, &requireLogin);
  HttpReply reply;
  bool tried = false;
  if (h && requireLogin && !LoginOk(req, &tried)) {
    std::string bad = Setting(*req.device, "bad_login", "401");
    if (!tried || bad == "401") return Challenge(*req.device);
    reply.body = bad == "not_authorized" ? "not authorized\n" : "bad account/password\n";
    return reply;
  }
  if (h) {
    reply = (*h)(req);
  } else {
    reply.status = 404;
    reply.body = "404 Not Found\n";
  }
  for (const FailRule& r : m_rules[static_cast<std::size_t>(req.deviceIndex)])
    if (req.target.compare(0, r.prefix.size(), r.prefix) == 0) {
      ApplyFailure(r, &reply);
      break;
    }
  return reply;
}

void HttpService::Serve(int fd, int deviceIndex) {
  const SimDevice& d = m_devices[static_cast<std::size_t>(deviceIndex)];
  // The address the connection came in on (a device that moved answers at its new one).
  std::string local = d.fields.ip;
  {
    sockaddr_in a;
    socklen_t al = sizeof a;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &al) == 0) local = port::FormatIPv4(ntohl(a.sin_addr.s_addr));
  }
  std::string in;
  bool keep = true;
  bool reset = false;  // the connection ends in a reset, without an orderly close first
  // Reads more bytes; false when the peer closed, the link failed, or the service stops.
  auto fill = [&]() {
    for (int waited = 0; m_running && waited < kIdleMs; waited += 100) {
      pollfd p{fd, POLLIN, 0};
      int r = poll(&p, 1, 100);
      if (r < 0 && errno != EINTR) return false;
      if (r <= 0) continue;
      char buf[16384];
      ssize_t n = recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return false;
      in.append(buf, static_cast<std::size_t>(n));
      return true;
    }
    return false;
  };
  while (keep && m_running) {
    std::size_t end;
    while ((end = in.find("\r\n\r\n")) == std::string::npos) {
      if (in.size() > kMaxHeader || !fill()) {
        keep = false;
        break;
      }
    }
    if (!keep) break;
    HttpRequest req;
    req.device = &d;
    req.deviceIndex = deviceIndex;
    std::string head = in.substr(0, end);
    in.erase(0, end + 4);
    std::size_t lineEnd = head.find("\r\n");
    std::string requestLine = head.substr(0, lineEnd);
    std::size_t sp1 = requestLine.find(' '), sp2 = requestLine.rfind(' ');
    if (sp1 == std::string::npos || sp2 == sp1) {
      m_log.Write("http " + local + " BAD " + requestLine);
      const char bad[] = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
      SendAllFd(fd, bad, sizeof bad - 1);
      break;
    }
    req.method = requestLine.substr(0, sp1);
    req.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
    std::size_t q = req.target.find('?');
    req.path = req.target.substr(0, q);
    req.query = q == std::string::npos ? std::string() : req.target.substr(q + 1);
    std::size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (pos < head.size()) {
      std::size_t e = head.find("\r\n", pos);
      if (e == std::string::npos) e = head.size();
      std::string line = head.substr(pos, e - pos);
      pos = e + 2;
      std::size_t colon = line.find(':');
      if (colon == std::string::npos) continue;
      req.headers[Lower(Trim(line.substr(0, colon)))] = Trim(line.substr(colon + 1));
    }
    std::size_t length = static_cast<std::size_t>(std::strtoull(req.Header("content-length").c_str(), nullptr, 10));
    if (length > kMaxBody) break;
    // The body is received straight into its place: uploads are tens of megabytes.
    // Connection threads are reused: keep the body's memory from one request to the next, so
    // a large upload does not pay for fresh pages every time, nor for zeroing them (the old
    // bytes are overwritten as the new ones arrive; a short body only ever reads its own).
    static thread_local std::string spare;
    req.body.swap(spare);
    std::size_t have = in.size() < length ? in.size() : length;
    req.body.resize(length);
    std::memcpy(&req.body[0], in.data(), have);
    in.erase(0, have);
    MultipartScan scan(MultipartScan::BoundaryOf(req.Header("content-type")));
    scan.Feed(req.body.data(), have);
    // A device that drops the connection in the middle of an upload.
    const std::size_t dropAt = static_cast<std::size_t>(std::strtoull(Setting(d, "upload_drop_after", "0").c_str(), nullptr, 10));
    const bool drop = dropAt > 0 && req.method == "POST" && dropAt < length;
    for (int waited = 0; have < length && m_running && waited < kIdleMs;) {
      if (drop && have >= dropAt) break;
      pollfd p{fd, POLLIN, 0};
      int r = poll(&p, 1, 100);
      if (r < 0 && errno != EINTR) break;
      if (r <= 0) {
        waited += 100;
        continue;
      }
      // Pieces small enough to be still in the cache when they are scanned.
      const std::size_t piece = std::min<std::size_t>(length - have, 256 * 1024);
      ssize_t n = recv(fd, &req.body[have], piece, 0);
      if (n <= 0) break;
      have += static_cast<std::size_t>(n);
      scan.Feed(req.body.data(), have);
      waited = 0;
    }
    if (drop && have >= dropAt) {
      m_log.Write("upload " + d.fields.ip + " dropped after " + std::to_string(have) + " bytes");
      linger lg{1, 0};
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
      break;
    }
    if (have < length) break;
    req.delimiters = scan.Positions();
    m_log.Write("http " + local + " " + req.method + " " + req.target);
    if (Lower(req.Header("connection")) == "close") keep = false;

    HttpReply reply = Answer(req);
    spare.swap(req.body);
    // A real device takes a while to answer each request.
    int delayMs = std::atoi(Setting(d, "reply_delay_ms", "0").c_str());
    if (delayMs > 0) usleep(static_cast<useconds_t>(delayMs) * 1000);
    if (reply.delivery == HttpDelivery::Refuse) {
      linger lg{1, 0};
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
      break;
    }
    if (reply.delivery == HttpDelivery::Silent) {
      while (fill()) in.clear();
      break;
    }
    // An older web server: HTTP/1.0, no word on the connection, which ends with every reply.
    const bool http10 = Setting(d, "http_version", "1.1") == "1.0";
    if (http10) keep = false;
    std::string out = std::string(http10 ? "HTTP/1.0 " : "HTTP/1.1 ") + std::to_string(reply.status) + " " +
                      Reason(reply.status) + "\r\n";
    bool hasType = false;
    for (auto& h : reply.headers) {
      out += h.first + ": " + h.second + "\r\n";
      if (Lower(h.first) == "content-type") hasType = true;
    }
    if (!hasType) out += "Content-Type: text/plain\r\n";
    if (reply.delivery == HttpDelivery::Chunked) out += "Transfer-Encoding: chunked\r\n";
    else if (reply.delivery != HttpDelivery::Close) out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    if (reply.delivery == HttpDelivery::Close) keep = false;
    if (!http10) out += keep ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    out += "\r\n";
    // A device that drops the connection after its challenge (or, HTTP/1.0, after every
    // reply). With no pause the close leaves with the reply's last bytes, as from a device
    // that closes as soon as it has written; close_delay_us puts a pause between the two.
    const bool dropAfter = http10 || (reply.status == 401 && Setting(d, "keep_after_401", "1") == "0");
    const long closeDelayUs = std::atol(Setting(d, "close_delay_us", "0").c_str());
    if (dropAfter && closeDelayUs <= 0) {
      int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_CORK, &one, sizeof one);
    }
    bool ok = SendAllFd(fd, out.data(), out.size());
    if (ok && req.method != "HEAD") {
      const std::string b = reply.cut == HttpCut::None ? reply.body : reply.body.substr(0, reply.body.size() / 2);
      if (reply.delivery == HttpDelivery::Chunked) {
        // Pieces of odd sizes, so that chunk borders fall anywhere.
        std::size_t p = 0, step = 7;
        while (ok && p < b.size()) {
          std::size_t n = std::min(step, b.size() - p);
          char size[20];
          std::snprintf(size, sizeof size, "%zx\r\n", n);
          std::string chunk = std::string(size) + b.substr(p, n) + "\r\n";
          ok = SendAllFd(fd, chunk.data(), chunk.size());
          p += n;
          step = step * 3 + 1;
        }
        if (ok && reply.cut == HttpCut::None) ok = SendAllFd(fd, "0\r\n\r\n", 5);
      } else if (reply.delivery == HttpDelivery::Slow) {
        for (std::size_t p = 0; ok && p < b.size() && m_running; p += 100) {
          ok = SendAllFd(fd, b.data() + p, std::min<std::size_t>(100, b.size() - p));
          usleep(20000);
        }
      } else {
        ok = SendAllFd(fd, b.data(), b.size());
      }
    }
    if (!ok) break;
    if (reply.cut == HttpCut::Silent) {
      m_log.Write("cut " + local + " " + req.target);
      while (fill()) in.clear();
      break;
    }
    if (reply.cut == HttpCut::Reset) {
      m_log.Write("cut " + local + " " + req.target);
      linger lg{1, 0};
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
      reset = true;
      break;
    }
    // A device that drops a kept connection after its challenge without saying so.
    if (dropAfter) {
      if (closeDelayUs > 0) usleep(static_cast<useconds_t>(closeDelayUs));
      break;
    }
  }
  if (!keep && !reset) shutdown(fd, SHUT_WR);
  std::lock_guard<std::mutex> l(m_connLock);
  m_openConns.erase(std::remove(m_openConns.begin(), m_openConns.end(), fd), m_openConns.end());
  close(fd);
  --m_activeConns;
  m_connDone.notify_all();
}

}  // namespace devsim
