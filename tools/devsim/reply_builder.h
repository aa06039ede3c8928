// Builds the datagrams a device sends, as the simulator and the tests need them.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "device/discovery_datagrams.h"

namespace devsim {

// The fields of one device as it reports them in discovery.
struct DeviceFields {
  std::string ip;
  std::string mac;
  std::string firmware;
  std::string model;
  std::string serial;
  std::string shortSerial;
  std::string multicastIp;
  unsigned channel = 0;
  unsigned httpPort = 80;
};

template <std::size_t N>
void PutText(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), text.size() < N ? text.size() : N);
}

inline DiscoveryReply BuildReply(const DeviceFields& f) {
  DiscoveryReply r;
  std::memset(&r, 0, sizeof r);
  std::memcpy(r.header, "DORVIKREPLY", 12);
  PutText(r.identity.shortSerial, f.shortSerial);
  PutText(r.identity.ip, f.ip);
  PutText(r.identity.multicastIp, f.multicastIp);
  PutText(r.identity.mac, f.mac);
  r.identity.channel = static_cast<std::uint8_t>(f.channel);
  PutText(r.identity.firmware, f.firmware);
  r.identity.httpPort[0] = static_cast<std::uint8_t>(f.httpPort & 0xFF);
  r.identity.httpPort[1] = static_cast<std::uint8_t>((f.httpPort >> 8) & 0xFF);
  PutText(r.model.serial, f.serial);
  r.model.channel = static_cast<std::uint8_t>(f.channel);
  PutText(r.model.model, f.model);
  return r;
}

inline DiscoveryReplyShort BuildShortReply(const DeviceFields& f) {
  DiscoveryReply full = BuildReply(f);
  DiscoveryReplyShort s;
  std::memcpy(&s, &full, sizeof s);
  return s;
}

// A recorder's tagged text: <ROOT><IP>..</IP>...</ROOT>, empty fields left out.
inline std::string BuildRecorderText(const std::string& root, const DeviceFields& f,
                                     const std::string& sysName, const std::string& upgradable,
                                     const std::string& platform) {
  auto el = [](const std::string& name, const std::string& v) {
    return "<" + name + ">" + v + "</" + name + ">";
  };
  std::string t = "<" + root + ">";
  t += el("IP", f.ip) + el("MAC", f.mac) + el("Model", f.model) + el("HttpPort", std::to_string(f.httpPort)) +
       el("SysName", sysName) + el("Firmware", f.firmware) + el("Serial", f.serial) +
       el("Upgradable", upgradable) + el("Platform", platform);
  t += "</" + root + ">";
  return t;
}

}  // namespace devsim
