// The CGI client and the device information query built for Windows, run under Wine against
// the simulated devices of scripts/wine-netns-test (10.231.1.i on HTTP port 8000 + i, login
// admin / 740912).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "device/device_info.h"
#include "device/http_client.h"
#include "device/http_port_map.h"
#include "device/login.h"

namespace {

class CgiUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DORVIK_LOCAL_IP")) GTEST_SKIP() << "run by scripts/wine-netns-test";
    g_HttpPortMap.Clear();
    SetUserLogin(L"admin", L"740912");
  }
};

TEST_F(CgiUnderWine, DeviceInfoFillsTheRecord) {
  g_HttpPortMap.Set(L"10.231.1.3", 8003);
  DeviceRecord rec;
  EXPECT_EQ(GetDeviceInfo(0, L"10.231.1.3", rec), 0u);
  EXPECT_EQ(rec[SLOT_IP], L"10.231.1.3");
  EXPECT_EQ(rec[SLOT_MAC], L"00:0F:7C:00:03:03");
  EXPECT_EQ(rec[SLOT_FIRMWARE], L"W-V1.3");
  EXPECT_EQ(rec[SLOT_MODEL], L"WCAM-3");
  EXPECT_EQ(rec[SLOT_SERIAL], L"WS3");
  EXPECT_NE(rec[SLOT_PARAMETERS].find(L"VIDEO_ENCODER=H264\n"), std::wstring::npos);
  EXPECT_NE(rec[SLOT_PARAMETERS].find(L"PORT_HTTP=8003\n"), std::wstring::npos);
}

TEST_F(CgiUnderWine, VerdictsAndPorts) {
  char buf[2048];
  std::memset(buf, 'Q', sizeof buf);
  // No entry for the address: port 80, where nothing listens.
  EXPECT_EQ(HttpGetCgi(L"10.231.1.4", L"/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf, 3000, false, false), -1);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_GT(HttpGetCgi(L"10.231.1.4", L"/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf, 3000, false, false, 8004),
            0);
  EXPECT_NE(std::strstr(buf, "Firmware Version = W-V1.4\n"), nullptr);
  SetUserLogin(L"admin", L"wrong");
  EXPECT_EQ(HttpGetCgi(L"10.231.1.4", L"/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf, 3000, false, false, 8004),
            -3);
  EXPECT_GT(HttpGetCgi(L"10.231.1.4", L"/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf, 3000, true, false, 8004),
            0);
  EXPECT_EQ(HttpGetUrl(L"http://10.231.1.4:8004/cgi-bin/cmd/system?SYSTEM_INFO", 3000, buf, sizeof buf), -3);
  EXPECT_EQ(g_HttpPortMap.Size(), 0u);
}

TEST_F(CgiUnderWine, ServersThatCloseAfterTheirChallengeAnswerEveryRequest) {
  // 10.231.1.6 and .7: HTTP/1.0, closed 200 us and 2 ms after each reply; .8 and .9: HTTP/1.1,
  // closed as long after the challenge without a word.
  for (int i = 6; i <= 9; ++i) {
    const std::wstring host = L"10.231.1." + std::to_wstring(i);
    int answered = 0;
    for (int n = 0; n < 50; ++n) {
      char buf[1024];
      answered += HttpGetCgi(host, L"/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf, 3000, false, false, 8000 + i) >
                      0 &&
                  std::strstr(buf, "Firmware Version = ") != nullptr;
    }
    EXPECT_EQ(answered, 50) << i;
  }
}

}  // namespace
