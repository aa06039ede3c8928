// Answers the discovery probe on the five ports for every simulated device.
#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tools/devsim/request_log.h"
#include "tools/devsim/service.h"
#include "tools/devsim/sim_device.h"

namespace devsim {

struct DiscoveryOptions {
  // Where answers go: empty = back to the prober's address; else this address (for
  // example the subnet's broadcast address).
  std::string replyTo;
  // After this many datagrams the sender pauses briefly, as a crowd of real devices
  // never answers in the same microsecond. 0 = no pause.
  int burstBatch = 64;
  int burstPauseUs = 300;
};

// Moves a device to a new address (the simulator's main wires it to the network and the HTTP
// service): device index, new address, netmask text.
using DeviceMover = std::function<void(int, const std::string&, const std::string&)>;

// Besides the probe it answers the 224-byte address-change request ("Zolk") on 6005 and 6055.
// A request is checked: length, magic, type 1, length field 212 (else it is dropped and logged
// "udp ipset bad <what>"); the device whose MAC it names answers with a 228-byte
// acknowledgement: the request's layout with type 2, its own MAC and a 32-bit result, 0 when
// the account is the device's user and the base64 login its "user:password", 1 when they are
// not (then nothing changes). The result may be forced with the device's "ipset_result"
// setting, or for one port with "ipset_result_6005" / "ipset_result_6055". Each request is logged: "udp ipset port=P mac=M mode=1|2 ip=A mask=N gw=G
// account=U login=ok|bad bytes=<448 hex digits>".
// After a good request the device moves: in static mode (2) to the address the request names,
// in dynamic mode (1) to its "dhcp_ip" setting (it stays where it is without one); it is away
// for "ipset_ms" (default 1000) meanwhile.
// Settings: ipset_result=N, ipset_result_<port>=N, ipset_reply=broadcast|unicast (the acknowledgement to the subnet's
// broadcast address, or to the sender; --reply-to wins), dhcp_ip=A.B.C.D, ipset_ms=N, user=,
// password=.
class DiscoveryService : public Service {
 public:
  DiscoveryService(const std::vector<SimDevice>& devices, const DiscoveryOptions& options, RequestLog& log,
                   DeviceMover mover = nullptr);
  ~DiscoveryService() override;
  bool Start(std::string* error) override;
  void Stop() override;

 private:
  void Serve(int index);
  void Answer(int index, const std::string& toIp, unsigned short toPort);
  void AnswerIpSet(const char* request, const std::string& fromIp, unsigned short fromPort, unsigned short port);

  const std::vector<SimDevice>& m_devices;
  DiscoveryOptions m_options;
  RequestLog& m_log;
  DeviceMover m_mover;
  std::atomic<bool> m_running{false};
  std::vector<int> m_sockets;
  std::vector<std::thread> m_threads;
};

}  // namespace devsim
