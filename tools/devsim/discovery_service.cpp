#include "tools/devsim/discovery_service.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "device/http_auth.h"
#include "port/net.h"
#include "tools/devsim/upgrade_state.h"

namespace devsim {
namespace {

constexpr unsigned short kPorts[5] = {2900, 6005, 6006, 6055, 6056};

// The bytes one device sends on one port, empty when it sends nothing there.
std::string Datagram(const SimDevice& d, unsigned short port, std::mt19937& rng) {
  if (d.discovery == "none") return std::string();
  if (port == 2900) {
    if (d.textRoot.empty()) return std::string();
    return BuildRecorderText(d.textRoot, d.fields, d.cameraName, d.upgradable, d.platform);
  }
  if (port == 6006 || port == 6056) {
    DiscoveryReplyShort s = BuildShortReply(d.fields);
    return std::string(reinterpret_cast<const char*>(&s), sizeof s);
  }
  if (d.discovery == "short" || !d.textRoot.empty()) return std::string();
  DiscoveryReply r = BuildReply(d.fields);
  if (d.malformed.count("randhdr"))
    for (auto& b : r.header) b = static_cast<std::uint8_t>(rng());
  if (d.malformed.count("nonul")) std::memset(r.model.model, 'N', sizeof r.model.model);
  if (d.malformed.count("lfip")) {
    std::string ip = d.fields.ip + "\nxyz";
    PutText(r.identity.ip, ip);
  }
  std::string bytes(reinterpret_cast<const char*>(&r), sizeof r);
  if (d.malformed.count("len267")) bytes.resize(267);
  if (d.malformed.count("len269")) bytes.push_back('\0');
  return bytes;
}

}  // namespace

DiscoveryService::DiscoveryService(const std::vector<SimDevice>& devices, const DiscoveryOptions& options,
                                   RequestLog& log, DeviceMover mover)
    : m_devices(devices), m_options(options), m_log(log), m_mover(std::move(mover)) {}

DiscoveryService::~DiscoveryService() { Stop(); }

bool DiscoveryService::Start(std::string* error) {
  m_running = true;
  for (unsigned short p : kPorts) {
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    int sndbuf = 4 * 1024 * 1024;
    setsockopt(s, SOL_SOCKET, SO_SNDBUFFORCE, &sndbuf, sizeof sndbuf);
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(p);
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      *error = "cannot bind UDP port " + std::to_string(p) + ": " + std::strerror(errno);
      close(s);
      Stop();
      return false;
    }
    m_sockets.push_back(s);
  }
  for (int i = 0; i < 5; ++i) m_threads.emplace_back(&DiscoveryService::Serve, this, i);
  return true;
}

void DiscoveryService::Stop() {
  m_running = false;
  for (auto& t : m_threads)
    if (t.joinable()) t.join();
  m_threads.clear();
  for (int s : m_sockets) close(s);
  m_sockets.clear();
}

void DiscoveryService::Serve(int index) {
  char buf[2048];
  while (m_running) {
    pollfd p{m_sockets[index], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    sockaddr_in from;
    socklen_t fl = sizeof from;
    ssize_t n = recvfrom(m_sockets[index], buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fl);
    if (n <= 0) continue;
    std::string fromIp = port::FormatIPv4(ntohl(from.sin_addr.s_addr));
    unsigned short fromPort = ntohs(from.sin_port);
    if ((kPorts[index] == 6005 || kPorts[index] == 6055) && n >= 4 && std::memcmp(buf, "Zolk", 4) == 0) {
      if (n == 224) AnswerIpSet(buf, fromIp, fromPort, kPorts[index]);
      else if (n != 228) m_log.Write("udp ipset bad length=" + std::to_string(n) + " from=" + fromIp);
    } else if (n == 8 && std::memcmp(buf, "80503736", 8) == 0) {
      m_log.Write("udp probe port=" + std::to_string(kPorts[index]) + " from=" + fromIp + ":" +
                  std::to_string(fromPort));
      Answer(index, fromIp, fromPort);
    } else {
      m_log.Write("udp other port=" + std::to_string(kPorts[index]) + " len=" + std::to_string(n) +
                  " from=" + fromIp);
    }
  }
}

namespace {

std::uint32_t U32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::string Field(const char* p, std::size_t width) { return std::string(p, strnlen(p, width)); }

std::string Hex(const char* p, std::size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}


}  // namespace

// The device named by MAC acknowledges an address change with 228 bytes and, when it takes the
// change, moves.
void DiscoveryService::AnswerIpSet(const char* request, const std::string& fromIp, unsigned short fromPort,
                                   unsigned short port) {
  const std::string mac = Field(request + 12, 32);
  if (U32(request + 4) != 1 || U32(request + 8) != 212) {
    m_log.Write("udp ipset bad header port=" + std::to_string(port) + " mac=" + mac + " from=" + fromIp);
    return;
  }
  const std::uint32_t mode = U32(request + 140);
  const std::string account = Field(request + 44, 32), login = Field(request + 76, 64);
  const std::string address = Field(request + 144, 16), netmask = Field(request + 160, 16),
                    gateway = Field(request + 176, 16);
  for (std::size_t i = 0; i < m_devices.size(); ++i) {
    const SimDevice& d = m_devices[i];
    if (d.fields.mac != mac) continue;
    const std::string user = Setting(d, "user", "admin"), password = Setting(d, "password", "740912");
    std::string decoded;
    const bool loginOk = account == user && http::Base64Decode(login, &decoded) && decoded == user + ":" + password;
    m_log.Write("udp ipset port=" + std::to_string(port) + " mac=" + mac + " mode=" + std::to_string(mode) +
                " ip=" + address + " mask=" + netmask + " gw=" + gateway + " account=" + account +
                " login=" + (loginOk ? "ok" : "bad") + " from=" + fromIp + " bytes=" + Hex(request, 224));
    unsigned result = loginOk ? 0 : 1;
    // A result forced for this port ("ipset_result_6055=0"), else for both.
    auto forced = d.extra.find("ipset_result_" + std::to_string(port));
    if (forced == d.extra.end()) forced = d.extra.find("ipset_result");
    if (forced != d.extra.end()) result = static_cast<unsigned>(std::strtoul(forced->second.c_str(), nullptr, 10));
    char ack[228];
    std::memcpy(ack, request, 224);
    ack[4] = 2;
    ack[5] = ack[6] = ack[7] = 0;
    std::memset(ack + 12, 0, 32);
    std::memcpy(ack + 12, d.fields.mac.data(), d.fields.mac.size() < 32 ? d.fields.mac.size() : 32);
    for (int b = 0; b < 4; ++b) ack[224 + b] = static_cast<char>((result >> (8 * b)) & 0xFF);
    std::string dest = m_options.replyTo;
    if (dest.empty()) dest = Setting(d, "ipset_reply", "broadcast") == "unicast" ? fromIp : "255.255.255.255";
    const unsigned short toPort = dest == fromIp ? fromPort : port;
    int sock = m_sockets[port == 6005 ? 1 : 3];
    DeviceFields now = d.fields;
    UpgradeState::Instance().Present(static_cast<int>(i), &now);
    if (port::SendTo(sock, dest, toPort, ack, sizeof ack, now.ip) < 0) port::SendTo(sock, dest, toPort, ack, sizeof ack);
    if (result != 0 || !loginOk || !m_mover) continue;
    const std::string to = mode == 2 ? address : Setting(d, "dhcp_ip", "");
    if (!to.empty() && to != now.ip) m_mover(static_cast<int>(i), to, mode == 2 ? netmask : std::string());
  }
}

void DiscoveryService::Answer(int index, const std::string& toIp, unsigned short toPort) {
  std::mt19937 rng(static_cast<unsigned>(index) * 7919u + 1u);
  const std::string dest = m_options.replyTo.empty() ? toIp : m_options.replyTo;
  int sent = 0;
  for (std::size_t i = 0; i < m_devices.size(); ++i) {
    // A device that reboots after an upgrade is silent for a while, then answers with what
    // the upgrade changed (tools/devsim/upgrade_state.h).
    const SimDevice* dev = &m_devices[i];
    SimDevice rebooted;
    if (UpgradeState::Instance().Touched(static_cast<int>(i))) {
      rebooted = *dev;
      if (!UpgradeState::Instance().Present(static_cast<int>(i), &rebooted.fields)) continue;
      dev = &rebooted;
    }
    const SimDevice& d = *dev;
    std::string bytes = Datagram(d, kPorts[index], rng);
    if (bytes.empty()) continue;
    // Each device answers from its own address; one whose address is not held here (a
    // deliberately odd configuration) answers from the interface's.
    if (port::SendTo(m_sockets[index], dest, toPort, bytes.data(), static_cast<int>(bytes.size()), d.fields.ip) < 0)
      port::SendTo(m_sockets[index], dest, toPort, bytes.data(), static_cast<int>(bytes.size()));
    if (m_options.burstBatch > 0 && ++sent % m_options.burstBatch == 0) usleep(m_options.burstPauseUs);
  }
}

}  // namespace devsim
