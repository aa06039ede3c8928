// Devices kept by hand: the add checks, the [MANUAL_IP] section and the manual device file
// ("ManualAddedDevices.ini" and its dated copies) byte for byte, and what the file reader
// tolerates.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/device_list/manual_add.h"
#include "app/device_list/manual_devices.h"
#include "app/device_list/manual_ip_settings.h"
#include "app/settings_file/settings_file.h"
#include "app/settings_file/utf16_text.h"
#include "device/http_port_map.h"
#include "port/text.h"
#include "port/exe_file.h"

namespace {

struct AddCase {
  const wchar_t* address;
  const wchar_t* port;
  int rows;  // device rows that already show the address
  unsigned expected;
};

TEST(ManualAdd, ChecksInTheirOrder) {
  const AddCase cases[] = {
      {L"192.168.0.10", L"80", 0, 0},
      {L"223.255.255.254", L"65535", 0, 0},
      {L"10.0.0.1", L"1", 1, 0},            // one row with the address: added again
      {L"10.0.0.1", L"80", 2, kAddConflicted},
      {L"0.0.0.0", L"80", 0, kAddNotUnicast},  // the blank field
      {L"192.168.0.255", L"80", 0, kAddNotUnicast},
      {L"192.168.0.0", L"80", 0, kAddNotUnicast},
      {L"224.0.0.1", L"80", 0, kAddNotUnicast},
      {L"12ab.0.0.1", L"80", 0, kAddNotUnicast},   // no leading-digit reading
      {L"10.0.0.1.5", L"80", 0, kAddNotUnicast},
      {L"10.0.256.1", L"80", 0, kAddNotUnicast},
      {L"0.0.0.0", L"", 2, kAddNotUnicast},        // the address is checked first
      {L"10.0.0.1", L"", 2, kAddNoPort},           // then an empty port
      {L"10.0.0.1", L"0", 2, kAddBadPort},         // then its range, before the rows
      {L"10.0.0.1", L"70000", 0, kAddBadPort},
      {L"10.0.0.1", L"65536", 0, kAddBadPort},
      {L"10.0.0.1", L"12ab", 0, kAddBadPort},
      {L"10.0.0.1", L" 80", 0, kAddBadPort},
      {L"10.0.0.1", L"99999999999999999999", 0, kAddBadPort},
      {L"10.0.0.1", L"0080", 0, 0},
  };
  for (const AddCase& c : cases)
    EXPECT_EQ(CheckManualAdd(c.address, c.port, c.rows), c.expected) << c.address << " port '" << c.port << "'";
}

// ---- [MANUAL_IP] ---------------------------------------------------------------------------

TEST(ManualIpSection, WrittenBytesSkipIncompleteEntriesWithoutGaps) {
  g_HttpPortMap.Clear();
  g_HttpPortMap.Set(L"10.4.0.1", 8080);
  g_HttpPortMap.Set(L"10.4.0.3", 80);
  // 10.4.0.2 has no MAC (it never answered): it takes no number. 10.4.0.9 has no port entry.
  const std::map<std::wstring, std::wstring> devices = {
      {L"10.4.0.1", L"00:0F:7C:00:04:01"}, {L"10.4.0.2", L""}, {L"10.4.0.3", L"00:0F:7C:00:04:03"},
      {L"10.4.0.9", L"00:0F:7C:00:04:09"}};
  IniDocument doc;
  SaveManualIpSection(doc, devices);
  const std::string bytes = doc.Serialize({L"MANUAL_IP"});
  ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");  // UTF-16LE, as the whole settings file
  EXPECT_EQ(DecodeUtf16Le(bytes, 2),
            L"[MANUAL_IP]\r\n"
            L"IP_01=10.4.0.1\r\nMAC_01=00:0F:7C:00:04:01\r\nHTTP_01=8080\r\n"
            L"IP_02=10.4.0.3\r\nMAC_02=00:0F:7C:00:04:03\r\nHTTP_02=80\r\n"
            L"IP_03=10.4.0.9\r\nMAC_03=00:0F:7C:00:04:09\r\nHTTP_03=0\r\n");
  // Read back, the port 0 is a device asked on 80.
  std::map<std::wstring, std::wstring> again;
  LoadManualIpSection(doc, again);
  EXPECT_EQ(again.size(), 3u);
  EXPECT_EQ(ResolveHttpPort(L"10.4.0.9"), 80);
  EXPECT_EQ(ResolveHttpPort(L"10.4.0.1"), 8080);
  g_HttpPortMap.Clear();
}

TEST(ManualIpSection, KeyNumbersKeepTwoDigitsAtLeast) {
  std::map<std::wstring, std::wstring> devices;
  for (int i = 1; i <= 101; ++i) devices[L"10.5." + std::to_wstring(i / 100) + L"." + std::to_wstring(i % 100 + 1)] = L"M";
  IniDocument doc;
  SaveManualIpSection(doc, devices);
  EXPECT_TRUE(doc.Has(L"MANUAL_IP", L"IP_09"));
  EXPECT_TRUE(doc.Has(L"MANUAL_IP", L"IP_99"));
  EXPECT_TRUE(doc.Has(L"MANUAL_IP", L"MAC_100"));
  EXPECT_TRUE(doc.Has(L"MANUAL_IP", L"HTTP_101"));
  std::map<std::wstring, std::wstring> again;
  LoadManualIpSection(doc, again);
  EXPECT_EQ(again, devices);
  g_HttpPortMap.Clear();
}

// ---- the manual device file ----------------------------------------------------------------

std::wstring TempFolder() { return FolderOfPath(port::ExecutablePath()); }

std::string Bytes(const std::wstring& path) {
  std::string b;
  EXPECT_TRUE(ReadWholeFile(path, b));
  return b;
}

TEST(ManualDevicesFile, WrittenBytesAndName) {
  g_ManualHttpMap.Clear();
  g_ManualHttpMap.Set(L"10.0.0.5", 8080);
  g_ManualHttpMap.Set(L"10.0.0.12", 80);
  // Map order is the order of the address texts: "10.0.0.12" comes before "10.0.0.5".
  const std::map<std::wstring, std::wstring> devices = {
      {L"10.0.0.5", L"00:11:22:33:44:55"}, {L"10.0.0.12", L"00:11:22:33:44:12"}, {L"10.0.0.7", L""}};
  const std::wstring folder = TempFolder();
  const std::wstring path = SaveManualAddedDevices(devices, folder, L"20120115_093005");
  ASSERT_EQ(path, folder + L"ManualAddedDevices_20120115_093005.ini");
  const std::string expected =
      std::string("IP=10.0.0.12\r\nMAC=00:11:22:33:44:12\r\nHTTP=80\r\n+\r\n"
                  "IP=10.0.0.5\r\nMAC=00:11:22:33:44:55\r\nHTTP=8080\r\n+\r\n") +
      '\0';
  EXPECT_EQ(Bytes(path), expected);

  // Saved again within the same second: the same file, replaced whole.
  g_ManualHttpMap.Set(L"10.0.0.5", 81);
  EXPECT_EQ(SaveManualAddedDevices({{L"10.0.0.5", L"00:11:22:33:44:55"}}, folder, L"20120115_093005"), path);
  EXPECT_EQ(Bytes(path), std::string("IP=10.0.0.5\r\nMAC=00:11:22:33:44:55\r\nHTTP=81\r\n+\r\n") + '\0');
  port::RemoveFile(path);

  // Nothing to save: no file at all.
  EXPECT_EQ(SaveManualAddedDevices({}, folder, L"20120115_093006"), L"");
  std::string none;
  EXPECT_FALSE(ReadWholeFile(folder + L"ManualAddedDevices_20120115_093006.ini", none));
  g_ManualHttpMap.Clear();
}

struct ReadCase {
  const char* name;
  std::string text;
  std::vector<std::pair<std::string, int>> devices;  // address with MAC "M<n>" and port
};

TEST(ManualDevicesFile, ReaderTolerance) {
  const std::string one = "IP=10.0.0.5\r\nMAC=00:11:22:33:44:55\r\nHTTP=8080\r\n";
  const ReadCase cases[] = {
      {"one record", one + "+\r\n", {{"10.0.0.5", 8080}}},
      {"without the closing +", one, {{"10.0.0.5", 8080}}},
      {"bare line feeds", "IP=10.0.0.5\nMAC=00:11:22:33:44:55\nHTTP=8080\n+\n", {{"10.0.0.5", 8080}}},
      {"keys in any order", "HTTP=81\r\nMAC=00:11:22:33:44:55\r\nIP=10.0.0.6\r\n+\r\n", {{"10.0.0.6", 81}}},
      {"runs of + and + first", "++\r\n" + one + "+++\r\n+\r\n", {{"10.0.0.5", 8080}}},
      {"a record without MAC is skipped after one with it",
       one + "+\r\nIP=10.0.0.6\r\nHTTP=80\r\n+\r\n", {{"10.0.0.5", 8080}}},
      {"an empty value is a missing one", "IP=10.0.0.7\r\nMAC=\r\nHTTP=80\r\n+\r\n", {}},
      {"a port that is no number reads 0", "IP=10.0.0.8\r\nMAC=AA\r\nHTTP=web\r\n+\r\n", {{"10.0.0.8", 0}}},
      {"a port out of range reads 0", "IP=10.0.0.8\r\nMAC=AA\r\nHTTP=70000\r\n+\r\n", {{"10.0.0.8", 0}}},
      {"quotes are dropped", "IP='10.0.0.9'\r\nMAC='AA'\r\nHTTP='80'\r\n", {{"10.0.0.9", 80}}},
      {"long values are cut", "IP=10.0.0.10xxxxxxxxx\r\nMAC=AA\r\nHTTP=123456789\r\n", {{"10.0.0.10xxxxxx", 0}}},
      {"the text ends at its NUL", one + "+\r\n" + std::string(1, '\0') + "IP=10.0.0.11\r\nMAC=AA\r\nHTTP=80\r\n",
       {{"10.0.0.5", 8080}}},
      {"the writer's own output",
       FormatManualDevices({{L"10.0.0.12", L"00:11:22:33:44:12"}}, [](const std::wstring&) { return 80; }),
       {{"10.0.0.12", 80}}},
      {"nothing", "", {}},
  };
  for (const ReadCase& c : cases) {
    const std::vector<ManualDevice> got = ParseManualDevices(c.text);
    ASSERT_EQ(got.size(), c.devices.size()) << c.name;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].ip, std::wstring(c.devices[i].first.begin(), c.devices[i].first.end())) << c.name;
      EXPECT_EQ(got[i].port, c.devices[i].second) << c.name;
      EXPECT_FALSE(got[i].mac.empty()) << c.name;
    }
  }
}

TEST(ManualDevicesFile, OnlyMacAddressesAreWrittenAsMacs) {
  struct Case {
    const wchar_t* text;
    const wchar_t* mac;  // what is kept, empty for none
  } cases[] = {
      {L"00:11:22:33:44:55", L"00:11:22:33:44:55"}, {L"00-0f-7C-AA-bb-09", L"00-0f-7C-AA-bb-09"},
      {L" 00:11:22:33:44:55\r", L"00:11:22:33:44:55"},  // blanks around it go
      {L"AA+IP=192.168.100.200MAC=BB", L""},           {L"HTTP=1", L""},
      {L"AA+BB", L""},                                 {L"00:11:22:33:44", L""},
      {L"00:11:22:33:44:555", L""},                    {L"00:11-22:33:44:55", L""},
      {L"00:11:22:33:44:5G", L""},                     {L"00:11:22 33:44:55", L""},
      {L"0011:22:33:44:55:", L""},                     {L"", L""},
  };
  std::map<std::wstring, std::wstring> devices;
  int n = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(MacAddressOf(c.text), c.mac) << port::ToLocal8(c.text);
    devices[L"10.0.1." + std::to_wstring(++n)] = c.text;
  }
  // Written and read back: the MAC addresses alone, each with its own address and port.
  const std::vector<ManualDevice> back =
      ParseManualDevices(FormatManualDevices(devices, [](const std::wstring& ip) { return 8000 + ip.back() - L'0'; }));
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0].ip, L"10.0.1.1");
  EXPECT_EQ(back[0].mac, L"00:11:22:33:44:55");
  EXPECT_EQ(back[0].port, 8001);
  EXPECT_EQ(back[1].ip, L"10.0.1.2");
  EXPECT_EQ(back[1].mac, L"00-0f-7C-AA-bb-09");
  EXPECT_EQ(back[2].ip, L"10.0.1.3");
  EXPECT_EQ(back[2].mac, L"00:11:22:33:44:55");
  EXPECT_EQ(back[2].port, 8003);
}

TEST(ManualDevicesFile, LoadedDevicesAreAskedOnTheirOwnPorts) {
  const std::wstring folder = TempFolder();
  const std::wstring path = folder + kManualDevicesFileName;
  ASSERT_TRUE(ReplaceFileContents(path, "IP=10.6.0.1\r\nMAC=00:0F:7C:00:06:01\r\nHTTP=8080\r\n+\r\n"
                                        "IP=10.6.0.2\r\nMAC=00:0F:7C:00:06:02\r\nHTTP=99999\r\n+\r\n"));
  g_ManualMacMap.Clear();
  g_ManualHttpMap.Clear();
  g_HttpPortMap.Clear();
  EXPECT_EQ(LoadManualAddedDevices(folder), 2);
  EXPECT_EQ(g_ManualMacMap.Get(L"10.6.0.1"), L"00:0F:7C:00:06:01");
  EXPECT_EQ(GetManualHttpPort(L"10.6.0.1"), 8080);
  EXPECT_EQ(ResolveHttpPort(L"10.6.0.1"), 8080);
  // A port no connection can use is not kept: the device is asked on 80.
  EXPECT_EQ(g_ManualMacMap.Get(L"10.6.0.2"), L"00:0F:7C:00:06:02");
  EXPECT_EQ(GetManualHttpPort(L"10.6.0.2"), 0);
  EXPECT_EQ(ResolveHttpPort(L"10.6.0.2"), 80);
  EXPECT_EQ(GetManualHttpPort(L"10.6.0.3"), 0);
  port::RemoveFile(path);
  g_ManualMacMap.Clear();
  g_ManualHttpMap.Clear();
  g_HttpPortMap.Clear();
  EXPECT_EQ(LoadManualAddedDevices(folder), 0);  // no file: nothing, silently
}

}  // namespace
