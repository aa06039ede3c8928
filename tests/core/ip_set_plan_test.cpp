// The IP-set dialog's address plan and the datagram it sends, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/http_auth.h"
#include "device/ip_set_packet.h"
#include "dialogs/ip_set/ip_set_plan.h"
#include "port/net.h"

namespace {

std::uint32_t A(const char* text) {
  std::uint32_t a = 0;
  EXPECT_TRUE(port::ParseIPv4(text, &a)) << text;
  return a;
}

std::vector<std::string> Texts(const std::vector<std::uint32_t>& v) {
  std::vector<std::string> out;
  for (std::uint32_t a : v) out.push_back(a ? port::FormatIPv4(a) : std::string("-"));
  return out;
}

TEST(IpSetPlan, ChecksAndAssignments) {
  struct Case {
    const char* name;
    bool dynamic;
    const char *start, *mask, *gateway;
    std::vector<const char*> used;
    std::size_t devices;
    int message;
    std::vector<std::string> addresses;
  };
  const std::vector<Case> cases = {
      {"a netmask with a gap, before anything else", false, "0.0.0.0", "255.255.0.255", "1.2.3.4", {}, 1, 545, {}},
      {"start outside the gateway's subnet", false, "192.168.1.10", "255.255.255.0", "192.168.0.1", {}, 1, 543, {}},
      {"start ending in 0", false, "192.168.0.0", "255.255.255.0", "192.168.0.1", {}, 1, 544, {}},
      {"start multicast", false, "224.0.0.5", "0.0.0.0", "10.0.0.1", {}, 1, 544, {}},
      {"gateway not unicast", false, "10.0.0.5", "0.0.0.0", "224.0.0.1", {}, 1, 546, {}},
      {"used addresses and the gateway passed over", false, "192.168.0.100", "255.255.255.0", "192.168.0.101",
       {"192.168.0.102", "10.1.1.1"}, 3, 0, {"192.168.0.100", "192.168.0.103", "192.168.0.104"}},
      {"one address left before the broadcast address", false, "192.168.0.253", "255.255.255.0", "192.168.0.254",
       {}, 1, 0, {"192.168.0.253"}},
      {"the broadcast address is never handed out", false, "192.168.0.253", "255.255.255.0", "192.168.0.254", {}, 2,
       542, {}},
      {"past the subnet", false, "192.168.0.253", "255.255.255.0", "192.168.0.254", {}, 3, 542, {}},
      {"network and broadcast of a /30", false, "10.0.0.2", "255.255.255.252", "10.0.0.1", {}, 2, 542, {}},
      {"a /31 has no network or broadcast address", false, "10.0.0.2", "255.255.255.254", "10.0.0.3", {}, 1, 0,
       {"10.0.0.2"}},
      {"counting up a /16 across octets", false, "10.231.5.254", "255.255.0.0", "10.231.0.254", {}, 3, 0,
       {"10.231.5.254", "10.231.5.255", "10.231.6.1"}},
      {"never past 255.255.255.255", false, "223.255.255.254", "0.0.0.0", "10.0.0.1", {}, 2, 0,
       {"223.255.255.254", "223.255.255.255"}},
      {"never wraps to 0.0.0.0", false, "223.255.255.254", "0.0.0.0", "10.0.0.1", {}, 3, 542, {}},
      {"dynamic: a shortage never refuses", true, "192.168.0.253", "255.255.255.0", "192.168.0.254", {}, 3, 0,
       {"192.168.0.253", "-", "-"}},
      {"dynamic: the checks still hold", true, "192.168.1.10", "255.255.255.0", "192.168.0.1", {}, 1, 543, {}},
  };
  for (const Case& c : cases) {
    IpSetInput in;
    in.dynamic = c.dynamic;
    in.start = A(c.start);
    in.netmask = A(c.mask);
    in.gateway = A(c.gateway);
    std::vector<std::uint32_t> used;
    for (const char* u : c.used) used.push_back(A(u));
    const IpSetPlan plan = PlanAddresses(in, used, c.devices);
    EXPECT_EQ(plan.messageId, c.message) << c.name;
    EXPECT_EQ(Texts(plan.addresses), c.addresses) << c.name;
  }
}

TEST(IpSetPlan, NetmaskIsOnesThenZeros) {
  for (const char* good : {"0.0.0.0", "255.255.255.255", "255.255.255.0", "255.255.0.0", "128.0.0.0", "255.255.255.252"})
    EXPECT_TRUE(IsValidNetmask(A(good))) << good;
  for (const char* bad : {"255.255.0.255", "255.0.255.0", "0.0.0.1", "255.255.255.253", "127.255.255.255"})
    EXPECT_FALSE(IsValidNetmask(A(bad))) << bad;
}

// ---- the datagram ------------------------------------------------------------------------

std::string At(const IpSetPacket& p, std::size_t at, std::size_t n) {
  return std::string(reinterpret_cast<const char*>(p.data()) + at, n);
}
std::uint32_t U32(const IpSetPacket& p, std::size_t at) {
  return p[at] | (p[at + 1] << 8) | (p[at + 2] << 16) | (static_cast<std::uint32_t>(p[at + 3]) << 24);
}
std::string Padded(const std::string& s, std::size_t width) { return s + std::string(width - s.size(), '\0'); }

TEST(IpSetPacket, EveryFieldInPlace) {
  IpSetCommon c;
  ASSERT_EQ(MakeIpSetCommon("admin", "740912", false, "255.255.0.0", "10.231.0.254", &c), 0);
  const IpSetPacket p = BuildIpSetPacket(c, "00:0F:7C:00:15:01", "10.231.5.100");
  EXPECT_EQ(At(p, 0, 4), "Zolk");
  EXPECT_EQ(U32(p, 4), 1u);
  EXPECT_EQ(U32(p, 8), 212u);
  EXPECT_EQ(At(p, 12, 32), Padded("00:0F:7C:00:15:01", 32));
  EXPECT_EQ(At(p, 44, 32), Padded("admin", 32));
  EXPECT_EQ(At(p, 76, 64), Padded("YWRtaW46NzQwOTEy", 64));  // base64 of "admin:740912"
  EXPECT_EQ(U32(p, 140), 2u);
  EXPECT_EQ(At(p, 144, 16), Padded("10.231.5.100", 16));
  EXPECT_EQ(At(p, 160, 16), Padded("255.255.0.0", 16));
  EXPECT_EQ(At(p, 176, 16), Padded("10.231.0.254", 16));
  EXPECT_EQ(At(p, 192, 32), std::string(32, '\0'));
  IpSetCommon dhcp;
  ASSERT_EQ(MakeIpSetCommon("admin", "740912", true, "255.255.255.0", "192.168.0.254", &dhcp), 0);
  EXPECT_EQ(U32(BuildIpSetPacket(dhcp, "M", ""), 140), 1u);
}

TEST(IpSetPacket, LoginTextsThatDoNotFitAreRefusedNotCut) {
  IpSetCommon c;
  // 8-bit password bytes above 127: standard base64 of the bytes as they are.
  ASSERT_EQ(MakeIpSetCommon("admin", "p\xE4ss\xFF", false, "255.255.255.0", "1.1.1.1", &c), 0);
  EXPECT_EQ(c.login, "YWRtaW46cORzc/8=");
  std::string decoded;
  ASSERT_TRUE(http::Base64Decode(c.login, &decoded));
  EXPECT_EQ(decoded, "admin:p\xE4ss\xFF");

  EXPECT_EQ(MakeIpSetCommon(std::string(31, 'u'), "p", false, "", "", &c), 0);
  EXPECT_EQ(MakeIpSetCommon(std::string(32, 'u'), "p", false, "", "", &c), kIpSetAccountTooLong);
  // 47 and 48 bytes of "user:password" make 64 base64 characters, with no terminator left.
  ASSERT_EQ(MakeIpSetCommon("admin", std::string(41, 'x'), false, "", "", &c), 0);
  EXPECT_EQ(c.login.size(), 64u);
  const IpSetPacket full = BuildIpSetPacket(c, "M", "1.2.3.4");
  EXPECT_EQ(At(full, 76, 64), c.login);
  EXPECT_EQ(U32(full, 140), 2u);  // the mode follows at once
  EXPECT_EQ(MakeIpSetCommon("admin", std::string(42, 'x'), false, "", "", &c), 0);
  EXPECT_EQ(MakeIpSetCommon("admin", std::string(43, 'x'), false, "", "", &c), kIpSetLoginTooLong);

  EXPECT_EQ(CheckIpSetMac(std::string(31, 'm')), 0);
  EXPECT_EQ(CheckIpSetMac(std::string(32, 'm')), kIpSetMacTooLong);
}

}  // namespace
