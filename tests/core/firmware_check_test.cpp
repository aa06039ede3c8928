// The firmware check: reading the maker's lists, comparing versions, filing each device in its
// result list, the requests it makes of a device, and its threads (lists first, one thread per
// device, the wait box closed when all have ended, a stop that ends everything at once).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/firmware_centre/firmware_check.h"
#include "app/firmware_centre/firmware_lists.h"
#include "app/settings_file/settings_file.h"
#include "port/stop_scope.h"
#include "port/sync.h"
#include "port/thread.h"
#include "tests/support/firmware_fakes.h"

namespace {

using namespace fwlist;
using testlab::FakeDevices;
using testlab::FakeFetcher;

TEST(FirmwareLists, VersionPartOfAFirmwareText) {
  const std::pair<const char*, const char*> cases[] = {
      {"K7W-411-V6.08.30-LV", "V6.08.30"},
      {"V6.08.30", "V6.08.30"},
      {"A2.00.11", "A2.00.11"},
      {"CAM-A3.01.02-X", "A3.01.02"},
      {"K7W-V1-V6.09.05", "V6.09.05"},  // "V1" is too short
      {"K7W-VX1.2-V6.09.05", "V6.09.05"},  // '.' not the third character
      {"NVQ-0400", ""},
      {"", ""},
      {"-", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(VersionToken(c.first), c.second) << c.first;
}

TEST(FirmwareLists, VersionNumbersAreTheirDigits) {
  const std::pair<const char*, std::uint64_t> cases[] = {
      {"V6.09.05", 60905u},
      {"V6.08.30", 60830u},
      {"A2.00.11", 20011u},
      {"V6.09.05\r", 60905u},
      {"V6.09.05 beta2", 60905u},  // leading digits only
      {"", 0u},
      {"beta", 0u},
      {"V99999999999999999999999", UINT64_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(VersionNumber(c.first), c.second) << c.first;
  // Newer when the list's number is greater; equal is not newer; a device text without a
  // version part counts as 0.
  EXPECT_TRUE(IsNewer("V6.09.05", "K7W-411-V6.08.30"));
  EXPECT_FALSE(IsNewer("V6.08.30", "K7W-411-V6.08.30-LV"));
  EXPECT_FALSE(IsNewer("V6.08.29", "K7W-411-V6.08.30"));
  EXPECT_TRUE(IsNewer("V1.00.00", "NVQ-0400"));
  EXPECT_FALSE(IsNewer("", "NVQ-0400"));
}

TEST(FirmwareLists, ValuesAreReadFromTheLineTheKeyBegins) {
  std::string list =
      "NVC_FW_VER=V9.99.99\r\n"
      "R9X4_FW_VER=V9.01.00\r\n"
      "R9_FW_VER= V8.02.03 \r\n"
      "C_FW_VER='A2.00.12'\r\n"
      "C_FW_LOG=id=900\r\n"
      "LONG_FW_LOG=" + std::string(80, 'x') + "\n"
      "EMPTY_FW_VER=\n"
      "R5_FW_VER=V7.01.05";  // the last line has no line end
  EXPECT_EQ(ListValue(list, "C_FW_VER="), "A2.00.12");  // not NVC's
  EXPECT_EQ(ListValue(list, "R9_FW_VER="), "V8.02.03");
  EXPECT_EQ(ListValue(list, "R9X4_FW_VER="), "V9.01.00");
  EXPECT_EQ(ListValue(list, "C_FW_LOG="), "id=900");  // no carriage return
  EXPECT_EQ(ListValue(list, "LONG_FW_LOG="), std::string(63, 'x'));
  EXPECT_EQ(ListValue(list, "EMPTY_FW_VER="), "");
  EXPECT_EQ(ListValue(list, "R5_FW_VER="), "V7.01.05");
  EXPECT_EQ(ListValue(list, "R7_FW_VER="), "");
  EXPECT_EQ(ListValue(list, "NVC_FW_VER="), "V9.99.99");  // at the very start
  // A device's reply is read wherever its key stands.
  EXPECT_EQ(ReplyValue("MAC Address = 00:0F\nFirmware Version = 'K7W-V6.08.30'\r\n", "Firmware Version = "),
            "K7W-V6.08.30");
  EXPECT_EQ(ReplyValue("[boot]\nISP Firmware Version ISP-F-0231-V1.00.02\n", "ISP Firmware Version "),
            "ISP-F-0231-V1.00.02");
  EXPECT_EQ(ReplyValue("nothing here", "Firmware Version = "), "");
}

// One rule for every list, whatever wrote it: a key counts at the start of a line, after an
// optional byte-order mark and blanks; CR LF, CR and LF each end a line.
TEST(FirmwareLists, KeysAtTheStartOfEveryKindOfLine) {
  const std::string bom = "\xEF\xBB\xBF";
  const struct {
    const char* what;
    std::string list;
  } lists[] = {
      {"LF", "R7_FW_VER=V6.09.05\nC_FW_VER=A2.00.12\nR5_FW_VER=V7.01.05\n"},
      {"CR LF", "R7_FW_VER=V6.09.05\r\nC_FW_VER=A2.00.12\r\nR5_FW_VER=V7.01.05\r\n"},
      {"CR alone", "R7_FW_VER=V6.09.05\rC_FW_VER=A2.00.12\rR5_FW_VER=V7.01.05\r"},
      {"mixed, last line open", "R7_FW_VER=V6.09.05\r\rC_FW_VER=A2.00.12\n\r\nR5_FW_VER=V7.01.05"},
      {"byte-order mark", bom + "R7_FW_VER=V6.09.05\r\nC_FW_VER=A2.00.12\r\nR5_FW_VER=V7.01.05\r\n"},
      {"indented", bom + "  R7_FW_VER=V6.09.05\r\t C_FW_VER= A2.00.12 \n\tR5_FW_VER=V7.01.05\n"},
  };
  for (const auto& l : lists) {
    EXPECT_EQ(ListValue(l.list, "R7_FW_VER="), "V6.09.05") << l.what;
    EXPECT_EQ(ListValue(l.list, "C_FW_VER="), "A2.00.12") << l.what;
    EXPECT_EQ(ListValue(l.list, "R5_FW_VER="), "V7.01.05") << l.what;
  }
  // Not at the start of a line: inside a longer key, after other text, or after a mark
  // that is not the list's first bytes.
  const std::pair<std::string, const char*> misses[] = {
      {"NVC_FW_VER=A9.00.00\rXC_FW_VER=A9.00.00\n", "C_FW_VER="},
      {"X R7_FW_VER=V9.00.00\r\n", "R7_FW_VER="},
      {"A=1\n" + bom + "R7_FW_VER=V9.00.00\n", "R7_FW_VER="},
      {bom + bom + "R7_FW_VER=V9.00.00\n", "R7_FW_VER="},
  };
  for (const auto& m : misses) EXPECT_EQ(ListValue(m.first, m.second), "") << m.first;
}

TEST(FirmwareLists, PlatformAndIspGroups) {
  const std::pair<const char*, Group> platforms[] = {
      {"CAM-V7.01.02", kR5},  {"CAM-V8.00.01", kR9},      {"CAM-V9.00.01", kR9X4}, {"A2.00.11", kC},
      {"X-R7.01", kC},        {"X-A3.00.01", kC},         {"K7W-V6.08.30", kR7},   {"", kR7},
      {"V7.00-V8.00", kR5},  // the first that matches wins
  };
  for (const auto& p : platforms) EXPECT_EQ(PlatformGroup(p.first), p.second) << p.first;
  const std::pair<const char*, Group> isps[] = {
      {"ISP-F-0221-V1.00.01", kR7Isp0221}, {"ISP-F-0231-V1.00.01", kR7Isp0231}, {"ISP-F-0331-V1.00.01", kR7Isp0331},
      {"ISP-F-0521-V1.00.01", kR7Isp0521}, {"ISP-F-0100-V1.00.01", kR7},       {"", kR7},
      {"0331-0221", kR7Isp0221},  // the codes are tried in their own order
  };
  for (const auto& i : isps) EXPECT_EQ(IspGroup(i.first), i.second) << i.first;
  EXPECT_EQ(ResultIndex(kR5, true), 5);
  EXPECT_EQ(ResultIndex(kR5, false), 14);
  EXPECT_STREQ(KeysOf(11).version, "0231_FW_VER=");
  EXPECT_STREQ(KeysOf(11).fwLog, "R7_FW_LOG=");
  EXPECT_STREQ(KeysOf(11).ispLog, "0231_FW_LOG=");
  EXPECT_STREQ(KeysOf(16).ispLog, "");
}

TEST(FirmwareLists, SitesComeFromTheSettingsWithoutATrailingSlash) {
  IniDocument doc;
  EXPECT_FALSE(ReadSites(doc).Complete());
  doc.Parse("[FW_DATA]\r\nPath=C:\\fw\r\nDownloadServer= http://dl.example.com/ \r\n");
  EXPECT_FALSE(ReadSites(doc).Complete());
  doc.Set(L"FW_DATA", L"DownloadSite", L"https://site.example.com:8443/base//");
  const Sites s = ReadSites(doc);
  ASSERT_TRUE(s.Complete());
  EXPECT_EQ(s.first, L"http://dl.example.com");
  EXPECT_EQ(s.second, L"https://site.example.com:8443/base");
  EXPECT_EQ(FirstListUrl(s.first), L"http://dl.example.com/nocache/id=5927");
  EXPECT_EQ(SecondListUrl(s.second), L"https://site.example.com:8443/base/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=150");
}

// ---- a device's requests -----------------------------------------------------------------

const Sites kSites{L"http://first.test", L"http://second.test:8080"};
const std::string kFirst =  // "-LV" devices
    "R7_FW_VER=V6.09.05\r\nR7_FW_LOG=id=700\r\n0231_FW_VER=V1.00.05\r\n0231_FW_LOG=id=731\r\n"
    "R5_FW_VER=V7.01.05\r\nR5_FW_LOG=id=500\r\n";
const std::string kSecond =  // every other device; its keys come after a long stretch of others
    std::string(3000, '#') + "\n" +
    "R7_FW_VER=V6.09.05\nR7_FW_LOG=rn=7\n0221_FW_VER=V1.02.00\n0231_FW_VER=V1.00.05\n0231_FW_LOG=rn=231\n"
    "R5_FW_VER=V7.01.05\nR9_FW_VER=V8.00.10\nR9X4_FW_VER=V9.00.10\nC_FW_VER=A2.00.12\nC_FW_LOG=rn=c\n";

std::string Info(const std::string& firmware) { return "MAC Address = 00:0F:7C:00:00:01\nFirmware Version = " + firmware + "\n"; }
std::string Log(const std::string& isp) { return "[boot] system start\nISP Firmware Version " + isp + "\n"; }

struct Filed {
  int index;  // -1: nowhere
};

int WhereFiled(const FirmwareCheck& check, const std::wstring& ip) {
  int at = -1;
  for (int i = 0; i < kResultLists; ++i)
    for (const std::wstring& a : check.Results(i))
      if (a == ip) {
        EXPECT_EQ(at, -1) << "filed twice";
        at = i;
      }
  return at;
}

// Each device's firmware (and ISP firmware) against the lists: where it is filed.
TEST(FirmwareCheckFiling, EachDeviceInItsGroup) {
  struct Case {
    const char* firmware;
    const char* isp;  // null: no log asked for
    int index;
  } cases[] = {
      {"CAM-V7.01.02", nullptr, 14},            // R5, outdated, second list
      {"CAM-V7.01.02-LV", nullptr, 5},          // R5 with "-LV": first list
      {"CAM-V7.01.05", nullptr, -1},            // equal versions are not listed
      {"CAM-V8.00.01", nullptr, 15},            // R9
      {"CAM-V9.00.01", nullptr, 16},            // R9X4
      {"A2.00.11", nullptr, 17},                // C
      {"K7W-V6.08.30", "", 9},                  // R7 without an ISP code, outdated
      {"K7W-V6.09.05", "", -1},                 // R7, current, no ISP code
      {"K7W-V6.08.30", "ISP-F-0231-V1.00.05", 11},  // outdated firmware, current ISP
      {"K7W-V6.09.05", "ISP-F-0231-V1.00.04", 11},  // current firmware, outdated ISP
      {"K7W-V6.09.05", "ISP-F-0231-V1.00.05", -1},  // both current
      {"K7W-V6.09.05", "ISP-F-0221-V1.01.00", 10},
      {"K7W-V6.08.30-LV", "ISP-F-0231-V1.00.05", 2},
      {"K7W-V6.09.05-LV", "ISP-F-0331-V1.00.00", -1},  // the first list has no 0331 version
      {"NVQ-0400", "", 9},  // no version part: 0, so any positive R7 version is newer
  };
  FakeFetcher fetcher;
  FakeDevices devices;
  for (const Case& c : cases) {
    FirmwareCheck check(kSites, Login{L"admin", L"740912"}, fetcher, devices);
    check.SetLists(kFirst, kSecond);
    bool lv = false;
    const int r = check.CheckDeviceFirmware(L"10.0.0.1", Info(c.firmware), &lv);
    EXPECT_EQ(lv, std::string(c.firmware).find("-LV") != std::string::npos) << c.firmware;
    EXPECT_EQ(r != 0, c.isp != nullptr) << c.firmware;
    if (r != 0) check.CheckDeviceIsp(L"10.0.0.1", Log(c.isp), lv, r);
    EXPECT_EQ(WhereFiled(check, L"10.0.0.1"), c.index) << c.firmware << " / " << (c.isp ? c.isp : "");
  }
}

// The two requests a device is asked, with the login in the query and the device's own port;
// every way a device fails to answer files it nowhere.
TEST(FirmwareCheckFiling, DevicesThatDoNotAnswerAreFiledNowhere) {
  FakeFetcher fetcher;
  FakeDevices d;
  d.Reply(L"10.0.0.1", "SYSTEM_INFO", Info("CAM-V7.01.02"));  // answers: filed
  d.Set(L"10.0.0.2", "SYSTEM_INFO", -1);                      // no answer
  d.Set(L"10.0.0.3", "SYSTEM_INFO", 0);                       // an empty answer is no version 0
  d.Set(L"10.0.0.4", "SYSTEM_INFO", -3);                      // login refused
  d.Set(L"10.0.0.5", "SYSTEM_INFO", -2);                      // "ERROR"
  d.Reply(L"10.0.0.6", "SYSTEM_INFO", Info("K7W-V6.08.30"));  // outdated R7 whose log fails
  d.Set(L"10.0.0.6", "SYSTEM_LOG", -1);
  d.Reply(L"10.0.0.7", "SYSTEM_INFO", Info("K7W-V6.08.30"));  // outdated R7 with an empty log
  d.Set(L"10.0.0.7", "SYSTEM_LOG", 0);
  FirmwareCheck check(kSites, Login{L"ad min", L"p&w=d#%+\"x"}, fetcher, d);
  check.SetLists(kFirst, kSecond);
  for (int i = 1; i <= 7; ++i) check.QueryDevice(L"10.0.0." + std::to_wstring(i));
  EXPECT_EQ(check.Results(14), std::vector<std::wstring>{L"10.0.0.1"});
  EXPECT_EQ(check.Results(9), std::vector<std::wstring>{L"10.0.0.7"});
  for (int i = 2; i <= 6; ++i) EXPECT_EQ(WhereFiled(check, L"10.0.0." + std::to_wstring(i)), -1) << i;
  const std::vector<std::wstring> paths = d.Paths();
  ASSERT_GE(paths.size(), 1u);
  EXPECT_EQ(paths[0], L"10.0.0.1 /cgi-bin/system?USER=ad%20min&PWD=p%26w=d%23%25%2B\"x&SYSTEM_INFO");
  int logs = 0;
  for (const std::wstring& p : paths) logs += p.find(L"&SYSTEM_LOG") != std::wstring::npos;
  EXPECT_EQ(logs, 2);  // only the R7-platform devices are asked for their log
}

TEST(FirmwareCheckFiling, ReleaseNotesLinks) {
  FakeFetcher fetcher;
  FakeDevices d;
  FirmwareCheck check(kSites, Login{}, fetcher, d);
  check.SetLists(kFirst, kSecond);
  EXPECT_EQ(check.FwLogUrl(2), L"http://first.test/nocache/id=700");  // R7's notes for an ISP group
  EXPECT_EQ(check.IspLogUrl(2), L"http://first.test/nocache/id=731");
  EXPECT_EQ(check.FwLogUrl(5), L"http://first.test/nocache/id=500");
  EXPECT_EQ(check.IspLogUrl(5), L"");
  EXPECT_EQ(check.FwLogUrl(17), L"http://second.test:8080/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?rn=c");
  EXPECT_EQ(check.IspLogUrl(11), L"http://second.test:8080/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?rn=231");
  EXPECT_EQ(check.IspLogUrl(10), L"");  // the list has no 0221 notes: the group shows one link
}

// ---- the threads of a check ----------------------------------------------------------------

struct GateWatch {
  std::shared_ptr<WaitBoxGate> gate = std::make_shared<WaitBoxGate>();
  bool WaitClosed(int ms) {
    for (int i = 0; i < ms / 5; ++i) {
      if (gate->CloseRequested()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return gate->CloseRequested();
  }
};

TEST(FirmwareCheckRun, ListsFirstThenEveryDeviceThenTheBoxCloses) {
  FakeFetcher fetcher;
  fetcher.lists[FirstListUrl(kSites.first)] = kFirst;
  fetcher.lists[SecondListUrl(kSites.second)] = kSecond;
  FakeDevices d;
  d.Reply(L"10.0.1.1", "SYSTEM_INFO", Info("CAM-V8.00.01"));
  d.Reply(L"10.0.1.2", "SYSTEM_INFO", Info("K7W-V6.08.30-LV"));
  d.Reply(L"10.0.1.2", "SYSTEM_LOG", Log("ISP-F-0231-V1.00.05"));
  d.Reply(L"10.0.1.3", "SYSTEM_INFO", Info("A2.00.12"));  // current
  FirmwareCheck check(kSites, Login{L"admin", L"740912"}, fetcher, d);
  GateWatch w;
  check.Start({L"10.0.1.1", L"10.0.1.2", L"10.0.1.3"}, w.gate);
  ASSERT_TRUE(w.WaitClosed(5000));
  check.Join();
  EXPECT_TRUE(check.ListsFetched());
  EXPECT_EQ(fetcher.urls, (std::vector<std::wstring>{FirstListUrl(kSites.first), SecondListUrl(kSites.second)}));
  EXPECT_EQ(check.Results(15), std::vector<std::wstring>{L"10.0.1.1"});
  EXPECT_EQ(check.Results(2), std::vector<std::wstring>{L"10.0.1.2"});
  EXPECT_EQ(WhereFiled(check, L"10.0.1.3"), -1);
  EXPECT_EQ(d.Paths().size(), 4u);
}

// Devices whose one chosen address answers only once the test lets it.
class HeldDevices : public DeviceRequests {
 public:
  HeldDevices(DeviceRequests& devices, std::wstring held) : m_Devices(devices), m_Held(std::move(held)) {}
  void Release() { m_Released.Set(); }
  int GetCgi(const std::wstring& host, const std::wstring& path, char* reply, int replySize, int timeoutMs,
             bool useDefaultLogin, bool acceptError) override {
    if (host == m_Held) m_Released.Wait(-1);
    return m_Devices.GetCgi(host, path, reply, replySize, timeoutMs, useDefaultLogin, acceptError);
  }
  unsigned GetDeviceInfo(int, const std::wstring&, DeviceRecord&) override { return 0; }

 private:
  DeviceRequests& m_Devices;
  std::wstring m_Held;
  port::Event m_Released;
};

// The first device refuses at once and its thread has ended before the second device's
// thread starts: the box still waits for the second device, which is filed.
TEST(FirmwareCheckRun, TheBoxWaitsForADeviceStartedAfterTheOthersEnded) {
  FakeFetcher fetcher;
  fetcher.lists[FirstListUrl(kSites.first)] = kFirst;
  fetcher.lists[SecondListUrl(kSites.second)] = kSecond;
  FakeDevices d;
  d.Set(L"10.0.1.1", "SYSTEM_INFO", -3);
  d.Reply(L"10.0.1.2", "SYSTEM_INFO", Info("CAM-V8.00.01"));
  HeldDevices held(d, L"10.0.1.2");
  FirmwareCheck check(kSites, Login{}, fetcher, held);
  int started = 0;
  check.SetDeviceThreadStarter([&started](std::function<void()> fn) {
    auto ended = std::make_shared<port::Event>();
    port::Thread t([fn, ended] {
      fn();
      ended->Set();
    });
    if (started++ == 0) ended->Wait(-1);
    return t;
  });
  GateWatch w;
  check.Start({L"10.0.1.1", L"10.0.1.2"}, w.gate);
  EXPECT_EQ(started, 2);
  EXPECT_FALSE(w.WaitClosed(300));
  held.Release();
  EXPECT_TRUE(w.WaitClosed(5000));
  check.Join();
  EXPECT_EQ(check.Results(15), std::vector<std::wstring>{L"10.0.1.2"});
  EXPECT_EQ(WhereFiled(check, L"10.0.1.1"), -1);
}

TEST(FirmwareCheckRun, WithoutBothListsNoDeviceIsAsked) {
  for (bool firstMissing : {true, false}) {
    FakeFetcher fetcher;
    (firstMissing ? fetcher.lists[SecondListUrl(kSites.second)] : fetcher.lists[FirstListUrl(kSites.first)]) = "X=1";
    FakeDevices d;
    d.Reply(L"10.0.1.1", "SYSTEM_INFO", Info("CAM-V8.00.01"));
    FirmwareCheck check(kSites, Login{}, fetcher, d);
    GateWatch w;
    check.Start({L"10.0.1.1"}, w.gate);
    ASSERT_TRUE(w.WaitClosed(5000));
    check.Join();
    EXPECT_FALSE(check.ListsFetched());
    EXPECT_TRUE(d.Paths().empty());
    // A first list that cannot be had leaves the second alone.
    EXPECT_EQ(fetcher.urls.size(), firstMissing ? 1u : 2u);
  }
}

TEST(FirmwareCheckRun, NoDevicesClosesTheBoxAtOnce) {
  FakeFetcher fetcher;
  fetcher.hold = true;  // the lists never come
  FakeDevices d;
  FirmwareCheck check(kSites, Login{}, fetcher, d);
  GateWatch w;
  check.Start({}, w.gate);
  EXPECT_TRUE(w.WaitClosed(2000));
  check.Stop();
  check.Join();
  EXPECT_FALSE(check.ListsFetched());
}

// A stop while the lists are still on their way, and while devices hang: everything ends at
// once and nothing is filed.
TEST(FirmwareCheckRun, StopEndsAFetchInFlightAndTheWaitingDevices) {
  FakeFetcher fetcher;
  fetcher.hold = true;
  FakeDevices d;
  d.Reply(L"10.0.1.1", "SYSTEM_INFO", Info("CAM-V8.00.01"));
  auto check = std::make_unique<FirmwareCheck>(kSites, Login{}, fetcher, d);
  GateWatch w;
  check->Start({L"10.0.1.1", L"10.0.1.2"}, w.gate);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(w.gate->CloseRequested());
  const auto t0 = std::chrono::steady_clock::now();
  check->Stop();
  EXPECT_TRUE(w.WaitClosed(2000));
  check.reset();  // joins
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
  EXPECT_TRUE(d.Paths().empty());
}

}  // namespace
