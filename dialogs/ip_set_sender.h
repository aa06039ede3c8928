// Sends the IP-set datagrams: from the local adapter's address, to 255.255.255.255 on the
// discovery port 6005 (and 6055 for devices of the new platform), one datagram per device.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/ip_set_packet.h"

class IpSetSender {
 public:
  virtual ~IpSetSender() = default;
  // Sends every packet on each port. A datagram that leaves only in part is reported with
  // the program's "Send fail" box and the next one is sent. The sockets share the discovery
  // engine's ports: an acknowledgement that reaches one of them while it is open is handed to
  // `onAck` (228 bytes) before the sockets close, so that it still reaches its row.
  virtual void Send(const std::string& localAddress, const std::vector<IpSetPacket>& packets, bool newPlatform,
                    const std::function<void(const std::uint8_t* ack)>& onAck) = 0;
};

// The UDP sender.
IpSetSender& UdpIpSetSender();
