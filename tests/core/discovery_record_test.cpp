// Filling device records from discovery replies and reading recorder texts.
#include <gtest/gtest.h>

#include <cstring>

#include "device/discovery_datagrams.h"
#include "device/http_port_map.h"
#include "device/tag_parser.h"
#include "tools/devsim/reply_builder.h"

namespace {

devsim::DeviceFields Plain() {
  devsim::DeviceFields f;
  f.ip = "192.168.0.5";
  f.mac = "00:0F:7C:01:02:03";
  f.firmware = "A1D-220-V4.12.09-AC";
  f.model = "CAM-2100";
  f.serial = "SER123456";
  f.shortSerial = "SER1";
  f.multicastIp = "239.0.0.5";
  f.httpPort = 8080;
  return f;
}

DeviceRecord Fill(const DiscoveryReply& r) {
  DeviceRecord rec;
  FillDeviceRecord(r.identity, r.model, rec);
  return rec;
}

TEST(FillDeviceRecord, FillsSlotsAndPortFromOneReply) {
  g_HttpPortMap.Clear();
  DiscoveryReply r = devsim::BuildReply(Plain());
  // Header and unread bytes are never looked at.
  for (int i = 0; i < 12; ++i) r.header[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 37));
  std::memset(r.identity.rest, 0xEE, sizeof r.identity.rest);
  DeviceRecord rec = Fill(r);
  EXPECT_EQ(rec[SLOT_IP], L"192.168.0.5");
  EXPECT_EQ(rec[SLOT_MAC], L"00:0F:7C:01:02:03");
  EXPECT_EQ(rec[SLOT_FIRMWARE], L"A1D-220-V4.12.09-AC");
  EXPECT_EQ(rec[SLOT_MODEL], L"CAM-2100");
  EXPECT_EQ(rec[SLOT_SERIAL], L"SER123456");
  EXPECT_EQ(rec[SLOT_MULTICAST_IP], L"239.0.0.5");
  for (std::size_t s : {SLOT_CAMERA_NAME, SLOT_CHANNEL_IP, SLOT_CHANNEL_MAC, SLOT_PARAMETERS,
                        SLOT_UPGRADABLE, SLOT_PLATFORM})
    EXPECT_TRUE(rec[s].empty()) << "slot " << s;
  EXPECT_EQ(g_HttpPortMap.Get(L"192.168.0.5"), 8080);
}

TEST(FillDeviceRecord, IpFieldEndsAtLineFeedAndFieldsWithoutNulEndAtWidth) {
  DiscoveryReply r = devsim::BuildReply(Plain());
  std::memcpy(r.identity.ip, "192.168.0.5\nxyz", 15);
  std::memset(r.model.model, 'M', sizeof r.model.model);  // no NUL inside the field
  std::memset(r.identity.firmware, 'F', sizeof r.identity.firmware);
  DeviceRecord rec = Fill(r);
  EXPECT_EQ(rec[SLOT_IP], L"192.168.0.5");
  EXPECT_EQ(rec[SLOT_MODEL], std::wstring(28, L'M'));
  EXPECT_EQ(rec[SLOT_FIRMWARE], std::wstring(32, L'F'));
  // The model field must not run into the bytes after it.
  std::memset(r.identity.ip, 'I', sizeof r.identity.ip);
  EXPECT_EQ(Fill(r)[SLOT_IP], std::wstring(32, L'I'));
}

TEST(FillDeviceRecord, HttpPortIsLeastSignificantByteFirst) {
  struct Case { std::uint8_t lo, hi; int port; } cases[] = {
      {0x50, 0x00, 80}, {0x1F, 0x90, 36895}, {0x90, 0x1F, 8080}, {0x00, 0x00, 0}, {0xFF, 0xFF, 65535}};
  for (const auto& c : cases) {
    DiscoveryReply r = devsim::BuildReply(Plain());
    r.identity.httpPort[0] = c.lo;
    r.identity.httpPort[1] = c.hi;
    g_HttpPortMap.Set(L"192.168.0.5", 1);  // overwritten, not kept
    Fill(r);
    EXPECT_EQ(g_HttpPortMap.Get(L"192.168.0.5"), c.port) << int(c.lo) << "," << int(c.hi);
  }
}

TEST(FillDeviceRecord, ChannelFromModelPartFillsChannelSlots) {
  struct Case { unsigned identityChannel, modelChannel; const wchar_t* ip; const wchar_t* mac; } cases[] = {
      {0, 0, L"", L""},
      {3, 0, L"", L""},  // the identity part's channel byte is not read
      {0, 3, L"3 - 10.0.0.9", L"3 - 00:0F:7C:01:02:03"},
      {0, 2, L"2 - 10.0.0.9", L"2 - 00:0F:7C:01:02:03"},
      {0, 255, L"255 - 10.0.0.9", L"255 - 00:0F:7C:01:02:03"},
  };
  for (const auto& c : cases) {
    devsim::DeviceFields f = Plain();
    f.ip = "10.0.0.9";
    DiscoveryReply r = devsim::BuildReply(f);
    r.identity.channel = static_cast<std::uint8_t>(c.identityChannel);
    r.model.channel = static_cast<std::uint8_t>(c.modelChannel);
    DeviceRecord rec = Fill(r);
    EXPECT_EQ(rec[SLOT_CHANNEL_IP], c.ip);
    EXPECT_EQ(rec[SLOT_CHANNEL_MAC], c.mac);
  }
}

TEST(FillDeviceRecord, SerialRule) {
  struct Case { const char* firmware; const char* shortSerial; const char* serial; const wchar_t* expected; } cases[] = {
      {"V1.2-QT-LV", "ABC", "XYZ9", L"XYZ9"},     // -QT wins over LV
      {"V1.2-QT", "ABC", "XYZ9", L"XYZ9"},
      {"V1.2-LV", "ABC", "ABC123", L"ABC123"},     // short is a prefix of long
      {"V1.2-LV", "ABC", "ABC", L"ABC"},           // equal
      {"V1.2-LV", "ABC", "XYZ9", L"ABC"},          // not a prefix: the short one
      {"V1.2-LV", "", "XYZ9", L"XYZ9"},            // empty short serial is a prefix of anything
      {"LVX", "ABCD", "ABC", L"ABCD"},             // long shorter than short
      {"V1.2-lv", "ABC", "XYZ9", L"XYZ9"},         // the tests are case-sensitive
      {"V1.2-qt-LV", "ABC", "XYZ9", L"ABC"},
      {"V1.2", "ABC", "XYZ9", L"XYZ9"},
  };
  for (const auto& c : cases) {
    devsim::DeviceFields f = Plain();
    f.firmware = c.firmware;
    f.shortSerial = c.shortSerial;
    f.serial = c.serial;
    EXPECT_EQ(Fill(devsim::BuildReply(f))[SLOT_SERIAL], c.expected) << c.firmware << " " << c.shortSerial;
  }
}

TEST(FillDeviceRecord, ShortSerialFieldUsesAllEightBytes) {
  devsim::DeviceFields f = Plain();
  f.firmware = "X-LV";
  f.shortSerial = "ABCDEFGH";  // fills the field, no NUL
  f.serial = "ABCDEFGH12";
  EXPECT_EQ(Fill(devsim::BuildReply(f))[SLOT_SERIAL], L"ABCDEFGH12");
}

TEST(HttpPortMap, LookupNeverCreatesAndResolverFallsBackTo80) {
  g_HttpPortMap.Clear();
  EXPECT_EQ(g_HttpPortMap.Get(L"10.1.1.1"), 0);
  EXPECT_EQ(g_HttpPortMap.Size(), 0u);
  EXPECT_EQ(ResolveHttpPort(L"10.1.1.1"), 80);
  g_HttpPortMap.Set(L"10.1.1.1", 8081);
  EXPECT_EQ(ResolveHttpPort(L"10.1.1.1"), 8081);
  EXPECT_EQ(ResolveHttpPort(L"10.1.1.1", 9000), 9000);
  g_HttpPortMap.Set(L"10.1.1.2", 0);
  EXPECT_EQ(ResolveHttpPort(L"10.1.1.2"), 80);
}

TEST(HttpPortMap, OnlyPortsFrom1To65535AreStored) {
  struct Case {
    const wchar_t* text;
    int port;
  } cases[] = {{L"8080", 8080}, {L" 81", 81},     {L"65535", 65535}, {L"65536", 0},     {L"70000", 0},
               {L"0", 0},       {L"-80", 0},      {L"", 0},          {L"x80", 0},       {L"80x", 80},
               {L"4294967376", 0}, {L"99999999999999999999", 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(PortFromText(c.text), c.port) << c.text;
    g_HttpPortMap.Set(L"10.1.1.3", 8000);
    g_HttpPortMap.Set(L"10.1.1.3", PortFromText(c.text));
    // What is not a port is not stored: the address's requests go to 80.
    EXPECT_EQ(ResolveHttpPort(L"10.1.1.3"), c.port ? c.port : 80) << c.text;
  }
  for (int bad : {0, -1, 65536, 70000}) {
    g_HttpPortMap.Set(L"10.1.1.4", bad);
    EXPECT_EQ(g_HttpPortMap.Get(L"10.1.1.4"), 0) << bad;
  }
}

TEST(TagParser, ReadsFieldsInsideTheRoot) {
  struct Case { const char* text; const char* root; bool found; const char* ip; const char* mac; } cases[] = {
      {"<HMY><IP>10.1.1.2</IP></HMY>", "HMY", true, "10.1.1.2", ""},
      {"<HMY><IP></IP><MAC>AA</MAC></HMY>", "HMY", true, "", "AA"},
      {"<HMY><MAC>AA</MAC></HMY><IP>10.1.1.2</IP>", "HMY", true, "", "AA"},  // after the root's end
      {"<IP>10.1.1.2</IP><HMY><MAC>AA</MAC></HMY>", "HMY", true, "", "AA"},  // before the root
      {"</HMY><HMY><IP>1</IP>", "HMY", false, "", ""},                       // closing tag first
      {"<NVQ><IP>10.9.9.9</IP></NVQ>", "HMY", false, "", ""},
      {"<NVQ><IP>10.9.9.9</IP></NVQ>", "NVQ", true, "10.9.9.9", ""},
      {"<HMY><IP>10.1.1.2</HMY>", "HMY", true, "", ""},                      // element never closed
      {"<HMY><IP>a<b>c</IP></HMY>", "HMY", true, "a", ""},                   // value ends at the next "<"
      {"", "HMY", false, "", ""},
  };
  for (const auto& c : cases) {
    TagParser p;
    EXPECT_EQ(p.Find(c.text, c.root), c.found) << c.text;
    EXPECT_EQ(p.GetValue("IP"), c.ip) << c.text;
    EXPECT_EQ(p.GetValue("MAC"), c.mac) << c.text;
  }
}

TEST(TagParser, WholeRecorderTextAndLimits) {
  devsim::DeviceFields f = Plain();
  std::string text = devsim::BuildRecorderText("HMY", f, "Lobby", "False", "R9");
  TagParser p;
  ASSERT_TRUE(p.Find(text, "HMY"));
  EXPECT_EQ(p.GetValue("IP"), "192.168.0.5");
  EXPECT_EQ(p.GetValue("SysName"), "Lobby");
  EXPECT_EQ(p.GetValue("HttpPort"), "8080");
  EXPECT_EQ(p.GetValue("Upgradable"), "False");
  EXPECT_EQ(p.GetValue("Platform"), "R9");
  EXPECT_EQ(p.GetValue("Nothing"), "");
  // Only the first 10240 bytes are kept: a root closed beyond them is not found.
  std::string longText = "<HMY><IP>1.2.3.4</IP>" + std::string(11000, ' ') + "</HMY>";
  EXPECT_FALSE(p.Find(longText, "HMY"));
  EXPECT_EQ(p.GetValue("IP"), "");
}

}  // namespace
