// The IP-set datagram: 224 bytes broadcast to the devices' discovery port, which each device
// answers with a 228-byte acknowledgement (the same layout, type 2, its MAC, and a result).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kIpSetPacketLength = 224;
constexpr std::uint32_t kIpSetRequest = 1;
constexpr std::uint32_t kIpSetModeDynamic = 1;
constexpr std::uint32_t kIpSetModeStatic = 2;

// Field offsets and widths.
constexpr std::size_t kIpSetMacAt = 12, kIpSetMacWidth = 32;
constexpr std::size_t kIpSetAccountAt = 44, kIpSetAccountWidth = 32;
constexpr std::size_t kIpSetLoginAt = 76, kIpSetLoginWidth = 64;
constexpr std::size_t kIpSetModeAt = 140;
constexpr std::size_t kIpSetAddressAt = 144, kIpSetNetmaskAt = 160, kIpSetGatewayAt = 176, kIpSetTextWidth = 16;

// Messages for texts that do not fit their fields (they are refused, never cut).
constexpr int kIpSetAccountTooLong = 691;  // the user name takes more than 31 bytes
constexpr int kIpSetLoginTooLong = 692;    // the user name and password take more than 64 characters
constexpr int kIpSetMacTooLong = 693;      // a device's MAC text takes more than 31 bytes

using IpSetPacket = std::array<std::uint8_t, kIpSetPacketLength>;

// What every datagram of one command shares: 8-bit texts as the fields take them.
struct IpSetCommon {
  std::string account;  // the user name
  std::string login;    // base64 of "user:password"
  std::uint32_t mode = kIpSetModeDynamic;
  std::string netmask;  // as the netmask field shows it
  std::string gateway;  // as the gateway field shows it
};

// The shared part from the login (8-bit texts); 0, or the message of a text that does not
// fit its field.
int MakeIpSetCommon(const std::string& user, const std::string& password, bool dynamic,
                    const std::string& netmask, const std::string& gateway, IpSetCommon* out);
// 0, or the message for a MAC text that does not fit its field.
int CheckIpSetMac(const std::string& mac);
// One device's datagram: magic "Zolk", type 1, length 212, its MAC and new address text.
IpSetPacket BuildIpSetPacket(const IpSetCommon& common, const std::string& mac, const std::string& address);

// The acknowledgement: the datagram's layout with type 2 and the answering device's MAC, then
// its result (0: the device takes the change).
constexpr std::size_t kIpSetAckLength = 228;
constexpr std::uint32_t kIpSetAcknowledge = 2;
constexpr std::size_t kIpSetResultAt = 224;

// A datagram that may be an acknowledgement: its length and the magic. The IP-set sockets hand
// on these and drop everything else.
bool IsIpSetAckDatagram(const std::uint8_t* data, std::size_t length);

struct IpSetAck {
  std::string mac;  // the whole MAC field, up to its first NUL (all 32 bytes when it has none)
  std::uint32_t result = 0;
};
// Reads a 228-byte acknowledgement; false when its type is not 2 (our own datagram carries 1).
bool ReadIpSetAck(const std::uint8_t* ack, IpSetAck* out);
