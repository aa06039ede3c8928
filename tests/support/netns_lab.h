// A private test network: a "host" namespace with a bridge, and device namespaces hanging
// off it through veth links. The code under test runs in the host namespace (the calling
// thread enters it); simulated devices run in the device namespaces. Everything is made
// by the lab and removed again when it ends, so no traffic leaves these namespaces.
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

namespace testlab {

class NetnsLab {
 public:
  // Host address on the bridge; device addresses are in 10.231.0.0/16.
  static constexpr const char* kHostIp = "10.231.0.1";
  static constexpr const char* kSubnetBroadcast = "10.231.255.255";

  // Makes the host namespace and `deviceNamespaces` device namespaces.
  explicit NetnsLab(int deviceNamespaces = 1);
  ~NetnsLab();
  NetnsLab(const NetnsLab&) = delete;
  NetnsLab& operator=(const NetnsLab&) = delete;

  bool Ok() const { return m_error.empty(); }
  const std::string& Error() const { return m_error; }
  // True when the process may make namespaces (root with the ip tool).
  static bool Available();

  // Puts addresses on the link of device namespace `ns`.
  bool AddDeviceAddresses(int ns, const std::vector<std::string>& ips);
  // A second address for the host's bridge (adapter lists).
  bool AddHostAddress(const std::string& ip);
  // Makes addresses silent: the host sends what it sends them to a link-layer address that no
  // namespace has, so a connection attempt gets no answer at all, as from a host that drops it.
  bool SilenceAddresses(const std::vector<std::string>& ips);

  // Moves the calling thread (and the threads it starts later) into the host namespace.
  bool EnterHost();
  void LeaveHost();

  // Starts the simulator in device namespace `ns` and waits until it is ready.
  // Returns its pid, or -1.
  pid_t StartSimulator(int ns, const std::vector<std::string>& args, int readyTimeoutMs = 10000);
  void StopSimulator(pid_t pid);
  void StopSimulators();

  const std::string& HostNamespace() const { return m_host; }
  const std::string& DeviceNamespace(int ns) const { return m_devices[static_cast<std::size_t>(ns)]; }
  // A scratch folder of the lab's own, removed with it.
  const std::string& Dir() const { return m_dir; }

  // Runs a shell command; true when it exits 0.
  static bool Sh(const std::string& cmd);

 private:
  std::string m_error;
  std::string m_host;
  std::vector<std::string> m_devices;
  std::string m_dir;
  std::vector<pid_t> m_sims;
  int m_originalNs = -1;
  bool m_entered = false;
};

// Removes namespaces that earlier labs of dead processes left behind.
void SweepStaleLabs();

}  // namespace testlab
