// Answers the discovery probe on the five ports for every simulated device.
#pragma once
#include <atomic>
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

// Besides the probe it answers the 224-byte address-change request ("Zolk") on 6005 and 6055
// for the device whose MAC it names, with a 228-byte acknowledgement carrying the result of the
// device's "ipset_result" setting (default 0, done).
class DiscoveryService : public Service {
 public:
  DiscoveryService(const std::vector<SimDevice>& devices, const DiscoveryOptions& options, RequestLog& log);
  ~DiscoveryService() override;
  bool Start(std::string* error) override;
  void Stop() override;

 private:
  void Serve(int index);
  void Answer(int index, const std::string& toIp, unsigned short toPort);
  void AnswerIpSet(int index, const char* request, unsigned short toPort);

  const std::vector<SimDevice>& m_devices;
  DiscoveryOptions m_options;
  RequestLog& m_log;
  std::atomic<bool> m_running{false};
  std::vector<int> m_sockets;
  std::vector<std::thread> m_threads;
};

}  // namespace devsim
