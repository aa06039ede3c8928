// Sends the IP-set datagrams: from the local adapter's address, to 255.255.255.255 on the
// discovery port 6005 (and 6055 for devices of the new platform), one datagram per device.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/ip_set_packet.h"

// The sockets one send went out on, still open. They share the discovery engine's ports: an
// acknowledgement that reaches one of them would be lost with it, so they are read before
// they close.
class IpSetAckSockets {
 public:
  virtual ~IpSetAckSockets() = default;
  // Reads every socket at once, handing each acknowledgement (228 bytes) to `onAck`, until
  // they have all been quiet for a moment, and never much longer than a second; then closes
  // them. Runs off the user-interface thread; ends early when the thread is asked to stop.
  virtual void Drain(const std::function<void(const std::uint8_t* ack)>& onAck) = 0;
};

class IpSetSender {
 public:
  virtual ~IpSetSender() = default;
  // Sends every packet on each port. A datagram that could not be sent, because it left only
  // in part or because its socket could not be opened, is reported with the program's "Send
  // fail" box, and the next one is sent. Returns the open sockets (null when none could be
  // opened).
  virtual std::unique_ptr<IpSetAckSockets> Send(const std::string& localAddress,
                                                const std::vector<IpSetPacket>& packets, bool newPlatform) = 0;
};

// The UDP sender.
IpSetSender& UdpIpSetSender();

// What an IP-set socket received (`length`: the datagram's whole length, which may exceed
// what was stored): an acknowledgement is handed to `onAck`, anything else is dropped.
void HandOnIpSetAck(const std::uint8_t* datagram, int length, const std::function<void(const std::uint8_t*)>& onAck);
