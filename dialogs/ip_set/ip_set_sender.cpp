#include "dialogs/ip_set/ip_set_sender.h"

#include "device/jsocket.h"
#include "port/net.h"
#include "port/stop_scope.h"
#include "port/sync.h"

namespace {

constexpr std::uint16_t kPorts[2] = {6005, 6055};
constexpr std::int64_t kAckQuietMs = 150;   // no datagram on any socket for this long: the answers are in
constexpr std::int64_t kAckGraceMs = 1000;  // and never longer than this
constexpr int kAckLookMs = 20;              // one look at all the sockets

class UdpAckSockets : public IpSetAckSockets {
 public:
  explicit UdpAckSockets(std::vector<port::socket_t> sockets) : m_sockets(std::move(sockets)) {}
  ~UdpAckSockets() override { Close(); }

  void Drain(const std::function<void(const std::uint8_t*)>& onAck) override {
    // One datagram from each socket in turn: a busy port never keeps the other one waiting.
    const std::int64_t until = port::SteadyMs() + kAckGraceMs;
    std::int64_t lastHeard = port::SteadyMs();
    const int lookMs = kAckLookMs / static_cast<int>(m_sockets.empty() ? 1 : m_sockets.size());
    while (!m_sockets.empty() && !port::StopRequested()) {
      const std::int64_t now = port::SteadyMs();
      if (now >= until || now - lastHeard >= kAckQuietMs) break;
      for (port::socket_t s : m_sockets) {
        std::uint8_t buf[kIpSetAckLength + 1];
        const int n = port::RecvFrom(s, buf, sizeof buf, lookMs);
        if (n < 0) continue;
        lastHeard = port::SteadyMs();
        HandOnIpSetAck(buf, n, onAck);
      }
    }
    Close();
  }

 private:
  void Close() {
    for (port::socket_t s : m_sockets) port::CloseSocket(s);
    m_sockets.clear();
  }
  std::vector<port::socket_t> m_sockets;
};

class UdpSender : public IpSetSender {
 public:
  std::unique_ptr<IpSetAckSockets> Send(const std::string& local, const std::vector<IpSetPacket>& packets,
                                        bool newPlatform) override {
    const int count = newPlatform ? 2 : 1;
    port::socket_t sockets[2] = {port::kInvalidSocket, port::kInvalidSocket};
    for (int i = 0; i < count; ++i) {
      sockets[i] = port::UdpSocket();
      if (sockets[i] == port::kInvalidSocket) continue;
      port::SetDeviceOptions(sockets[i]);
      // A failed bind is not reported: the datagram is sent all the same.
      port::BindLocal(sockets[i], local, kPorts[i]);
    }
    for (const IpSetPacket& p : packets)
      for (int i = 0; i < count; ++i) {
        // A socket that could not be opened sent nothing: as much a failure as a short send.
        const int sent = sockets[i] == port::kInvalidSocket
                             ? -1
                             : port::SendTo(sockets[i], "255.255.255.255", kPorts[i], p.data(), static_cast<int>(p.size()));
        if (sent < static_cast<int>(p.size())) JSocket::ReportSendFail();
      }
    std::vector<port::socket_t> open;
    for (int i = 0; i < count; ++i)
      if (sockets[i] != port::kInvalidSocket) open.push_back(sockets[i]);
    if (open.empty()) return nullptr;
    return std::make_unique<UdpAckSockets>(std::move(open));
  }
};

}  // namespace

void HandOnIpSetAck(const std::uint8_t* datagram, int length, const std::function<void(const std::uint8_t*)>& onAck) {
  if (length < 0 || !IsIpSetAckDatagram(datagram, static_cast<std::size_t>(length))) return;
  if (onAck) onAck(datagram);
}

IpSetSender& UdpIpSetSender() {
  static UdpSender sender;
  return sender;
}
