// The simulated devices' HTTP interface: one TCP listener per device on its own address and
// HTTP port, a thread per connection (kept for later connections once its own ends), request
// parsing, the login check, per-path failure injection and a log line per request.
//
// Handlers: a part of the simulator that answers some paths registers a handler for a path
// prefix before the service starts, for example in main.cpp:
//
//   devsim::HttpRegistry registry;
//   devsim::RegisterCgiHandlers(registry);        // tools/devsim/cgi_handlers.h
//   registry.Add("/cgi-bin/update", UpdatePage);  // another handler file
//   services.emplace_back(new devsim::HttpService(devices, registry, log));
//
// The longest registered prefix that the request's path starts with wins. A handler gets the
// request (its device, method, path, query, headers and body) and returns an HttpReply. The
// login is checked before the handler runs unless the handler was registered with
// requireLogin false. Handlers run on connection threads, several at once; state they keep
// per device must be guarded by their own lock.
//
// A device that is away (rebooting, tools/devsim/upgrade_state.h) resets every connection.
// Request lines are logged with the address the connection came in on: "http <ip> GET ...".
//
// Per-device settings read here (SimDevice::extra, see config.h): http, auth, user,
// password, bad_login, fail rules, and
//   reply_delay_ms=N    the device thinks N ms before each reply
//   keep_after_401=0    the device closes the connection after each challenge, without a
//                       "Connection: close" header
//   challenge=chunked   the challenge's body comes in chunked encoding
//   http_version=1.0    an older server: HTTP/1.0 replies without a Connection header, the
//                       connection closed after each reply
//   close_delay_us=N    such a close (or that of keep_after_401=0) comes N µs after the
//                       reply's last byte instead of with it
#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tools/devsim/request_log.h"
#include "tools/devsim/service.h"
#include "tools/devsim/sim_device.h"

namespace devsim {

struct HttpRequest {
  const SimDevice* device = nullptr;
  int deviceIndex = 0;
  std::string method;
  std::string target;  // raw path and query as sent
  std::string path;    // before the first '?'
  std::string query;   // after the first '?', raw
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
  // A multipart body: where each CR LF "--" boundary starts, found while the body came in.
  std::vector<std::size_t> delimiters;
  std::string Header(const std::string& lowerName) const {
    auto it = headers.find(lowerName);
    return it == headers.end() ? std::string() : it->second;
  }
};

// How the reply reaches the client.
enum class HttpDelivery {
  Normal,   // Content-Length
  Chunked,  // Transfer-Encoding: chunked, in pieces
  Close,    // no length; the connection closes after the body
  Slow,     // Content-Length, the body dribbled out in small pieces with pauses
  Refuse,   // no answer: the connection is reset
  Silent,   // no answer: the connection stays open until the client gives up
};

// A reply that stops half-way through its body (whatever its delivery announced).
enum class HttpCut {
  None,
  Silent,  // then nothing more: a device gone from the network
  Reset,   // then the connection is reset: a device that reboots mid-reply
};

struct HttpReply {
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  HttpDelivery delivery = HttpDelivery::Normal;
  HttpCut cut = HttpCut::None;
};

using HttpHandler = std::function<HttpReply(const HttpRequest&)>;

class HttpRegistry {
 public:
  void Add(const std::string& pathPrefix, HttpHandler handler, bool requireLogin = true);
  // The handler for a path, or null; *requireLogin tells whether it asks for the login.
  const HttpHandler* Find(const std::string& path, bool* requireLogin) const;

 private:
  struct Entry {
    std::string prefix;
    HttpHandler handler;
    bool requireLogin;
  };
  std::vector<Entry> m_entries;
};

// A failure rule of one device: requests whose raw path and query begin with `prefix`.
struct FailRule {
  std::string prefix;
  std::vector<std::string> actions;
};
// The device's rules from its "fail", "fail1", "fail2"... settings.
std::vector<FailRule> FailRules(const SimDevice& d);
// Applies the rule's actions to a reply (see config.h for the action names).
void ApplyFailure(const FailRule& rule, HttpReply* reply);

class HttpService : public Service {
 public:
  HttpService(const std::vector<SimDevice>& devices, const HttpRegistry& registry, RequestLog& log);
  ~HttpService() override;
  bool Start(std::string* error) override;
  void Stop() override;
  // Device `index` answers at newIp from now on (its listener there replaces the old one).
  bool MoveDevice(int index, const std::string& newIp);

 private:
  int Listen(const std::string& ip, unsigned port) const;
  void AcceptLoop();
  void Worker();
  void Serve(int fd, int deviceIndex);
  HttpReply Answer(const HttpRequest& req);
  bool LoginOk(const HttpRequest& req, bool* triedLogin) const;
  HttpReply Challenge(const SimDevice& d) const;

  const std::vector<SimDevice>& m_devices;
  const HttpRegistry& m_registry;
  RequestLog& m_log;
  std::vector<std::vector<FailRule>> m_rules;
  std::atomic<bool> m_running{false};
  std::mutex m_listenLock;
  std::vector<std::pair<int, int>> m_listeners;  // fd, device index; under m_listenLock
  std::vector<int> m_retiredListeners;  // replaced by a move, not yet closed; under m_listenLock
  std::atomic<bool> m_listenersChanged{false};
  std::thread m_acceptThread;
  std::mutex m_connLock;
  std::vector<int> m_openConns;
  int m_activeConns = 0;
  std::condition_variable m_connDone;
  // Accepted connections waiting for their thread, and the threads that serve them.
  std::deque<std::pair<int, int>> m_queue;
  std::size_t m_idleWorkers = 0;
  std::condition_variable m_work;
  std::vector<std::thread> m_workers;
};

}  // namespace devsim
