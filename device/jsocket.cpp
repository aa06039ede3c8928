#include "device/jsocket.h"

#include <mutex>

#include "device/discovery_datagrams.h"
#include "port/sync.h"

namespace {

std::mutex g_sendFailLock;
std::function<void()> g_sendFail;

// Room for a burst of answers from hundreds of devices.
constexpr int kReceiveBuffer = 4 * 1024 * 1024;
constexpr int kConnectTimeoutMs = 5000;
constexpr int kClosedPauseMs = 10;

}  // namespace

JSocket::~JSocket() { Close(); }

void JSocket::SetSendFailHandler(std::function<void()> handler) {
  std::lock_guard<std::mutex> l(g_sendFailLock);
  g_sendFail = std::move(handler);
}

port::socket_t JSocket::Replace(port::socket_t fresh) {
  m_replacing = true;
  port::socket_t old;
  {
    std::shared_lock<std::shared_mutex> r(m_lock);
    old = m_handle;
  }
  port::Shutdown(old);  // wakes a receiver so that it lets go of the handle
  std::unique_lock<std::shared_mutex> w(m_lock);
  old = m_handle;
  m_handle = fresh;
  m_address.clear();
  m_port = 0;
  m_replacing = false;
  return old;
}

void JSocket::Close() { port::CloseSocket(Replace(port::kInvalidSocket)); }

bool JSocket::IsOpen() const {
  std::shared_lock<std::shared_mutex> r(m_lock);
  return m_handle != port::kInvalidSocket;
}

void JSocket::ReportSendFail() {
  std::function<void()> notify;
  {
    std::lock_guard<std::mutex> l(g_sendFailLock);
    notify = g_sendFail;
  }
  if (notify) notify();
}

int JSocket::OpenBroadcast(const std::string& localAddress, std::uint16_t port, bool* sendFailed) {
  port::socket_t s = port::UdpSocket();
  if (s == port::kInvalidSocket) {
    Close();
    return -1;
  }
  port::SetDeviceOptions(s);
  port::SetReceiveBuffer(s, kReceiveBuffer);
  port::CloseSocket(Replace(s));
  if (port::BindLocal(s, localAddress, port) != 0) return -1;

  int sent;
  {
    std::unique_lock<std::shared_mutex> w(m_lock);
    m_address = "255.255.255.255";
    m_port = port;
    sent = port::SendTo(s, m_address, port, kDiscoveryProbe, kDiscoveryProbeLength, localAddress);
  }
  if (sendFailed) *sendFailed = sent != kDiscoveryProbeLength;
  else if (sent != kDiscoveryProbeLength) ReportSendFail();
  return sent;
}

bool JSocket::OpenTcp(const std::string& address, std::uint16_t port) {
  port::socket_t s = port::TcpSocket();
  if (s == port::kInvalidSocket) {
    Close();
    return false;
  }
  port::SetDeviceOptions(s);
  port::CloseSocket(Replace(s));
  return Connect(address, port);
}

bool JSocket::Connect(const std::string& address, std::uint16_t port) {
  std::shared_lock<std::shared_mutex> r(m_lock);
  if (m_handle == port::kInvalidSocket) return false;
  return port::ConnectTimeout(m_handle, address, port, kConnectTimeoutMs);
}

int JSocket::Receive(void* buf, int len, int timeoutMs) { return Receive(buf, len, timeoutMs, nullptr); }

int JSocket::Receive(void* buf, int len, int timeoutMs, const std::function<void(int)>& take) {
  if (!m_replacing) {
    std::shared_lock<std::shared_mutex> r(m_lock);
    if (m_handle != port::kInvalidSocket) {
      std::string from;
      std::uint16_t fromPort = 0;
      int n = port::RecvFrom(m_handle, buf, len, timeoutMs, &from, &fromPort);
      // The sender's address is recorded, as the platform does; nobody reads it.
      (void)from;
      (void)fromPort;
      if (n > 0 && take) take(n);
      return n;
    }
  }
  port::SleepMs(kClosedPauseMs);
  return -1;
}

bool JSocket::SendAll(const void* data, std::size_t len, int timeoutMs, const std::function<void()>& whileFull) {
  std::shared_lock<std::shared_mutex> r(m_lock);
  return m_handle != port::kInvalidSocket && port::SendAll(m_handle, data, len, timeoutMs, whileFull);
}

int JSocket::ReceiveSome(void* buf, int len, int timeoutMs) {
  std::shared_lock<std::shared_mutex> r(m_lock);
  if (m_handle == port::kInvalidSocket) return -1;
  return port::RecvSome(m_handle, buf, len, timeoutMs);
}

std::string JSocket::Address() const {
  std::shared_lock<std::shared_mutex> r(m_lock);
  return m_address;
}

std::uint16_t JSocket::Port() const {
  std::shared_lock<std::shared_mutex> r(m_lock);
  return m_port;
}
