// A scripted server for the HTTP client: each connection answers the requests sent on it
// with the replies of its script, in pieces of a chosen size, and then closes, resets,
// stays silent, or waits for the next request. What the client sent is kept for the test.
// Nothing touches a network; every wait returns at once.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <memory>
#include <string>
#include <vector>

#include "device/http_connection.h"
#include "port/net.h"

namespace testlab {

// How a reply ends once its bytes are out.
enum class ReplyEnd { NextRequest, Close, Silent, Reset };

struct ScriptedReply {
  std::string bytes;
  ReplyEnd end = ReplyEnd::NextRequest;
  std::size_t piece = 4096;  // bytes per receive
  int delayMs = 0;           // the server's pause before each piece (real time)...
  std::size_t slowFrom = 0;  // ...from this byte on
};

class ScriptedServer {
 public:
  // The replies of the next connection, in order of the requests sent on it.
  void AddConnection(std::vector<ScriptedReply> replies) { m_scripts.push_back(std::move(replies)); }
  // Connections beyond the scripted ones, or all when refuse is set, fail to open.
  void RefuseConnections(bool refuse) { m_refuse = refuse; }

  http::StreamMaker Maker() {
    return [this]() -> std::unique_ptr<http::Stream> { return std::unique_ptr<http::Stream>(new Conn(this)); };
  }
  // Every request sent, each as the bytes of the Send calls that made it.
  const std::vector<std::string>& Requests() const { return m_requests; }
  int Opened() const { return m_opened; }
  // The time-out each connection was given to open, in order.
  const std::vector<int>& OpenTimeouts() const { return m_openTimeouts; }
  // Reply bytes handed to the client.
  std::size_t Served() const { return m_served; }
  std::size_t RequestsWith(const std::string& part) const {
    return static_cast<std::size_t>(std::count_if(m_requests.begin(), m_requests.end(),
                                                  [&](const std::string& r) { return r.find(part) != std::string::npos; }));
  }

 private:
  class Conn : public http::Stream {
   public:
    explicit Conn(ScriptedServer* s) : m_server(s) {}
    bool Open(const std::string&, int, int timeoutMs) override {
      m_server->m_openTimeouts.push_back(timeoutMs);
      if (m_server->m_refuse || m_server->m_next >= m_server->m_scripts.size()) return false;
      m_script = m_server->m_scripts[m_server->m_next++];
      ++m_server->m_opened;
      return true;
    }
    bool Send(const std::string& data, int) override {
      if (m_broken) return false;
      m_server->m_requests.push_back(data);
      ++m_sent;
      return true;
    }
    int Receive(char* buf, int len, int timeoutMs) override {
      for (;;) {
        if (m_reply >= m_script.size() || m_reply >= m_sent) return port::kNetTimedOut;  // waits for a request
        const ScriptedReply& r = m_script[m_reply];
        if (m_at < r.bytes.size()) {
          if (r.delayMs > 0 && m_at >= r.slowFrom) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(r.delayMs, timeoutMs)));
            if (r.delayMs > timeoutMs) return port::kNetTimedOut;
          }
          std::size_t n = std::min({r.bytes.size() - m_at, static_cast<std::size_t>(len),
                                    m_at < r.slowFrom ? r.slowFrom - m_at : std::max<std::size_t>(r.piece, 1)});
          std::memcpy(buf, r.bytes.data() + m_at, n);
          m_at += n;
          m_server->m_served += n;
          return static_cast<int>(n);
        }
        switch (r.end) {
          case ReplyEnd::Close: m_broken = true; return 0;
          case ReplyEnd::Silent: return port::kNetTimedOut;
          case ReplyEnd::Reset: m_broken = true; return port::kNetFailed;
          case ReplyEnd::NextRequest:
            ++m_reply;
            m_at = 0;
            break;
        }
      }
    }

   private:
    ScriptedServer* m_server;
    std::vector<ScriptedReply> m_script;
    std::size_t m_reply = 0, m_at = 0, m_sent = 0;
    bool m_broken = false;
  };

  std::vector<std::vector<ScriptedReply>> m_scripts;
  std::size_t m_next = 0;
  int m_opened = 0;
  std::vector<int> m_openTimeouts;
  std::size_t m_served = 0;
  bool m_refuse = false;
  std::vector<std::string> m_requests;
};

}  // namespace testlab
