// The HTTP CGI client, the device information query and the adapter list against simulated
// devices on a private test network.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "device/adapters.h"
#include "device/cgi_urls.h"
#include "device/device_info.h"
#include "device/http_client.h"
#include "device/http_port_map.h"
#include "device/login.h"
#include "tests/support/netns_lab.h"

using testlab::NetnsLab;

namespace {

const char kBasic[] = "10.231.1.10";       // basic login, many failure rules
const char kDigest[] = "10.231.1.11";      // digest with qop
const char kDigestOld[] = "10.231.1.12";   // digest without qop
const char kBadAccount[] = "10.231.1.13";  // wrong login answered "bad account/password"
const char kNotAuth[] = "10.231.1.14";     // wrong login answered "not authorized"
const char kOff[] = "10.231.1.15";         // no HTTP: connection refused
const char kPort8080[] = "10.231.1.16";    // HTTP on 8080
const char kOpen[] = "10.231.1.17";        // no login at all (URL fetches)
const char kDrops[] = "10.231.1.18";       // digest; closes the connection after each challenge
const char kChunky[] = "10.231.1.19";      // digest; its challenge comes chunked
const char kNormal[] = "10.231.1.20";
const char kLv[] = "10.231.1.21";
const char kFamily[] = "10.231.1.22";
const char kRecorder[] = "10.231.1.23";
const char kSysError[] = "10.231.1.24";
const char kSysEmpty[] = "10.231.1.25";
const char kNobody[] = "10.231.1.99";  // no device holds it
// Older web servers that close after their challenge: HTTP/1.0 (after every reply), or
// HTTP/1.1 without a word; at once or a moment later.
const char k10Now[] = "10.231.1.26";
const char k10At200us[] = "10.231.1.27";
const char k10At2ms[] = "10.231.1.28";
const char k11At200us[] = "10.231.1.29";
const char k11At2ms[] = "10.231.1.30";
const char k10Digest[] = "10.231.1.31";

std::wstring W(const char* s) { return std::wstring(s, s + std::strlen(s)); }

class HttpNetns : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!NetnsLab::Available()) return;
    s_lab.reset(new NetnsLab(1));
    if (!s_lab->Ok()) return;
    std::string conf = s_lab->Dir() + "/http.conf";
    std::ofstream f(conf);
    f << "ip=" << kBasic << " mac=00:0F:7C:00:10:10 firmware=A1D-310-V5.00.01-AC model=CAM-2100 serial=S10"
      << " fail1=/cgi-bin/cmd/system?T_EMPTY:empty"
      << " fail2=/cgi-bin/cmd/system?T_ERROR:error"
      << " fail3=/cgi-bin/cmd/system?T_BOTH:body=ERROR%20and%20not%20authorized"
      << " fail4=/cgi-bin/cmd/system?T_404:status404"
      << " fail5=/cgi-bin/cmd/system?T_401:status401"
      << " fail6=/cgi-bin/cmd/system?T_BIG:big"
      << " fail7=/cgi-bin/cmd/system?T_CHUNKBIG:chunked+big"
      << " fail8=/cgi-bin/cmd/system?T_CHUNKED:chunked"
      << " fail9=/cgi-bin/cmd/system?T_CLOSE:close+big"
      << " failA=/cgi-bin/cmd/system?T_SLOW:slow+big"
      << " failB=/cgi-bin/cmd/system?T_REFUSE:refuse"
      << " failC=/cgi-bin/cmd/system?T_SILENT:silent"
      << " failD=/cgi-bin/cmd/system?T_BADACC:body=bad%20account/password"
      << " failE=/cgi-bin/cmd/system?T_500:status500+error"
      << " failF=/cgi-bin/cmd/system?T_CUTLEN:big+cut"
      << " failG=/cgi-bin/cmd/system?T_CUTCHUNK:chunked+big+cut"
      << " failH=/cgi-bin/cmd/system?T_CUTRESET:big+cut_reset"
      << " failI=/cgi-bin/cmd/system?T_CUTCLOSE:close+big+cut_reset\n";
    f << "ip=" << kDigest << " mac=00:0F:7C:00:10:11 auth=digest\n";
    f << "ip=" << kDigestOld << " mac=00:0F:7C:00:10:12 auth=digest_noqop\n";
    f << "ip=" << kBadAccount << " mac=00:0F:7C:00:10:13 password=other bad_login=bad_account\n";
    f << "ip=" << kNotAuth << " mac=00:0F:7C:00:10:14 password=other bad_login=not_authorized\n";
    f << "ip=" << kOff << " mac=00:0F:7C:00:10:15 http=off\n";
    f << "ip=" << kPort8080 << " mac=00:0F:7C:00:10:16 http_port=8080\n";
    f << "ip=" << kDrops << " mac=00:0F:7C:00:10:18 auth=digest keep_after_401=0\n";
    f << "ip=" << kChunky << " mac=00:0F:7C:00:10:19 auth=digest challenge=chunked\n";
    f << "ip=" << k10Now << " mac=00:0F:7C:00:10:26 http_version=1.0\n";
    f << "ip=" << k10At200us << " mac=00:0F:7C:00:10:27 http_version=1.0 close_delay_us=200\n";
    f << "ip=" << k10At2ms << " mac=00:0F:7C:00:10:28 http_version=1.0 close_delay_us=2000\n";
    f << "ip=" << k11At200us << " mac=00:0F:7C:00:10:29 keep_after_401=0 close_delay_us=200\n";
    f << "ip=" << k11At2ms << " mac=00:0F:7C:00:10:30 keep_after_401=0 close_delay_us=2000\n";
    f << "ip=" << k10Digest << " mac=00:0F:7C:00:10:31 http_version=1.0 close_delay_us=2000 auth=digest\n";
    f << "ip=" << kOpen << " mac=00:0F:7C:00:10:17 auth=none"
      << " fail1=/cgi-bin/cmd/t/notauth:body=not%20authorized fail2=/cgi-bin/cmd/t/error:error"
      << " fail3=/cgi-bin/cmd/t/bad:body=bad%20account/password fail4=/cgi-bin/cmd/t/404:status404\n";
    f << "ip=" << kNormal << " mac=00:0F:7C:00:10:20 firmware=A1D-310-V5.00.01-AC model=CAM-2100 serial=S20"
      << " name=Lobby multicast=239.0.0.20 platform=R9 sysinfo_quotes=1 unit_type=UNIT-X production_id=PID-X"
      << " VIDEO_ENCODER=H265\n";
    f << "ip=" << kLv << " mac=00:0F:7C:00:10:21 firmware=A1D-310-LV5.00.01 model=OEM-LV serial=OEM-S"
      << " name=Dock multicast=239.0.0.21 platform=T unit_type=LV-2100 production_id=PID21 auth=digest\n";
    f << "ip=" << kFamily << " mac=00:0F:7C:00:10:22 firmware=K3F-310-V5.00.01 model=K3F-8CH serial=S22"
      << " name=Gate multicast=239.0.0.22 platform=K\n";
    f << "ip=" << kRecorder << " mac=00:0F:7C:00:10:23 firmware=NVQ-V1.2.3 model=NVQ-4100 serial=S23"
      << " name=Hall multicast=239.0.0.23 platform=R9X4\n";
    f << "ip=" << kSysError << " mac=00:0F:7C:00:10:24 fail=/cgi-bin/cmd/system?SYSTEM_INFO:error\n";
    f << "ip=" << kSysEmpty << " mac=00:0F:7C:00:10:25 fail=/cgi-bin/cmd/system?SYSTEM_INFO:empty\n";
    f.close();
    s_log = s_lab->Dir() + "/requests.log";
    s_lab->AddDeviceAddresses(0, {kBasic, kDigest, kDigestOld, kBadAccount, kNotAuth, kOff, kPort8080, kOpen, kDrops,
                                  kChunky, kNormal, kLv, kFamily, kRecorder, kSysError, kSysEmpty, k10Now,
                                  k10At200us, k10At2ms, k11At200us, k11At2ms, k10Digest});
    if (s_lab->StartSimulator(0, {"--config", conf, "--log", s_log}) < 0) s_lab.reset();
  }
  static void TearDownTestSuite() { s_lab.reset(); }

  void SetUp() override {
    if (!NetnsLab::Available()) GTEST_SKIP() << "needs root and the ip tool";
    ASSERT_TRUE(s_lab && s_lab->Ok()) << "test network or simulator did not start";
    ASSERT_TRUE(s_lab->EnterHost());
    Login d = DefaultLogin();
    SetUserLogin(d.user, d.password);
    g_HttpPortMap.Clear();
    m_logStart = LogText().size();
  }
  void TearDown() override {
    if (s_lab) s_lab->LeaveHost();
    Login d = DefaultLogin();
    SetUserLogin(d.user, d.password);
  }

  static std::string LogText() {
    std::ifstream in(s_log);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The request lines logged since the test began.
  std::vector<std::string> NewRequests() const {
    std::string t = LogText().substr(m_logStart);
    std::vector<std::string> out;
    std::istringstream in(t);
    std::string line;
    while (std::getline(in, line))
      if (line.compare(0, 5, "http ") == 0) out.push_back(line);
    return out;
  }

  static int Get(const char* host, const std::string& path, char* buf, int size, bool acceptError = false,
                 int timeoutMs = 5000) {
    return HttpGetCgi(W(host), std::wstring(path.begin(), path.end()), buf, size, timeoutMs, false, acceptError);
  }

  static std::unique_ptr<NetnsLab> s_lab;
  static std::string s_log;
  std::size_t m_logStart = 0;
};

std::unique_ptr<NetnsLab> HttpNetns::s_lab;
std::string HttpNetns::s_log;

TEST_F(HttpNetns, VerdictsOnRealReplies) {
  struct Case {
    const char* query;
    bool acceptError;
    int expect;
  } cases[] = {
      {"T_EMPTY", false, 0},    {"T_ERROR", false, -2},  {"T_ERROR", true, 6},     {"T_BOTH", false, -3},
      {"T_404", false, -3},     {"T_401", false, -3},    {"T_BADACC", true, -3},   {"T_500", true, -3},
      {"T_REFUSE", false, -1},
  };
  for (const auto& c : cases) {
    char buf[2048];
    std::memset(buf, 'Q', sizeof buf);
    int r = Get(kBasic, std::string("/cgi-bin/cmd/system?") + c.query, buf, sizeof buf, c.acceptError);
    EXPECT_EQ(r, c.expect) << c.query;
    // The body is stored as received, failure words and all; no answer leaves it empty.
    if (r >= 0) {
      EXPECT_EQ(std::strlen(buf), static_cast<std::size_t>(r)) << c.query;
    } else if (r == -1) {
      EXPECT_EQ(buf[0], '\0') << c.query;
    } else {
      EXPECT_LT(std::strlen(buf), sizeof buf) << c.query;
    }
  }
}

TEST_F(HttpNetns, BodyFillsTheBufferWhateverItsDelimiting) {
  // Each of these bodies is over 6000 bytes and ends in "bad account/password".
  for (const char* q : {"T_BIG", "T_CHUNKBIG", "T_CLOSE", "T_SLOW"}) {
    char buf[2048];
    int r = Get(kBasic, std::string("/cgi-bin/cmd/system?") + q, buf, sizeof buf);
    EXPECT_EQ(r, 2047) << q;  // the failure word beyond the buffer is not seen
    EXPECT_EQ(std::strlen(buf), 2047u) << q;
    EXPECT_EQ(std::string(buf).substr(0, std::strlen(q) + 4), std::string(q) + "=''\n") << q;
  }
  // Room for all of it: every piece arrives (several reads), and then the word is seen.
  for (const char* q : {"T_BIG", "T_CHUNKBIG", "T_CLOSE", "T_SLOW"}) {
    std::vector<char> big(16384);
    EXPECT_EQ(Get(kBasic, std::string("/cgi-bin/cmd/system?") + q, big.data(), static_cast<int>(big.size())), -3)
        << q;
    EXPECT_NE(std::strstr(big.data(), "FILLER_0040="), nullptr) << q;
  }
  char chunked[2048];
  ASSERT_EQ(Get(kBasic, "/cgi-bin/cmd/system?T_CHUNKED&VIDEO_FPS_NUM", chunked, sizeof chunked), 32);
  EXPECT_STREQ(chunked, "T_CHUNKED=''\nVIDEO_FPS_NUM='30'\n");
}

TEST_F(HttpNetns, TinyBuffersStayTerminated) {
  char one[1] = {'Z'};
  EXPECT_EQ(Get(kBasic, "/cgi-bin/cmd/system?SYSTEM_INFO", one, 1), 0);
  EXPECT_EQ(one[0], '\0');
  char five[5];
  EXPECT_EQ(Get(kBasic, "/cgi-bin/cmd/system?SYSTEM_INFO", five, 5), 4);
  EXPECT_STREQ(five, "Firm");
  EXPECT_EQ(Get(kBasic, "/cgi-bin/cmd/system?SYSTEM_INFO", nullptr, 0), 0);
}

TEST_F(HttpNetns, NoAnswerCases) {
  char buf[256];
  EXPECT_EQ(Get(kOff, "/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf), -1);        // refused
  EXPECT_EQ(Get(kNobody, "/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf, false, 700), -1);  // nobody
  EXPECT_EQ(Get(kBasic, "/cgi-bin/cmd/system?T_SILENT", buf, sizeof buf, false, 700), -1);  // silent
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(HttpGetCgi(W(kBasic), L"/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf, 2000, false, false, 70000),
            -1);
}

TEST_F(HttpNetns, LoginSchemesAndRefusals) {
  char buf[1024];
  for (const char* host : {kBasic, kDigest, kDigestOld, kDrops}) {
    EXPECT_GT(Get(host, "/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf), 0) << host;
    EXPECT_NE(std::strstr(buf, "Firmware Version = "), nullptr) << host;
  }
  // The user's fields hold a wrong password: refused, while the default login still works.
  SetUserLogin(L"admin", L"wrong");
  for (const char* host : {kBasic, kDigest, kDigestOld}) {
    EXPECT_EQ(Get(host, "/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf), -3) << host;
    EXPECT_GT(HttpGetCgi(W(host), L"/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf, 5000, true, false), 0) << host;
  }
  // Devices that answer a wrong login with a 200 page of their own.
  EXPECT_EQ(Get(kBadAccount, "/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf), -3);
  EXPECT_STREQ(buf, "bad account/password\n");
  EXPECT_EQ(Get(kNotAuth, "/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf, true), -3);
  SetUserLogin(L"admin", L"other");
  EXPECT_GT(Get(kNotAuth, "/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf), 0);
}

TEST_F(HttpNetns, EachRequestReachesTheDeviceOnceUnansweredAndOnceWithTheLogin) {
  // A chunked challenge, and a device that drops the connection after its challenge.
  for (const char* host : {kChunky, kDrops}) {
    m_logStart = LogText().size();
    char buf[1024];
    EXPECT_GT(Get(host, "/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf), 0) << host;
    std::vector<std::string> lines = NewRequests();
    EXPECT_EQ(lines.size(), 2u) << host;
  }
}

TEST_F(HttpNetns, ServersThatCloseAfterTheirChallengeAnswerEveryRequest) {
  // Fifty requests with the user's login to each kind: every one answered, and each reached
  // the device twice (without and with the login), never more.
  struct Case {
    const char* host;
    const char* kind;
  } cases[] = {
      {k10Now, "HTTP/1.0, close at once"},         {k10At200us, "HTTP/1.0, close after 200 us"},
      {k10At2ms, "HTTP/1.0, close after 2 ms"},    {k10Digest, "HTTP/1.0 digest, close after 2 ms"},
      {kDrops, "HTTP/1.1 digest, close at once"},  {k11At200us, "HTTP/1.1, close after 200 us"},
      {k11At2ms, "HTTP/1.1, close after 2 ms"},
  };
  const int kRequests = 50;
  for (const Case& c : cases) {
    m_logStart = LogText().size();
    int answered = 0;
    for (int i = 0; i < kRequests; ++i) {
      char buf[1024];
      answered += Get(c.host, "/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf) > 0 &&
                  std::strstr(buf, "Firmware Version = ") != nullptr;
    }
    std::printf("  %-36s %d/%d\n", c.kind, answered, kRequests);
    EXPECT_EQ(answered, kRequests) << c.kind;
    EXPECT_EQ(NewRequests().size(), 2u * kRequests) << c.kind;
  }
}

TEST_F(HttpNetns, AReplyCutOffMidBodyIsNoAnswer) {
  // Half of a 6000-byte body, then silence or a reset: with room for all of it, no answer and
  // nothing in the buffer.
  for (const char* q : {"T_CUTLEN", "T_CUTCHUNK", "T_CUTRESET", "T_CUTCLOSE"}) {
    std::vector<char> big(16384, 'Q');
    EXPECT_EQ(Get(kBasic, std::string("/cgi-bin/cmd/system?") + q, big.data(), static_cast<int>(big.size()), false,
                  700),
              -1)
        << q;
    EXPECT_EQ(big[0], '\0') << q;
  }
  // With a 2048-byte buffer the first 2047 bytes came before the device went quiet: the buffer
  // is full, and that is the answer.
  for (const char* q : {"T_CUTLEN", "T_CUTCHUNK"}) {
    char buf[2048];
    EXPECT_EQ(Get(kBasic, std::string("/cgi-bin/cmd/system?") + q, buf, sizeof buf, false, 700), 2047) << q;
  }
}

TEST_F(HttpNetns, PortComesFromTheMapOr80AndLookupsAddNothing) {
  char buf[256];
  EXPECT_EQ(Get(kPort8080, "/cgi-bin/cmd/system?PORT_HTTP", buf, sizeof buf), -1);  // port 80: nothing there
  EXPECT_EQ(g_HttpPortMap.Size(), 0u);
  g_HttpPortMap.Set(W(kPort8080), 8080);
  ASSERT_GT(Get(kPort8080, "/cgi-bin/cmd/system?PORT_HTTP", buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "PORT_HTTP='8080'\n");
  EXPECT_GT(Get(kBasic, "/cgi-bin/cmd/system?PORT_HTTP", buf, sizeof buf), 0);  // never seen: 80
  EXPECT_EQ(g_HttpPortMap.Size(), 1u);
  g_HttpPortMap.Set(W(kBasic), 0);  // an entry of 0 also means 80
  EXPECT_GT(Get(kBasic, "/cgi-bin/cmd/system?PORT_HTTP", buf, sizeof buf), 0);
  EXPECT_EQ(HttpGetCgi(W(kPort8080), L"/cgi-bin/cmd/system?PORT_HTTP", buf, sizeof buf, 5000, false, false, 80), -1);
}

TEST_F(HttpNetns, RequestLineCarriesCallerTextsSafely) {
  SetUserLogin(L"op&r=1 x", L"p w#\r\nHost: evil");
  char buf[512];
  HttpGetCgi(W(kBasic), BuildConfigGetUrl(2), buf, sizeof buf, 5000, true, true);
  EXPECT_GT(HttpGetCgi(W(kBasic), L"/cgi-bin/cmd/system?NAME=a b\r\nX-Evil: 1", buf, sizeof buf, 5000, true, false), 0);
  std::vector<std::string> lines = NewRequests();
  ASSERT_GE(lines.size(), 3u);
  std::string ip(kBasic);
  EXPECT_EQ(lines.front(),
            "http " + ip + " GET /cgi-bin/update?USER=op%26r=1%20x&PWD=p%20w%23%0D%0AHost:%20evil&CHANNEL=2&CONFIG_GET");
  EXPECT_EQ(lines.back(), "http " + ip + " GET /cgi-bin/cmd/system?NAME=a%20b%0D%0AX-Evil:%201");
  EXPECT_EQ(LogText().find("X-Evil: 1"), std::string::npos);
  // What a request line can carry goes out as it was typed, the login in the query included.
  m_logStart = LogText().size();
  SetUserLogin(L"a|b", L"{p}^`\\\"<>");
  HttpGetCgi(W(kBasic), BuildConfigGetUrl(0), buf, sizeof buf, 5000, true, true);
  HttpGetCgi(W(kBasic), L"/cgi-bin/cmd/system?URL=\"<a>\\{b}|^`", buf, sizeof buf, 5000, true, false);
  lines = NewRequests();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), "http " + ip + " GET /cgi-bin/update?USER=a|b&PWD={p}^`\\\"<>&CONFIG_GET");
  EXPECT_EQ(lines.back(), "http " + ip + " GET /cgi-bin/cmd/system?URL=\"<a>\\{b}|^`");
}

TEST_F(HttpNetns, UrlFetchesWithoutLogin) {
  char buf[256];
  std::string open = std::string("http://") + kOpen + "/cgi-bin/cmd";
  auto url = [&](const std::string& path) { return W((open + path).c_str()); };
  EXPECT_EQ(HttpGetUrl(url("/t/notauth"), 5000, buf, sizeof buf), 14);  // not looked for here
  EXPECT_EQ(HttpGetUrl(url("/t/error"), 5000, buf, sizeof buf), -2);
  EXPECT_EQ(HttpGetUrl(url("/t/bad"), 5000, buf, sizeof buf), -3);
  EXPECT_EQ(HttpGetUrl(url("/t/404"), 5000, buf, sizeof buf), -3);
  EXPECT_GT(HttpGetUrl(url("/system?SYSTEM_INFO"), 5000, buf, sizeof buf), 0);
  // A device that wants a login: the fetch does not answer the challenge.
  EXPECT_EQ(HttpGetUrl(W((std::string("http://") + kBasic + "/cgi-bin/cmd/system?SYSTEM_INFO").c_str()), 5000, buf,
                       sizeof buf),
            -3);
  EXPECT_EQ(HttpGetUrl(W((std::string("http://") + kOff + "/x").c_str()), 5000, buf, sizeof buf), 0);
  EXPECT_EQ(HttpGetUrl(L"https://10.231.1.17/x", 5000, buf, sizeof buf), 0);
  EXPECT_EQ(HttpGetUrl(W((std::string("http://") + kPort8080 + ":8080/cgi-bin/cmd/system?PORT_HTTP").c_str()), 5000,
                       buf, sizeof buf),
            -3);  // 401: the device wants its login
}

TEST_F(HttpNetns, DeviceInfoOfANormalDevice) {
  DeviceRecord rec;
  rec[SLOT_MAC] = L"discovered-mac";
  rec[SLOT_PARAMETERS] = L"stale";
  EXPECT_EQ(GetDeviceInfo(0, W(kNormal), rec), 0u);
  EXPECT_EQ(rec[SLOT_IP], L"10.231.1.20");
  EXPECT_EQ(rec[SLOT_CAMERA_NAME], L"Lobby");
  EXPECT_EQ(rec[SLOT_MAC], L"00:0F:7C:00:10:20");
  EXPECT_EQ(rec[SLOT_FIRMWARE], L"A1D-310-V5.00.01-AC");  // sent in quotes
  EXPECT_EQ(rec[SLOT_MODEL], L"CAM-2100");                // OEM_MODEL_DESC, not Unit Type
  EXPECT_EQ(rec[SLOT_SERIAL], L"S20");
  EXPECT_EQ(rec[SLOT_MULTICAST_IP], L"239.0.0.20");
  EXPECT_EQ(rec[SLOT_CHANNEL_IP], L"");
  EXPECT_EQ(rec[SLOT_CHANNEL_MAC], L"");
  EXPECT_EQ(rec[SLOT_PARAMETERS],
            L"VIDEO_ENCODER=H265\nVIDEO_RESOLUTION=1920x1080\nVIDEO_FPS_NUM=30\nV2_AUDIO_ENABLED=1\n"
            L"PORT_VIDEO=8001\nPORT_CONTROL=8002\nV2_PORT_RTSP=554\nPORT_HTTP=80\n");
  EXPECT_EQ(rec[SLOT_UPGRADABLE], L"");
  EXPECT_EQ(rec[SLOT_PLATFORM], L"R9");

  std::vector<std::string> targets;
  for (const auto& l : NewRequests()) targets.push_back(l.substr(l.find(" GET ") + 5));
  const std::vector<std::string> expect = {
      "/cgi-bin/cmd/system?SYSTEM_INFO",     "/cgi-bin/cmd/system?OEM_INFO",
      "/cgi-bin/cmd/encoder?VIDEO_CAMERA_NAME", "/cgi-bin/cmd/system?V2_MULTICAST_IP",
      "/cgi-bin/cmd/encoder?VIDEO_ENCODER&VIDEO_RESOLUTION&VIDEO_FPS_NUM", "/cgi-bin/cmd/system?V2_AUDIO_ENABLED",
      "/cgi-bin/cmd/system?PORT_VIDEO&PORT_CONTROL&V2_PORT_RTSP&PORT_HTTP"};
  ASSERT_EQ(targets.size(), 2 * expect.size());  // challenge and answer for each
  for (std::size_t i = 0; i < expect.size(); ++i) {
    EXPECT_EQ(targets[2 * i], expect[i]);
    EXPECT_EQ(targets[2 * i + 1], expect[i]);
  }
}

TEST_F(HttpNetns, DeviceInfoOfAnLvDeviceReadsUnitTypeAndProductionId) {
  DeviceRecord rec;
  EXPECT_EQ(GetDeviceInfo(0, W(kLv), rec), 0u);
  EXPECT_EQ(rec[SLOT_FIRMWARE], L"A1D-310-LV5.00.01");
  EXPECT_EQ(rec[SLOT_MODEL], L"LV-2100");
  EXPECT_EQ(rec[SLOT_SERIAL], L"PID21");
  EXPECT_EQ(rec[SLOT_CAMERA_NAME], L"Dock");
  EXPECT_EQ(rec[SLOT_MULTICAST_IP], L"239.0.0.21");
  EXPECT_EQ(rec[SLOT_PLATFORM], L"T");
  EXPECT_EQ(rec[SLOT_MAC], L"00:0F:7C:00:10:21");
}

TEST_F(HttpNetns, DeviceInfoOfOneChannelOfAFamilyDevice) {
  DeviceRecord rec;
  rec[SLOT_FIRMWARE] = L"K3F-310-V5.00.00";
  rec[SLOT_MAC] = L"00:0F:7C:00:10:2A";  // the channel's own MAC from discovery
  EXPECT_EQ(GetDeviceInfo(2, W(kFamily), rec), 0u);
  EXPECT_EQ(rec[SLOT_MAC], L"00:0F:7C:00:10:2A");  // not taken from the reply
  EXPECT_EQ(rec[SLOT_FIRMWARE], L"K3F-310-V5.00.01");
  EXPECT_EQ(rec[SLOT_CAMERA_NAME], L"Gate-2");
  EXPECT_EQ(rec[SLOT_MODEL], L"K3F-8CH");
  EXPECT_EQ(rec[SLOT_SERIAL], L"S22");
  EXPECT_EQ(rec[SLOT_PLATFORM], L"K");
  EXPECT_EQ(rec[SLOT_CHANNEL_IP], L"2 - 10.231.1.22");
  EXPECT_EQ(rec[SLOT_CHANNEL_MAC], L"2 - 00:0F:7C:00:10:2A");
  std::vector<std::string> lines = NewRequests();
  ASSERT_EQ(lines.size(), 14u);
  for (const auto& l : lines) EXPECT_NE(l.find("?CHANNEL=2&"), std::string::npos) << l;
}

TEST_F(HttpNetns, DeviceInfoOfARecorderAskedAsAWhole) {
  DeviceRecord rec;
  EXPECT_EQ(GetDeviceInfo(-1, W(kRecorder), rec), 0u);
  EXPECT_EQ(rec[SLOT_IP], L"10.231.1.23");
  EXPECT_EQ(rec[SLOT_MAC], L"00:0F:7C:00:10:23");
  EXPECT_EQ(rec[SLOT_FIRMWARE], L"NVQ-V1.2.3");
  EXPECT_EQ(rec[SLOT_MODEL], L"NVQ-4100");
  EXPECT_EQ(rec[SLOT_SERIAL], L"S23");
  EXPECT_EQ(rec[SLOT_CAMERA_NAME], L"Hall");
  EXPECT_EQ(rec[SLOT_MULTICAST_IP], L"239.0.0.23");
  EXPECT_EQ(rec[SLOT_PLATFORM], L"R9X4");
  EXPECT_EQ(rec[SLOT_CHANNEL_IP], L"");
  EXPECT_EQ(rec[SLOT_CHANNEL_MAC], L"-1 - 00:0F:7C:00:10:23");
  EXPECT_NE(rec[SLOT_PARAMETERS].find(L"V2_AUDIO_ENABLED=1"), std::wstring::npos);
  // No further queries and no channel in any path.
  std::vector<std::string> lines = NewRequests();
  ASSERT_EQ(lines.size(), 8u);
  for (const auto& l : lines) {
    EXPECT_EQ(l.find("CHANNEL"), std::string::npos) << l;
    EXPECT_EQ(l.find("OEM_INFO"), std::string::npos) << l;
  }
}

TEST_F(HttpNetns, DeviceInfoFailuresKeepTheRecord) {
  DeviceRecord base;
  for (std::size_t i = 0; i < DEVICE_SLOT_COUNT; ++i) base[i] = L"slot" + std::to_wstring(i);

  DeviceRecord rec = base;
  EXPECT_EQ(GetDeviceInfo(0, W(kOff), rec), INFO_NO_ANSWER);
  DeviceRecord expect = base;
  expect[SLOT_IP] = W(kOff);
  EXPECT_EQ(rec, expect);

  rec = base;
  EXPECT_EQ(GetDeviceInfo(0, W(kSysError), rec), INFO_ERROR_REPLY);
  expect[SLOT_IP] = W(kSysError);
  EXPECT_EQ(rec, expect);

  rec = base;
  EXPECT_EQ(GetDeviceInfo(0, W(kSysEmpty), rec), 0u);  // answered, but with nothing
  expect[SLOT_IP] = W(kSysEmpty);
  EXPECT_EQ(rec, expect);

  SetUserLogin(L"admin", L"wrong");
  rec = base;
  EXPECT_EQ(GetDeviceInfo(3, W(kNormal), rec), INFO_LOGIN_REFUSED);
  expect[SLOT_IP] = W(kNormal);
  expect[SLOT_CHANNEL_IP] = L"3 - 10.231.1.20";
  expect[SLOT_CHANNEL_MAC] = L"3 - slot2";
  EXPECT_EQ(rec, expect);

  // A family device's channel that does not answer loses its firmware version.
  rec = base;
  rec[SLOT_FIRMWARE] = L"KRZ-1";
  EXPECT_EQ(GetDeviceInfo(1, W(kOff), rec), INFO_NO_ANSWER);
  EXPECT_EQ(rec[SLOT_FIRMWARE], L"");
  rec[SLOT_FIRMWARE] = L"KRZ-1";
  EXPECT_EQ(GetDeviceInfo(0, W(kOff), rec), INFO_NO_ANSWER);
  EXPECT_EQ(rec[SLOT_FIRMWARE], L"KRZ-1");
}

TEST(AdaptersNetns, TwoAddressesOnOneInterfaceInOrder) {
  if (!NetnsLab::Available()) GTEST_SKIP() << "needs root and the ip tool";
  NetnsLab lab(0);
  ASSERT_TRUE(lab.Ok()) << lab.Error();
  ASSERT_TRUE(lab.AddHostAddress("10.231.7.9"));
  ASSERT_TRUE(lab.EnterHost());
  std::vector<std::wstring> list = {L"kept"};
  EnumLocalAdapters(list);
  lab.LeaveHost();
  EXPECT_EQ(list, (std::vector<std::wstring>{L"kept", L"10.231.0.1 / 255.255.0.0", L"10.231.7.9 / 255.255.0.0"}));
}

}  // namespace
