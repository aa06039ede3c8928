// The address-range scan against simulated devices: a range across two subnets reported in
// order, which answers make a device and which requests each address gets, devices on another
// HTTP port asked there ever after, and a stop in the middle of a zone of silent addresses.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/device_list/device_list.h"
#include "app/device_list/manual_devices.h"
#include "app/range_scan/range_scan.h"
#include "device/device_info.h"
#include "device/http_port_map.h"
#include "port/text.h"
#include "tests/support/netns_lab.h"
#include "tests/support/sim_suite.h"

namespace {

using Clock = std::chrono::steady_clock;

std::wstring W(const std::string& s) { return port::FromLocal8(s); }

class RangeScanNetns : public testlab::SimulatorSuite<RangeScanNetns> {
 public:
  static const char* Devices() {
    return
        // Across two subnets: .40.250 to .41.2; the addresses without a device are there
        // (the namespace refuses connections to them) but nothing answers HTTP.
        "ip=10.231.40.251 mac=00:0F:7C:00:40:FB firmware=A1D-310-V5.00.01 serial=S1\n"
        "ip=10.231.40.255 mac=00:0F:7C:00:40:FF firmware=A1D-310-V5.00.01 serial=S2\n"
        "ip=10.231.41.0 mac=00:0F:7C:00:41:00 firmware=QR-NVQ-V1.00 model=NVQ-8 company= server_info=1\n"
        "ip=10.231.41.1 mac=00:0F:7C:00:41:01 firmware=A1D-310-V5.00.01 company=\n"
        "ip=10.231.41.2 mac=00:0F:7C:00:41:02 firmware=A1D-310-V5.00.01 serial=S5\n"
        // On another HTTP port.
        "ip=10.231.43.1 mac=00:0F:7C:00:43:01 firmware=A1D-310-V5.00.01 http_port=8080\n"
        "ip=10.231.43.2 mac=00:0F:7C:00:43:02 firmware=A1D-310-V5.00.01\n"
        // The start of a zone of silent addresses.
        "ip=10.231.42.1 mac=00:0F:7C:00:42:01 firmware=A1D-310-V5.00.01\n"
        "ip=10.231.42.2 mac=00:0F:7C:00:42:02 firmware=A1D-310-V5.00.01\n";
  }
  static std::vector<std::string> Addresses() {
    return {"10.231.40.250", "10.231.40.251", "10.231.40.252", "10.231.40.253", "10.231.40.254",
            "10.231.40.255", "10.231.41.0",   "10.231.41.1",   "10.231.41.2",   "10.231.43.1",
            "10.231.43.2",   "10.231.42.1",   "10.231.42.2"};
  }

 protected:
  void Begin() override { Clean(); }
  void End() override { Clean(); }
  static void Clean() {
    g_ManualMacMap.Clear();
    g_ManualHttpMap.Clear();
    g_HttpPortMap.Clear();
    g_RecorderIps.Clear();
  }

  // The product's requests, with what the scan reports and saves recorded.
  struct Run {
    std::mutex lock;
    std::vector<std::pair<DeviceRecord, unsigned long>> reports;
    std::vector<std::wstring> asked;
    std::vector<std::map<std::wstring, std::wstring>> saved;
    int closes = 0;
    RangeScanHooks Hooks() {
      RangeScanHooks h = DeviceScanHooks();
      auto get = h.get;
      h.get = [this, get](const std::wstring& ip, int port, const std::wstring& path, char* reply, int size, int t,
                          int c) {
        {
          std::lock_guard<std::mutex> l(lock);
          if (path == kScanFirstRequest) asked.push_back(ip);
        }
        return get(ip, port, path, reply, size, t, c);
      };
      h.report = [this](const DeviceRecord& r, unsigned long lp) {
        std::lock_guard<std::mutex> l(lock);
        reports.emplace_back(r, lp);
      };
      h.save = [this](const std::map<std::wstring, std::wstring>& m) {
        std::lock_guard<std::mutex> l(lock);
        saved.push_back(m);
      };
      h.closeBox = [this] {
        std::lock_guard<std::mutex> l(lock);
        ++closes;
      };
      return h;
    }
    std::vector<std::wstring> Reported() {
      std::lock_guard<std::mutex> l(lock);
      std::vector<std::wstring> out;
      for (const auto& r : reports) out.push_back(r.first[SLOT_IP]);
      return out;
    }
  };

  static bool WaitEnded(const RangeScan& scan, int seconds) {
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (!scan.Ended()) {
      if (Clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }
  static ScanZone Zone(const char* a, const char* b, const char* port) {
    ScanZone z;
    EXPECT_TRUE(MakeScanZone(W(a), W(b), W(port), &z));
    return z;
  }
};

TEST_F(RangeScanNetns, ARangeAcrossTwoSubnetsInOrder) {
  Run run;
  RangeScan scan({Zone("10.231.40.250", "10.231.41.2", "80")}, run.Hooks(), ScanTexts());
  ASSERT_TRUE(scan.Start());
  ASSERT_TRUE(WaitEnded(scan, 60));
  // Four devices, in address order; the recorder was known by the second request only, and
  // the device without "Company Name" is none.
  EXPECT_EQ(run.Reported(), (std::vector<std::wstring>{L"10.231.40.251", L"10.231.40.255", L"10.231.41.0",
                                                        L"10.231.41.2"}));
  for (const auto& r : run.reports) {
    EXPECT_EQ(r.second, FOUND_BY_SCAN | kScanFoundId) << r.first[SLOT_IP].c_str();
    EXPECT_FALSE(r.first[SLOT_MAC].empty());
  }
  EXPECT_TRUE(g_RecorderIps.Contains(L"10.231.41.0"));
  // Every address of the range was asked once, .255 and .0 among them.
  std::sort(run.asked.begin(), run.asked.end());
  EXPECT_EQ(run.asked.size(), 9u);
  EXPECT_EQ(std::count(run.asked.begin(), run.asked.end(), L"10.231.41.0"), 1);
  // A device that answered the first request was not asked the second; the others were.
  EXPECT_TRUE(LogLinesSince("10.231.40.251 GET /cgi-bin/serverConfig").empty());
  EXPECT_TRUE(LogLinesSince("10.231.41.2 GET /cgi-bin/serverConfig").empty());
  EXPECT_FALSE(LogLinesSince("10.231.41.0 GET /cgi-bin/serverConfig?Action=loadInfo").empty());
  EXPECT_FALSE(LogLinesSince("10.231.41.1 GET /cgi-bin/serverConfig?Action=loadInfo").empty());
  // Saved: the four devices with their MACs.
  ASSERT_EQ(run.saved.size(), 1u);
  EXPECT_EQ(run.saved[0].size(), 4u);
  EXPECT_EQ(run.saved[0][L"10.231.40.255"], L"00:0F:7C:00:40:FF");
  EXPECT_EQ(scan.StatusText(0), L"Scan completed");
  EXPECT_EQ(run.closes, 1);
}

TEST_F(RangeScanNetns, DevicesAreAskedOnThePortTheyWereFoundOn) {
  Run run;
  // The same addresses on two ports: each device is found on its own.
  RangeScan scan({Zone("10.231.43.1", "10.231.43.2", "8080"), Zone("10.231.43.1", "10.231.43.2", "80")}, run.Hooks(),
                 ScanTexts());
  ASSERT_TRUE(scan.Start());
  ASSERT_TRUE(WaitEnded(scan, 60));
  std::vector<std::wstring> found = run.Reported();
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::wstring>{L"10.231.43.1", L"10.231.43.2"}));
  EXPECT_EQ(GetManualHttpPort(L"10.231.43.1"), 8080);
  EXPECT_EQ(GetManualHttpPort(L"10.231.43.2"), 80);
  // Its information was read on 8080 too, and so is every later request.
  for (const auto& r : run.reports) {
    if (r.first[SLOT_IP] == L"10.231.43.1") {
      EXPECT_EQ(r.first[SLOT_MAC], L"00:0F:7C:00:43:01");
    }
  }
  DeviceRecord again;
  EXPECT_EQ(GetDeviceInfo(0, L"10.231.43.1", again), 0u);
  EXPECT_EQ(again[SLOT_MAC], L"00:0F:7C:00:43:01");
}

TEST_F(RangeScanNetns, StopInTheMiddleOfAZoneOfSilentAddresses) {
  std::vector<std::string> silent;
  for (int i = 3; i <= 254; ++i) silent.push_back("10.231.42." + std::to_string(i));
  ASSERT_TRUE(Sim().Lab()->SilenceAddresses(silent));
  Run run;
  RangeScan scan({Zone("10.231.42.1", "10.231.42.254", "80")}, run.Hooks(), ScanTexts());
  ASSERT_TRUE(scan.Start());
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (run.Reported().size() < 2 && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(run.Reported().size(), 2u);
  // The silent addresses hold their requests open until the stop abandons them.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_FALSE(scan.Ended());
  scan.Stop();
  ASSERT_TRUE(WaitEnded(scan, 10)) << "the requests in flight were not abandoned";
  EXPECT_EQ(std::count(run.asked.begin(), run.asked.end(), L"10.231.42.254"), 0) << "the end address is not asked";
  ASSERT_EQ(run.saved.size(), 1u);
  EXPECT_EQ(run.saved[0], (std::map<std::wstring, std::wstring>{{L"10.231.42.1", L"00:0F:7C:00:42:01"},
                                                                {L"10.231.42.2", L"00:0F:7C:00:42:02"}}));
  EXPECT_EQ(scan.StatusText(0), L"Scan completed");
}

}  // namespace
