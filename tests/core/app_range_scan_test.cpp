// The address-range scan with its requests faked: what is taken for a device, the order of the
// reports, the window of addresses asked at once, the stop, and what is kept and saved.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/device_list/device_list.h"
#include "app/device_list/manual_devices.h"
#include "app/range_scan/range_scan.h"
#include "device/device_info.h"
#include "device/http_port_map.h"
#include "port/net.h"
#include "port/stop_scope.h"
#include "port/text.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kFirst[] = "Firmware Version = A1D-310-V5.00.01\nProduction ID = P1\nCompany Name = X\n";
const char kFirstNoCompany[] = "Firmware Version = A1D-310-V5.00.01\nProduction ID = P1\n";
const char kSecond[] = "Firmware=NVQ-1\nProductID=P2\nCompanyName=X\n";

TEST(ScanAnswer, AllThreeWordsOfTheRequest) {
  struct Case {
    ScanRequest request;
    const char* reply;
    bool device;
  } cases[] = {
      {ScanRequest::First, kFirst, true},
      {ScanRequest::First, kFirstNoCompany, false},
      {ScanRequest::First, "Company Name Production ID Firmware Version", true},  // anywhere, any order
      {ScanRequest::First, kSecond, false},
      {ScanRequest::Second, kSecond, true},
      {ScanRequest::Second, "Firmware=1\nProductID=2\n", false},
      {ScanRequest::Second, kFirst, false},  // "Production ID" is not "ProductID"
      {ScanRequest::First, "", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsDeviceAnswer(c.request, c.reply, static_cast<int>(std::strlen(c.reply))), c.device) << c.reply;
  // Only the bytes read count.
  EXPECT_FALSE(IsDeviceAnswer(ScanRequest::First, kFirst, 20));
}

std::uint32_t Ip(const char* text) {
  std::uint32_t a = 0;
  EXPECT_TRUE(port::ParseIPv4(text, &a)) << text;
  return a;
}

std::wstring W(const std::string& s) { return port::FromLocal8(s); }

// A MAC address made from the last two parts of an address: 10.9.1.2 -> 00:0F:7C:00:01:02.
std::wstring MacOf(const std::wstring& ip) {
  const std::uint32_t a = Ip(port::ToLocal8(ip).c_str());
  char text[32];
  std::snprintf(text, sizeof text, "00:0F:7C:00:%02X:%02X", (a >> 8) & 255u, a & 255u);
  return W(text);
}

TEST(ScanZone, FromThePanelTexts) {
  ScanZone z;
  ASSERT_TRUE(MakeScanZone(L"192.168.1.10", L"192.168.0.200", L"8080", &z));
  EXPECT_EQ(z.first, Ip("192.168.0.200"));  // the lower address first
  EXPECT_EQ(z.last, Ip("192.168.1.10"));
  EXPECT_EQ(z.port, 8080);
  EXPECT_TRUE(MakeScanZone(L"10.0.0.1", L"10.0.0.1", L"80", &z));
  EXPECT_EQ(z.first, z.last);
  EXPECT_FALSE(MakeScanZone(L"10.0.0.1", L"10.0.0.9", L"", &z));
  EXPECT_FALSE(MakeScanZone(L"10.0.0.1", L"10.0.0.9", L"0", &z));
  EXPECT_FALSE(MakeScanZone(L"10.0.0.1", L"10.0.0.9", L"80x", &z));
  EXPECT_FALSE(MakeScanZone(L"10.0.0", L"10.0.0.9", L"80", &z));
}

// A network of fake devices behind the scan's hooks.
struct FakeNet {
  struct Device {
    std::string first, second;  // the bodies of the two requests ("" = no answer)
    std::string firmware = "A1D-310-V5.00.01";
    unsigned info = 0;          // what the information query returns
    std::wstring mac{};         // the MAC text it tells; empty: one made from its address
  };
  std::map<std::wstring, Device> devices;
  std::function<void(const std::wstring& ip)> before;  // runs at the start of every request

  std::mutex lock;
  std::vector<std::pair<std::wstring, std::wstring>> asked;  // (address, path), in order
  std::vector<std::pair<DeviceRecord, unsigned long>> reports;
  std::map<int, std::vector<std::wstring>> lines;
  std::vector<std::map<std::wstring, std::wstring>> saved;
  int closes = 0, inFlight = 0, maxInFlight = 0;
  std::set<int> portsAsked;
  std::vector<std::uint32_t> asking;  // addresses asked right now

  RangeScanHooks Hooks() {
    RangeScanHooks h;
    h.get = [this](const std::wstring& ip, int port, const std::wstring& path, char* reply, int size, int timeoutMs,
                   int connectMs) {
      EXPECT_EQ(timeoutMs, kScanTimeoutMs);
      EXPECT_EQ(connectMs, kScanConnectMs);
      std::uint32_t a = 0;
      port::ParseIPv4(port::ToLocal8(ip), &a);
      {
        std::lock_guard<std::mutex> l(lock);
        asked.emplace_back(ip, path);
        portsAsked.insert(port);
        maxInFlight = std::max(maxInFlight, ++inFlight);
        asking.push_back(a);
      }
      if (before) before(ip);
      std::string body;
      auto it = devices.find(ip);
      if (it != devices.end()) body = path == kScanFirstRequest ? it->second.first : it->second.second;
      {
        std::lock_guard<std::mutex> l(lock);
        --inFlight;
        asking.erase(std::find(asking.begin(), asking.end(), a));
      }
      if (body.empty() || port::StopRequested()) return -1;
      std::snprintf(reply, static_cast<std::size_t>(size), "%s", body.c_str());
      return static_cast<int>(body.size());
    };
    h.query = [this](int channel, const std::wstring& ip, DeviceRecord& r) -> unsigned {
      const Device& d = devices.at(ip);
      r[SLOT_IP] = ip;
      if (d.info != 0) return d.info;
      r[SLOT_FIRMWARE] = W(d.firmware);
      if (channel <= 0) {
        r[SLOT_MAC] = d.mac.empty() ? MacOf(ip) : d.mac;
        r[SLOT_MULTICAST_IP] = L"239.0.0.1";
        r[SLOT_CHANNEL_IP] = L"0 - " + ip;
      } else {
        r[SLOT_CHANNEL_IP] = std::to_wstring(channel) + L" - " + ip;
      }
      return 0;
    };
    h.report = [this](const DeviceRecord& r, unsigned long lParam) {
      std::lock_guard<std::mutex> l(lock);
      reports.emplace_back(r, lParam);
    };
    h.line = [this](int zone, const std::wstring& text) {
      std::lock_guard<std::mutex> l(lock);
      auto& v = lines[zone];
      if (v.empty() || v.back() != text) v.push_back(text);
    };
    h.closeBox = [this] {
      std::lock_guard<std::mutex> l(lock);
      ++closes;
    };
    h.save = [this](const std::map<std::wstring, std::wstring>& m) {
      std::lock_guard<std::mutex> l(lock);
      saved.push_back(m);
    };
    return h;
  }
  std::vector<std::wstring> Asked(const std::wstring& path) {
    std::lock_guard<std::mutex> l(lock);
    std::vector<std::wstring> out;
    for (const auto& a : asked)
      if (a.second == path) out.push_back(a.first);
    return out;
  }
  std::size_t Reports() {
    std::lock_guard<std::mutex> l(lock);
    return reports.size();
  }
};

bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class RangeScanTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    g_ManualMacMap.Clear();
    g_ManualHttpMap.Clear();
    g_HttpPortMap.Clear();
    g_RecorderIps.Clear();
  }
  ScanZone Zone(const char* a, const char* b, int port) {
    ScanZone z;
    EXPECT_TRUE(MakeScanZone(W(a), W(b), std::to_wstring(port), &z));
    return z;
  }
};

TEST_F(RangeScanTest, ReportsInAddressOrderAcrossTwoSubnets) {
  FakeNet net;
  net.devices[L"10.9.0.251"].first = kFirst;
  net.devices[L"10.9.0.255"].first = kFirst;
  net.devices[L"10.9.1.0"] = {kFirstNoCompany, kSecond};  // a recorder: known by the second request
  net.devices[L"10.9.1.1"] = {kFirstNoCompany, ""};        // no "Company Name": no device
  net.devices[L"10.9.1.2"].first = kFirst;
  // Answers come back in a shuffled order.
  std::mt19937 random(7);
  std::mutex randomLock;
  net.before = [&](const std::wstring&) {
    int ms;
    {
      std::lock_guard<std::mutex> l(randomLock);
      ms = static_cast<int>(random() % 15);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  };
  g_ManualMacMap.Set(L"10.1.1.1", L"LOADED");  // a device read from the file at start-up
  {
    RangeScan scan({Zone("10.9.1.2", "10.9.0.250", 8080)}, net.Hooks(), ScanTexts());
    ASSERT_TRUE(scan.Start());
    ASSERT_TRUE(WaitFor([&] { return scan.Ended(); }));
    EXPECT_EQ(scan.Found().size(), 4u);
  }
  // Every address once, .0.250 to .1.2 with .255 and .0 among them, on the zone's port.
  std::vector<std::wstring> first = net.Asked(kScanFirstRequest);
  std::sort(first.begin(), first.end());
  EXPECT_EQ(first, (std::vector<std::wstring>{L"10.9.0.250", L"10.9.0.251", L"10.9.0.252", L"10.9.0.253",
                                               L"10.9.0.254", L"10.9.0.255", L"10.9.1.0", L"10.9.1.1", L"10.9.1.2"}));
  EXPECT_EQ(net.portsAsked, std::set<int>{8080});
  // The second request only where the first found no device.
  std::vector<std::wstring> second = net.Asked(kScanSecondRequest);
  std::sort(second.begin(), second.end());
  EXPECT_EQ(second, (std::vector<std::wstring>{L"10.9.0.250", L"10.9.0.252", L"10.9.0.253", L"10.9.0.254",
                                                L"10.9.1.0", L"10.9.1.1"}));
  // The devices in address order, each reported as found by the scan with "Success".
  std::vector<std::wstring> order;
  for (const auto& r : net.reports) {
    order.push_back(r.first[SLOT_IP]);
    EXPECT_EQ(r.second, FOUND_BY_SCAN | kScanFoundId);
  }
  EXPECT_EQ(order, (std::vector<std::wstring>{L"10.9.0.251", L"10.9.0.255", L"10.9.1.0", L"10.9.1.2"}));
  EXPECT_TRUE(g_RecorderIps.Contains(L"10.9.1.0"));
  EXPECT_FALSE(g_RecorderIps.Contains(L"10.9.0.251"));
  // Kept, with the port every later request uses.
  EXPECT_EQ(g_ManualMacMap.Get(L"10.9.1.2"), L"00:0F:7C:00:01:02");
  EXPECT_EQ(GetManualHttpPort(L"10.9.1.2"), 8080);
  EXPECT_EQ(ResolveHttpPort(L"10.9.1.2"), 8080);
  EXPECT_FALSE(g_ManualMacMap.Contains(L"10.9.1.1"));
  // The live line went through the addresses in order and ended "Scan completed"; the scan
  // then saved every scanned device once (those loaded at start-up too) and closed the box.
  const std::vector<std::wstring>& lines = net.lines[0];
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), L"Scan completed");
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) EXPECT_LT(lines[i - 1], lines[i]) << "lines go forward";
  ASSERT_EQ(net.saved.size(), 1u);
  EXPECT_EQ(net.saved[0].size(), 5u);
  EXPECT_EQ(net.saved[0].count(L"10.1.1.1"), 1u);
  EXPECT_EQ(net.closes, 1);
}

TEST_F(RangeScanTest, AsksAWindowOfAddressesThatMovesInAddressOrder) {
  FakeNet net;
  std::mutex m;
  std::condition_variable cv;
  bool holdFirst = true, holdAll = true;
  const std::wstring firstIp = L"10.9.2.0";
  net.before = [&](const std::wstring& ip) {
    std::unique_lock<std::mutex> l(m);
    cv.wait(l, [&] { return !holdAll && (ip != firstIp || !holdFirst); });
  };
  RangeScan scan({Zone("10.9.2.0", "10.9.2.199", 80)}, net.Hooks(), ScanTexts());
  ASSERT_TRUE(scan.Start());
  // Up to 64 at once: the first 64 addresses.
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard<std::mutex> l(net.lock);
    return net.inFlight == kScanWindow;
  }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  {
    std::lock_guard<std::mutex> l(net.lock);
    EXPECT_EQ(net.maxInFlight, kScanWindow);
    EXPECT_EQ(*std::max_element(net.asking.begin(), net.asking.end()), Ip("10.9.2.63"));
  }
  EXPECT_EQ(scan.StatusText(0), L"Scanning 10.9.2.0...");
  // The others answer; while the first address still waits, the window does not pass it.
  {
    std::lock_guard<std::mutex> l(m);
    holdAll = false;
  }
  cv.notify_all();
  ASSERT_TRUE(WaitFor([&] { return net.Asked(kScanSecondRequest).size() == kScanWindow - 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  for (const std::wstring& ip : net.Asked(kScanFirstRequest)) {
    std::uint32_t a = 0;
    port::ParseIPv4(port::ToLocal8(ip), &a);
    EXPECT_LT(a, Ip("10.9.2.64")) << "asked beyond the window";
  }
  EXPECT_EQ(scan.StatusText(0), L"Scanning 10.9.2.0...");
  {
    std::lock_guard<std::mutex> l(m);
    holdFirst = false;
  }
  cv.notify_all();
  ASSERT_TRUE(WaitFor([&] { return scan.Ended(); }));
  EXPECT_EQ(net.Asked(kScanFirstRequest).size(), 200u);
  EXPECT_LE(net.maxInFlight, kScanWindow);
  EXPECT_EQ(net.saved.size(), 1u);  // nothing found: an empty map, which writes no file
  EXPECT_TRUE(net.saved[0].empty());
}

TEST_F(RangeScanTest, StopAbandonsTheRequestsInFlightAndKeepsWhatWasFound) {
  FakeNet net;
  net.devices[L"10.9.3.1"].first = kFirst;
  net.devices[L"10.9.3.2"].first = kFirst;
  // Every other address hangs until its request is abandoned.
  net.before = [&](const std::wstring& ip) {
    if (net.devices.count(ip)) return;
    while (!port::StopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  RangeScan scan({Zone("10.9.3.1", "10.9.3.200", 80), Zone("10.9.4.1", "10.9.4.100", 80)}, net.Hooks(), ScanTexts(), 4);
  ASSERT_TRUE(scan.Start());
  ASSERT_TRUE(WaitFor([&] { return net.Reports() == 2; }));
  EXPECT_FALSE(scan.Ended());
  scan.Stop();
  ASSERT_TRUE(WaitFor([&] { return scan.Ended(); })) << "the requests in flight were not abandoned";
  EXPECT_TRUE(scan.ZoneDone(0) && scan.ZoneDone(1));
  const std::vector<std::wstring> asked = net.Asked(kScanFirstRequest);
  EXPECT_EQ(std::count(asked.begin(), asked.end(), L"10.9.3.200"), 0) << "the end address is not asked";
  EXPECT_LE(asked.size(), 10u);  // the two devices and a window of four in each zone
  ASSERT_EQ(net.saved.size(), 1u);
  EXPECT_EQ(net.saved[0].size(), 2u);
  EXPECT_EQ(net.closes, 1);
  EXPECT_EQ(net.lines[0].back(), L"Scan completed");
  EXPECT_EQ(net.lines[1].back(), L"Scan completed");
}

TEST_F(RangeScanTest, ChannelsAfterTheirDeviceAndAnUnreadableDeviceIsNotKept) {
  FakeNet net;
  net.devices[L"10.9.5.1"].first = kFirst;
  net.devices[L"10.9.5.1"].firmware = "K5H-100-V1.00";  // four channels
  net.devices[L"10.9.5.2"].first = kFirst;
  net.devices[L"10.9.5.2"].info = INFO_NO_ANSWER;  // answered the scan, then not its query
  RangeScan scan({Zone("10.9.5.1", "10.9.5.2", 80)}, net.Hooks(), ScanTexts());
  ASSERT_TRUE(scan.Start());
  ASSERT_TRUE(WaitFor([&] { return scan.Ended(); }));
  ASSERT_EQ(net.reports.size(), 6u);
  // The device as a whole, its channel texts empty, then each channel to go under it.
  EXPECT_EQ(net.reports[0].second, FOUND_BY_SCAN | kScanFoundId);
  EXPECT_TRUE(net.reports[0].first[SLOT_CHANNEL_IP].empty());
  EXPECT_TRUE(net.reports[0].first[SLOT_MULTICAST_IP].empty());
  for (int c = 1; c <= 4; ++c) {
    EXPECT_EQ(net.reports[static_cast<std::size_t>(c)].second, 0u);
    EXPECT_EQ(net.reports[static_cast<std::size_t>(c)].first[SLOT_CHANNEL_IP], std::to_wstring(c) + L" - 10.9.5.1");
  }
  // The unreadable one shows its failure (its row is blocked, as an unreachable device's is)
  // and is neither kept nor saved.
  EXPECT_EQ(net.reports[5].first[SLOT_IP], L"10.9.5.2");
  EXPECT_EQ(net.reports[5].second, FOUND_BY_SCAN | INFO_NO_ANSWER | kScanInfoFailedId);
  EXPECT_EQ(net.saved[0], (std::map<std::wstring, std::wstring>{{L"10.9.5.1", L"00:0F:7C:00:05:01"}}));
}

TEST_F(RangeScanTest, OnlyAMacAddressIsKeptAsTheDevicesMac) {
  // Texts that would read back from the dated file as another device, another port or none.
  const std::wstring odd[] = {L"AA+IP=192.168.100.200MAC=BB", L"HTTP=1", L"AA+BB", L"00:0F:7C:00:06:0", L"MAC-10.9.6.5"};
  FakeNet net;
  std::wstring ip = L"10.9.6.1";
  for (const std::wstring& mac : odd) {
    net.devices[ip].first = kFirst;
    net.devices[ip].mac = mac;
    ip.back() = static_cast<wchar_t>(ip.back() + 1);
  }
  net.devices[L"10.9.6.9"].first = kFirst;
  net.devices[L"10.9.6.9"].mac = L"00:0f:7c:00:06:09\r";  // a reply line ended by CR LF
  RangeScan scan({Zone("10.9.6.1", "10.9.6.9", 80)}, net.Hooks(), ScanTexts());
  ASSERT_TRUE(scan.Start());
  ASSERT_TRUE(WaitFor([&] { return scan.Ended(); }));
  EXPECT_EQ(net.reports.size(), 6u);  // every device is still shown
  const std::map<std::wstring, std::wstring> kept = {{L"10.9.6.9", L"00:0f:7c:00:06:09"}};
  EXPECT_EQ(scan.Found(), kept);
  ASSERT_EQ(net.saved.size(), 1u);
  EXPECT_EQ(net.saved[0], kept);
}

}  // namespace
