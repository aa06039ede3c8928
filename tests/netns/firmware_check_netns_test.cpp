// The firmware check against simulated devices of several platforms, each on its own HTTP
// port, and a simulated download site: the requests each device gets (the login in the query,
// the log only of R7-platform devices), where each device is filed, and the devices that
// cannot be asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "app/firmware_centre/firmware_check.h"
#include "device/http_port_map.h"
#include "tests/support/sim_suite.h"
#include "tests/support/url_list_fetcher.h"

namespace {

const char kDir[] = "/tmp/dorvik_firmware_check_netns";
const std::wstring kSite = L"http://10.231.2.100";
const std::wstring kNoListSite = L"http://10.231.2.101";

class FirmwareCheckNetns : public testlab::SimulatorSuite<FirmwareCheckNetns> {
 public:
  static void SetUpTestSuite() {
    testlab::NetnsLab::Sh(std::string("mkdir -p ") + kDir);
    // The same list serves both paths: "-LV" devices and the others alike.
    std::ofstream(std::string(kDir) + "/list.txt") << "R7_FW_VER=V6.09.05\r\nR7_FW_LOG=id=70\r\n"
                                                      "0231_FW_VER=V1.00.05\r\n0231_FW_LOG=id=231\r\n"
                                                      "R5_FW_VER=V7.01.05\r\nR9X4_FW_VER=V9.00.10\r\n"
                                                      "C_FW_VER=A2.00.12\r\n";
    SimulatorSuite::SetUpTestSuite();
  }
  static void TearDownTestSuite() {
    SimulatorSuite::TearDownTestSuite();
    testlab::NetnsLab::Sh(std::string("rm -rf ") + kDir);
  }
  static const char* Devices() {
    static const std::string lines =
        std::string("ip=10.231.2.100 role=site list=") + kDir + "/list.txt\n" +
        "ip=10.231.2.101 role=site list=" + kDir + "/missing.txt\n"
        "ip=10.231.2.1 mac=00:0F:7C:00:21:01 firmware=CAM-V7.01.02 http_port=8081\n"
        "ip=10.231.2.2 mac=00:0F:7C:00:21:02 firmware=ENC-V9.00.01-LV http_port=8082\n"
        "ip=10.231.2.3 mac=00:0F:7C:00:21:03 firmware=K7W-V6.08.30 isp_firmware=ISP-F-0231-V1.00.05 http_port=8083\n"
        "ip=10.231.2.4 mac=00:0F:7C:00:21:04 firmware=A2.00.12 http_port=8084\n"
        "ip=10.231.2.5 mac=00:0F:7C:00:21:05 firmware=CAM-V7.01.02 http=off\n"
        "ip=10.231.2.6 mac=00:0F:7C:00:21:06 firmware=CAM-V7.01.02 password=secret\n"
        "ip=10.231.2.7 mac=00:0F:7C:00:21:07 firmware=K7W-V6.09.05 isp_firmware=ISP-F-0231-V1.00.01\n"
        // Refuses the login with a 200 reply that says so: no version, but not outdated either.
        "ip=10.231.2.8 mac=00:0F:7C:00:21:08 firmware=K7W-V6.08.30 password=secret bad_login=not_authorized\n";
    return lines.c_str();
  }
  static std::vector<std::string> Addresses() {
    return {"10.231.2.100", "10.231.2.101", "10.231.2.1", "10.231.2.2", "10.231.2.3",
            "10.231.2.4",   "10.231.2.5",   "10.231.2.6", "10.231.2.7", "10.231.2.8"};
  }

 protected:
  void Begin() override {
    g_HttpPortMap.Clear();
    for (int i = 1; i <= 4; ++i) g_HttpPortMap.Set(L"10.231.2." + std::to_wstring(i), 8080 + i);
  }
  void End() override { g_HttpPortMap.Clear(); }

  // Runs a whole check of the eight devices and waits for it.
  void Run(FirmwareCheck& check) {
    auto gate = std::make_shared<WaitBoxGate>();
    std::vector<std::wstring> all;
    for (int i = 1; i <= 8; ++i) all.push_back(L"10.231.2." + std::to_wstring(i));
    check.Start(all, gate);
    for (int i = 0; i < 2000 && !gate->CloseRequested(); ++i) port::SleepMs(10);
    EXPECT_TRUE(gate->CloseRequested());
    check.Join();
  }
  int Count(const std::string& ip, const std::string& what) const {
    int n = 0;
    for (const std::string& l : LogLinesSince("http " + ip + " GET")) n += l.find(what) != std::string::npos;
    return n;
  }
};

TEST_F(FirmwareCheckNetns, EachDeviceAskedOnItsOwnPortAndFiled) {
  testlab::UrlListFetcher fetcher;
  FirmwareCheck check(fwlist::Sites{kSite, kSite}, Login{L"admin", L"740912"}, fetcher, HttpDeviceRequests());
  Run(check);
  ASSERT_TRUE(check.ListsFetched());
  EXPECT_EQ(check.Results(14), std::vector<std::wstring>{L"10.231.2.1"});  // R5
  EXPECT_EQ(check.Results(7), std::vector<std::wstring>{L"10.231.2.2"});   // R9X4, "-LV"
  // R7 with ISP 0231: outdated firmware, current ISP firmware; and the other way round.
  std::vector<std::wstring> isp = check.Results(11);
  std::sort(isp.begin(), isp.end());
  EXPECT_EQ(isp, (std::vector<std::wstring>{L"10.231.2.3", L"10.231.2.7"}));
  int filed = 0;
  for (int i = 0; i < fwlist::kResultLists; ++i) filed += static_cast<int>(check.Results(i).size());
  EXPECT_EQ(filed, 4);  // not the current C device, the one without a web server, the two refusing
  EXPECT_EQ(check.FwLogUrl(11), kSite + L"/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=70");
  EXPECT_EQ(check.IspLogUrl(11), kSite + L"/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=231");

  EXPECT_EQ(Count("10.231.2.100", "/nocache/id=5927"), 1);
  EXPECT_EQ(Count("10.231.2.100", "/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=150"), 1);
  for (const char* ip : {"10.231.2.1", "10.231.2.2", "10.231.2.3", "10.231.2.4", "10.231.2.6", "10.231.2.7", "10.231.2.8"})
    EXPECT_EQ(Count(ip, "/cgi-bin/system?USER=admin&PWD=740912&SYSTEM_INFO"), 1) << ip;
  for (const char* ip : {"10.231.2.3", "10.231.2.7"}) EXPECT_EQ(Count(ip, "&SYSTEM_LOG"), 1) << ip;
  for (const char* ip : {"10.231.2.1", "10.231.2.2", "10.231.2.4", "10.231.2.6", "10.231.2.8"})
    EXPECT_EQ(Count(ip, "&SYSTEM_LOG"), 0) << ip;
}

TEST_F(FirmwareCheckNetns, WithoutAListNoDeviceIsAsked) {
  testlab::UrlListFetcher fetcher;
  FirmwareCheck check(fwlist::Sites{kSite, kNoListSite}, Login{L"admin", L"740912"}, fetcher, HttpDeviceRequests());
  Run(check);
  EXPECT_FALSE(check.ListsFetched());
  EXPECT_EQ(Count("10.231.2.101", "/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=150"), 1);
  EXPECT_TRUE(LogLinesSince("/cgi-bin/system?").empty());
}

}  // namespace
