#include "tests/support/netns_lab.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <thread>

namespace testlab {
namespace {

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

}  // namespace

bool NetnsLab::Sh(const std::string& cmd) {
  int rc = std::system((cmd + " >/dev/null 2>&1").c_str());
  return rc == 0;
}

bool NetnsLab::Available() { return geteuid() == 0 && Sh("ip netns list"); }

void SweepStaleLabs() {
  DIR* d = opendir("/var/run/netns");
  if (!d) return;
  while (dirent* e = readdir(d)) {
    int pid = 0;
    char kind = 0;
    if (std::sscanf(e->d_name, "dvk%d%c", &pid, &kind) == 2 && pid > 0 && kill(pid, 0) != 0)
      NetnsLab::Sh(std::string("ip netns del ") + e->d_name);
  }
  closedir(d);
}

NetnsLab::NetnsLab(int deviceNamespaces) {
  if (!Available()) {
    m_error = "network namespaces need root and the ip tool";
    return;
  }
  SweepStaleLabs();
  static int serial = 0;
  std::string base = "dvk" + std::to_string(getpid()) + "x" + std::to_string(serial++);
  m_host = base + "h";
  char tmpl[] = "/tmp/dvklab.XXXXXX";
  if (!mkdtemp(tmpl)) {
    m_error = "no scratch folder";
    return;
  }
  m_dir = tmpl;
  const std::string h = "ip -n " + m_host + " ";
  bool ok = Sh("ip netns add " + m_host) && Sh(h + "link set lo up") &&
            Sh(h + "link add br0 type bridge") && Sh(h + "link set br0 up") &&
            Sh(h + "addr add " + kHostIp + "/16 brd + dev br0");
  for (int i = 0; ok && i < deviceNamespaces; ++i) {
    std::string dev = base + "d" + std::to_string(i);
    m_devices.push_back(dev);
    std::string v = "v" + std::to_string(i);
    ok = Sh("ip netns add " + dev) && Sh("ip -n " + dev + " link set lo up") &&
         Sh(h + "link add " + v + " type veth peer name eth0 netns " + dev) &&
         Sh(h + "link set " + v + " master br0") && Sh(h + "link set " + v + " up") &&
         Sh("ip -n " + dev + " link set eth0 up");
  }
  if (!ok) m_error = "could not build the test network";
}

NetnsLab::~NetnsLab() {
  StopSimulators();
  LeaveHost();
  for (const auto& d : m_devices) Sh("ip netns del " + d);
  if (!m_host.empty()) Sh("ip netns del " + m_host);
  if (!m_dir.empty()) Sh("rm -rf " + Quote(m_dir));
}

bool NetnsLab::AddDeviceAddresses(int ns, const std::vector<std::string>& ips) {
  if (!Ok() || ns < 0 || ns >= static_cast<int>(m_devices.size())) return false;
  std::string batch = m_dir + "/addr" + std::to_string(ns) + ".batch";
  FILE* f = std::fopen(batch.c_str(), "w");
  if (!f) return false;
  for (const auto& ip : ips) std::fprintf(f, "addr add %s/16 brd + dev eth0\n", ip.c_str());
  std::fclose(f);
  return Sh("ip -n " + m_devices[static_cast<std::size_t>(ns)] + " -batch " + Quote(batch));
}

bool NetnsLab::SilenceAddresses(const std::vector<std::string>& ips) {
  if (!Ok()) return false;
  std::string batch = m_dir + "/silent.batch";
  FILE* f = std::fopen(batch.c_str(), "w");
  if (!f) return false;
  for (const auto& ip : ips) std::fprintf(f, "neigh replace %s lladdr 02:00:00:00:de:ad nud permanent dev br0\n", ip.c_str());
  std::fclose(f);
  return Sh("ip -n " + m_host + " -batch " + Quote(batch));
}

bool NetnsLab::AddHostAddress(const std::string& ip) {
  return Ok() && Sh("ip -n " + m_host + " addr add " + ip + "/16 brd + dev br0");
}

bool NetnsLab::EnterHost() {
  if (!Ok()) return false;
  if (m_originalNs < 0) m_originalNs = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
  int fd = open(("/var/run/netns/" + m_host).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = setns(fd, CLONE_NEWNET) == 0;
  close(fd);
  m_entered = ok;
  return ok;
}

void NetnsLab::LeaveHost() {
  if (m_entered && m_originalNs >= 0) setns(m_originalNs, CLONE_NEWNET);
  m_entered = false;
  if (m_originalNs >= 0) close(m_originalNs);
  m_originalNs = -1;
}

pid_t NetnsLab::StartSimulator(int ns, const std::vector<std::string>& args, int readyTimeoutMs) {
  if (!Ok() || ns < 0 || ns >= static_cast<int>(m_devices.size())) return -1;
  static int serial = 0;
  std::string ready = m_dir + "/ready" + std::to_string(serial++);
  std::vector<std::string> argv = {"ip", "netns", "exec", m_devices[static_cast<std::size_t>(ns)], DEVSIM_PATH,
                                   "--ready", ready};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
    cargv.push_back(nullptr);
    execvp("ip", cargv.data());
    _exit(127);
  }
  if (pid < 0) return -1;
  m_sims.push_back(pid);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(readyTimeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Exists(ready)) return pid;
    int status;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      m_sims.pop_back();
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  StopSimulator(pid);
  return -1;
}

void NetnsLab::StopSimulator(pid_t pid) {
  for (auto it = m_sims.begin(); it != m_sims.end(); ++it) {
    if (*it != pid) continue;
    kill(pid, SIGTERM);
    int status;
    for (int i = 0; i < 300 && waitpid(pid, &status, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (kill(pid, 0) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    m_sims.erase(it);
    return;
  }
}

void NetnsLab::StopSimulators() {
  while (!m_sims.empty()) StopSimulator(m_sims.back());
}

}  // namespace testlab
