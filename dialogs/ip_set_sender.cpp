#include "dialogs/ip_set_sender.h"

#include <cstring>

#include "device/discovery_datagrams.h"
#include "device/jsocket.h"
#include "port/net.h"
#include "port/sync.h"

namespace {

constexpr std::uint16_t kPorts[2] = {6005, 6055};
constexpr int kAckQuietMs = 150;     // no datagram for this long: the answers are in
constexpr std::int64_t kAckGraceMs = 1000;  // and never longer than this

class UdpSender : public IpSetSender {
 public:
  void Send(const std::string& local, const std::vector<IpSetPacket>& packets, bool newPlatform,
            const std::function<void(const std::uint8_t*)>& onAck) override {
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
        if (sockets[i] == port::kInvalidSocket) continue;
        const int sent = port::SendTo(sockets[i], "255.255.255.255", kPorts[i], p.data(), static_cast<int>(p.size()));
        if (sent < static_cast<int>(p.size())) JSocket::ReportSendFail();
      }
    // The devices answer within moments: what reaches these sockets meanwhile would be lost
    // with them, so they stay open until they have been quiet for a moment.
    const std::int64_t until = port::SteadyMs() + kAckGraceMs;
    for (int i = 0; i < count; ++i) {
      if (sockets[i] == port::kInvalidSocket) continue;
      std::uint8_t buf[kIpSetReplyLength + 1];
      int n;
      while (port::SteadyMs() < until && (n = port::RecvFrom(sockets[i], buf, sizeof buf, kAckQuietMs)) >= 0)
        if (n == static_cast<int>(kIpSetReplyLength) && std::memcmp(buf, "Zolk", 4) == 0 && onAck) onAck(buf);
    }
    for (int i = 0; i < count; ++i)
      if (sockets[i] != port::kInvalidSocket) port::CloseSocket(sockets[i]);
  }
};

}  // namespace

IpSetSender& UdpIpSetSender() {
  static UdpSender sender;
  return sender;
}
