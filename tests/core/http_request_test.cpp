// Reply verdicts, URL splitting, safe request targets, and the CGI path builders.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "device/cgi_urls.h"
#include "device/http_client.h"
#include "device/http_url.h"
#include "device/login.h"

namespace {

struct VerdictCase {
  int status;
  const char* body;
  bool acceptError;
  int cgi;  // expected HttpGetCgi verdict
  int url;  // expected HttpGetUrl verdict
};

TEST(ReplyVerdict, StatusAndFailureWordsWithTheirPrecedence) {
  const VerdictCase cases[] = {
      {200, "", false, 0, 0},
      {200, "VIDEO_FPS_NUM='30'\n", false, 19, 19},
      {200, "ERROR", false, -2, -2},
      {200, "ERROR", true, 5, -2},
      {200, "line\nERROR: no such key\n", true, 24, -2},
      {200, "error", false, 5, 5},  // the word is matched with its case
      {200, "bad account/password", false, -3, -3},
      {200, "bad account/password", true, -3, -3},
      {200, "not authorized", false, -3, 14},  // the URL fetch does not look for it
      {200, "ERROR not authorized", false, -3, -2},
      {200, "ERROR bad account/password", false, -3, -3},
      {401, "", false, -3, -3},
      {404, "ok", true, -3, -3},
      {500, "ERROR", false, -3, -3},
      {302, "", false, -3, -3},
  };
  for (const auto& c : cases) {
    int len = static_cast<int>(std::strlen(c.body));
    EXPECT_EQ(JudgeCgiReply(c.status, c.body, len, c.acceptError), c.cgi) << c.status << " " << c.body;
    EXPECT_EQ(JudgeUrlReply(c.status, c.body, len), c.url) << c.status << " " << c.body;
  }
}

TEST(ReplyVerdict, SearchesCoverOnlyTheStoredBytesIncludingPastANul) {
  const char body[] = "abc\0ERROR and more";
  EXPECT_EQ(JudgeCgiReply(200, body, 3, false), 3);
  EXPECT_EQ(JudgeCgiReply(200, body, 9, false), -2);
  const char cut[] = "....bad account/pass";
  EXPECT_EQ(JudgeCgiReply(200, cut, static_cast<int>(sizeof cut - 1), false), static_cast<int>(sizeof cut - 1));
}

TEST(HttpUrl, SplitsHostPortAndTarget) {
  struct Case {
    const char* url;
    bool ok;
    const char* host;
    int port;
    const char* target;
  } cases[] = {
      {"http://dl.example.test/fw/list.txt", true, "dl.example.test", 80, "/fw/list.txt"},
      {"http://10.0.0.5:8080/cgi-bin/update?USER=a&PWD=b", true, "10.0.0.5", 8080, "/cgi-bin/update?USER=a&PWD=b"},
      {"HTTP://host", true, "host", 80, "/"},
      {"host:81?x=1", true, "host", 81, "/?x=1"},
      {"http://h/a b", true, "h", 80, "/a%20b"},
      {"http://h/list.txt?v=2#top", true, "h", 80, "/list.txt?v=2"},
      {"http://h#x", true, "h", 80, "/"},
      {"https://host/", false, "", 0, ""},
      {"ftp://host/", false, "", 0, ""},
      {"http://:80/", false, "", 0, ""},
      {"http://h:0/", false, "", 0, ""},
      {"http://h:65536/", false, "", 0, ""},
      {"http://h:8x/", false, "", 0, ""},
      {"http://user:pw@h/", false, "", 0, ""},
      {"http://h\r\nX: 1/", false, "", 0, ""},
  };
  for (const auto& c : cases) {
    http::Url u;
    ASSERT_EQ(http::ParseUrl(c.url, &u), c.ok) << c.url;
    if (!c.ok) continue;
    EXPECT_EQ(u.host, c.host);
    EXPECT_EQ(u.port, c.port);
    EXPECT_EQ(u.target, c.target);
  }
}

TEST(HttpUrl, SafeTargetEncodesOnlyWhatCannotStandInARequestLine) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"/cgi-bin/cmd/system?CHANNEL=2&SYSTEM_INFO", "/cgi-bin/cmd/system?CHANNEL=2&SYSTEM_INFO"},
      {"", "/"},
      {"x", "/x"},
      {"/a?N=x y\r\nHost: evil\t\x01", "/a?N=x%20y%0D%0AHost:%20evil%09%01"},
      {"/\xC3\xA9\x7F\x80\xFF", "/%C3%A9%7F%80%FF"},
      {"/a%20b", "/a%20b"},  // already encoded text stays as it is
      {"/a#b", "/a%23b"},
      // Printable bytes that a browser would encode go out as typed: a device that does not
      // decode them would get another command.
      {"/cgi-bin/cmd/x?A=\"<>\\^`{|}", "/cgi-bin/cmd/x?A=\"<>\\^`{|}"},
      {"/cgi-bin/cmd/system?DATE_CONFIG=1,01150000 2012,00:00:00,+05:30&A=b/C#2",
       "/cgi-bin/cmd/system?DATE_CONFIG=1,01150000%202012,00:00:00,+05:30&A=b/C%232"},
  };
  for (const auto& c : cases) EXPECT_EQ(http::SafeTarget(c.in), c.out) << c.in;
  // Every byte: encoded exactly when it is a control byte, space, DEL, '#' or above 127.
  for (int b = 1; b < 256; ++b) {
    const char ch = static_cast<char>(b);
    const bool encode = b <= 0x20 || b >= 0x7F || ch == '#';
    const std::string got = http::SafeTarget(std::string("/") + ch);
    EXPECT_EQ(got.size(), encode ? 4u : 2u) << b;
  }
}

TEST(HttpUrl, PercentEncodeOnlyWhatCannotStandInAQueryValue) {
  EXPECT_EQ(http::PercentEncode("admin740912"), "admin740912");
  EXPECT_EQ(http::PercentEncode("a-b.c_d~e"), "a-b.c_d~e");
  // Passwords such devices take as typed.
  EXPECT_EQ(http::PercentEncode("p!@$w=d?/:*'()[],;"), "p!@$w=d?/:*'()[],;");
  EXPECT_EQ(http::PercentEncode("a&b#c%d+e f"), "a%26b%23c%25d%2Be%20f");
  EXPECT_EQ(http::PercentEncode("\r\n\t\x7F\xE9"), "%0D%0A%09%7F%E9");
  EXPECT_TRUE(http::IsHeaderSafe("Dorvik 1.0\t(x)"));
  EXPECT_FALSE(http::IsHeaderSafe("a\r\nb"));
}

class CgiUrls : public ::testing::Test {
 protected:
  void SetUp() override { SetUserLogin(L"admin", L"740912"); }
  void TearDown() override {
    Login d = DefaultLogin();
    SetUserLogin(d.user, d.password);
  }
};

TEST_F(CgiUrls, CommandPathCarriesTheChannelOnlyAboveZero) {
  EXPECT_EQ(BuildCgiCmdUrl(2, L"system", L"SYSTEM_INFO"), L"/cgi-bin/cmd/system?CHANNEL=2&SYSTEM_INFO");
  EXPECT_EQ(BuildCgiCmdUrl(0, L"system", L"SYSTEM_INFO"), L"/cgi-bin/cmd/system?SYSTEM_INFO");
  EXPECT_EQ(BuildCgiCmdUrl(-1, L"system", L"SYSTEM_INFO"), L"/cgi-bin/cmd/system?SYSTEM_INFO");
  EXPECT_EQ(BuildCgiCmdUrl(16, L"encoder", L"VIDEO_FPS_NUM=25"), L"/cgi-bin/cmd/encoder?CHANNEL=16&VIDEO_FPS_NUM=25");
}

TEST_F(CgiUrls, UpgradePathsByKindChannelAndPerChannelFlag) {
  struct Case {
    int channel, kind;
    bool perChannel;
    const wchar_t* path;
  } cases[] = {
      {0, 0, false, L"/cgi-bin/update?USER=admin&PWD=740912&FIRMWARE"},
      {0, 0, true, L"/cgi-bin/update?USER=admin&PWD=740912&FIRMWARE_ALL"},
      {3, 0, true, L"/cgi-bin/update?USER=admin&PWD=740912&CHANNEL=3&FIRMWARE_ALL"},
      {3, 0, false, L"/cgi-bin/update?USER=admin&PWD=740912&FIRMWARE"},
      {-1, 1, true, L"/cgi-bin/update?USER=admin&PWD=740912&CHANNEL=-1&ISP_IMAGE"},
      {2, 2, false, L"/cgi-bin/update?USER=admin&PWD=740912&ISP_FIRMWARE"},
      {0, 3, false, L"/cgi-bin/update?USER=admin&PWD=740912&ISP_DEV"},
      {0, 4, false, L"/cgi-bin/update?USER=admin&PWD=740912&ISP_HARDWARE"},
      {0, 5, false, L"/cgi-bin/update?USER=admin&PWD=740912&CONFIG_SET"},
      {4, 6, true, L"/cgi-bin/update?USER=admin&PWD=740912&CHANNEL=4&CONFIG_GET"},
      {0, 8, false, L"/cgi-bin/update?USER=admin&PWD=740912&BOOTLOADER_FIRMWARE"},
      {0, 9, false, L"/cgi-bin/update?USER=admin&PWD=740912&FIRMWARE_NETWORK"},
      {0, 7, false, L""},
      {0, 10, false, L""},
      {0, -1, false, L""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BuildUpgradeUrl(c.channel, c.kind, c.perChannel), c.path) << c.kind << " " << c.channel;
}

TEST_F(CgiUrls, ConfigGetAndFixedCgiPaths) {
  EXPECT_EQ(BuildConfigGetUrl(0), L"/cgi-bin/update?USER=admin&PWD=740912&CONFIG_GET");
  EXPECT_EQ(BuildConfigGetUrl(5), L"/cgi-bin/update?USER=admin&PWD=740912&CHANNEL=5&CONFIG_GET");
  EXPECT_EQ(BuildConfigGetUrl(-1), L"/cgi-bin/update?USER=admin&PWD=740912&CHANNEL=-1&CONFIG_GET");
  EXPECT_EQ(BuildCgiUrl(7), L"/cgi-bin/test?USER=admin&PWD=740912&GET_BLACKBOX_MSG");
  EXPECT_EQ(BuildCgiUrl(8), L"/cgi-bin/update?USER=admin&PWD=740912&BOOTLOADER_FIRMWARE");
  EXPECT_EQ(BuildCgiUrl(0), L"");
  EXPECT_EQ(BuildCgiUrl(9), L"");
}

TEST_F(CgiUrls, LoginInTheQueryIsPercentEncodedAndReadAtEachCall) {
  SetUserLogin(L"op&r=1", L"p w#\r\n%");
  EXPECT_EQ(BuildConfigGetUrl(0), L"/cgi-bin/update?USER=op%26r=1&PWD=p%20w%23%0D%0A%25&CONFIG_GET");
  EXPECT_EQ(BuildCgiUrl(7), L"/cgi-bin/test?USER=op%26r=1&PWD=p%20w%23%0D%0A%25&GET_BLACKBOX_MSG");
  SetUserLogin(L"admin", L"Pa!ss@wo$rd");
  EXPECT_EQ(BuildUpgradeUrl(0, 9, false), L"/cgi-bin/update?USER=admin&PWD=Pa!ss@wo$rd&FIRMWARE_NETWORK");
  SetUserLogin(L"Admin2", L"x");
  EXPECT_EQ(BuildUpgradeUrl(0, 5, false), L"/cgi-bin/update?USER=Admin2&PWD=x&CONFIG_SET");
}

TEST(LoginSource, StartsAsDefaultAndIsFedByTheMainWindow) {
  Login d = DefaultLogin();
  EXPECT_EQ(d.user, L"admin");
  EXPECT_EQ(d.password, L"740912");
  SetUserLogin(L"u", L"p");
  EXPECT_EQ(UserLogin().user, L"u");
  EXPECT_EQ(UserLogin().password, L"p");
  EXPECT_EQ(DefaultLogin().user, L"admin");
  SetUserLogin(d.user, d.password);
}

}  // namespace
