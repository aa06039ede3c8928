// Wire formats of the discovery service: the probe and the fixed-layout replies.
#pragma once
#include <cstddef>
#include <cstdint>

#include "device/device_record.h"

// The probe: these 8 ASCII bytes, no terminator, one datagram per port.
constexpr char kDiscoveryProbe[] = "80503736";
constexpr int kDiscoveryProbeLength = 8;

constexpr std::uint16_t kPortRecorderText = 2900;
constexpr std::uint16_t kPortReplyA = 6005;
constexpr std::uint16_t kPortShortA = 6006;
constexpr std::uint16_t kPortReplyB = 6055;
constexpr std::uint16_t kPortShortB = 6056;
// The five probe ports, in the order the engine opens them.
constexpr std::uint16_t kDiscoveryPorts[5] = {kPortRecorderText, kPortReplyA, kPortShortA,
                                              kPortReplyB, kPortShortB};

constexpr int kDiscoveryReplyLength = 268;
constexpr int kDiscoveryReplyShortLength = 176;
constexpr int kIpSetReplyLength = 228;
constexpr int kRecorderTextMax = 511;

#pragma pack(push, 1)
// Bytes 12 to 175 of a reply.
struct DeviceIdentityPart {
  std::uint8_t head[24];
  char shortSerial[8];       // 36
  char ip[32];               // 44: ends at the first NUL or line feed
  char multicastIp[16];      // 76
  char mac[34];              // 92
  std::uint8_t channel;      // 126: not read, the model part's channel counts
  std::uint8_t reserved;     // 127
  char firmware[32];         // 128
  std::uint8_t httpPort[2];  // 160: least significant byte first
  std::uint8_t rest[14];     // 162
};

// Bytes 176 to 267 of a reply.
struct DeviceModelPart {
  std::uint8_t head[16];
  char serial[26];            // 192
  std::uint8_t channel;       // 218: 0 = no channel
  std::uint8_t reserved[21];  // 219
  char model[28];             // 240
};

struct DiscoveryReply {
  std::uint8_t header[12];
  DeviceIdentityPart identity;
  DeviceModelPart model;
};

struct DiscoveryReplyShort {
  std::uint8_t header[12];
  DeviceIdentityPart identity;
};
#pragma pack(pop)

static_assert(sizeof(DeviceIdentityPart) == 164, "identity part is 164 bytes");
static_assert(sizeof(DeviceModelPart) == 92, "model part is 92 bytes");
static_assert(sizeof(DiscoveryReply) == kDiscoveryReplyLength, "reply is 268 bytes");
static_assert(sizeof(DiscoveryReplyShort) == kDiscoveryReplyShortLength, "short reply is 176 bytes");

// Fills a fresh record from one 268-byte reply and records the device's HTTP port in
// g_HttpPortMap. Slots 1 and 9 to 11 stay empty.
void FillDeviceRecord(const DeviceIdentityPart& identity, const DeviceModelPart& model,
                      DeviceRecord& record);

// The HTTP port carried in the identity part.
int ReplyHttpPort(const DeviceIdentityPart& identity);
