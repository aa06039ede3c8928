#include "device/ip_set_packet.h"

#include <cstring>

#include "device/http_auth.h"

namespace {

void PutU32(IpSetPacket& p, std::size_t at, std::uint32_t v) {
  for (int b = 0; b < 4; ++b) p[at + b] = static_cast<std::uint8_t>((v >> (8 * b)) & 0xFF);
}

// The text NUL-padded to the field (the caller has checked that it fits).
void PutText(IpSetPacket& p, std::size_t at, std::size_t width, const std::string& text) {
  std::memcpy(p.data() + at, text.data(), text.size() < width ? text.size() : width);
}

}  // namespace

int MakeIpSetCommon(const std::string& user, const std::string& password, bool dynamic, const std::string& netmask,
                    const std::string& gateway, IpSetCommon* out) {
  // The account keeps a terminator; the login may fill its field.
  if (user.size() > kIpSetAccountWidth - 1) return kIpSetAccountTooLong;
  const std::string login = http::Base64Encode(user + ":" + password);
  if (login.size() > kIpSetLoginWidth) return kIpSetLoginTooLong;
  out->account = user;
  out->login = login;
  out->mode = dynamic ? kIpSetModeDynamic : kIpSetModeStatic;
  out->netmask = netmask.substr(0, kIpSetTextWidth - 1);
  out->gateway = gateway.substr(0, kIpSetTextWidth - 1);
  return 0;
}

int CheckIpSetMac(const std::string& mac) { return mac.size() > kIpSetMacWidth - 1 ? kIpSetMacTooLong : 0; }

IpSetPacket BuildIpSetPacket(const IpSetCommon& c, const std::string& mac, const std::string& address) {
  IpSetPacket p{};
  std::memcpy(p.data(), "Zolk", 4);
  PutU32(p, 4, kIpSetRequest);
  PutU32(p, 8, kIpSetPacketLength - 12);
  PutText(p, kIpSetMacAt, kIpSetMacWidth - 1, mac);
  PutText(p, kIpSetAccountAt, kIpSetAccountWidth - 1, c.account);
  PutText(p, kIpSetLoginAt, kIpSetLoginWidth, c.login);
  PutU32(p, kIpSetModeAt, c.mode);
  PutText(p, kIpSetAddressAt, kIpSetTextWidth - 1, address);
  PutText(p, kIpSetNetmaskAt, kIpSetTextWidth - 1, c.netmask);
  PutText(p, kIpSetGatewayAt, kIpSetTextWidth - 1, c.gateway);
  return p;
}

namespace {

std::uint32_t GetU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

bool IsIpSetAckDatagram(const std::uint8_t* data, std::size_t length) {
  return data && length == kIpSetAckLength && std::memcmp(data, "Zolk", 4) == 0;
}

bool ReadIpSetAck(const std::uint8_t* ack, IpSetAck* out) {
  if (GetU32(ack + 4) != kIpSetAcknowledge) return false;
  const char* mac = reinterpret_cast<const char*>(ack + kIpSetMacAt);
  std::size_t n = 0;
  while (n < kIpSetMacWidth && mac[n] != '\0') ++n;
  out->mac.assign(mac, n);
  out->result = GetU32(ack + kIpSetResultAt);
  return true;
}
