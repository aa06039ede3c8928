#include "tools/devsim/address_move.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "port/net.h"

namespace devsim {
namespace {

std::string Run(const std::string& cmd) {
  std::string out;
  if (std::FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

int PrefixOf(const std::string& netmask) {
  std::uint32_t m = 0;
  if (!port::ParseIPv4(netmask, &m)) return -1;
  int n = 0;
  while (m & 0x80000000u) {
    ++n;
    m <<= 1;
  }
  return m == 0 ? n : -1;
}

}  // namespace

bool MoveAddress(const std::string& from, const std::string& to, const std::string& netmask, bool keepOld,
                 std::string* error) {
  // "2: eth0    inet 10.231.1.5/16 brd 10.231.255.255 scope global eth0"
  std::istringstream lines(Run("ip -o -4 addr show"));
  std::string line, iface;
  int prefix = -1;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string index, name, family, cidr;
    words >> index >> name >> family >> cidr;
    if (family == "inet" && cidr.compare(0, from.size() + 1, from + "/") == 0) {
      iface = name;
      prefix = std::atoi(cidr.c_str() + from.size() + 1);
      break;
    }
  }
  if (iface.empty()) {
    *error = "no interface holds " + from;
    return false;
  }
  const int newPrefix = netmask.empty() ? prefix : PrefixOf(netmask);
  if (newPrefix < 0) {
    *error = "bad netmask " + netmask;
    return false;
  }
  if (std::system(("ip addr add " + to + "/" + std::to_string(newPrefix) + " brd + dev " + iface + " 2>/dev/null")
                      .c_str()) != 0 &&
      Run("ip -o -4 addr show to " + to).empty()) {
    *error = "cannot add " + to;
    return false;
  }
  if (!keepOld) {
    // Removing a subnet's first address would take every other address of the subnet with it.
    if (std::FILE* f = std::fopen(("/proc/sys/net/ipv4/conf/" + iface + "/promote_secondaries").c_str(), "w")) {
      std::fputs("1", f);
      std::fclose(f);
    }
    std::system(("ip addr del " + from + "/" + std::to_string(prefix) + " dev " + iface + " 2>/dev/null").c_str());
  }
  return true;
}

}  // namespace devsim
