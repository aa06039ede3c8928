// Texts the application shell makes for the user: the page that opens a device's web page
// with its login, the language the language dialog shows as chosen, and the about box's
// version line.
#include <gtest/gtest.h>

#include <string>

#include "app/shell/languages.h"
#include "app/shell/program_version.h"
#include "device/http_auth.h"
#include "kit/device_page.h"
#include "port/text.h"

namespace {

using devpage::Call;

std::string Narrow(const std::wstring& w) { return port::ToUtf8(w); }

TEST(DevicePage, CameraAndRecorderCalls) {
  // A camera: the form's login with the password itself; port 80 only when none is known.
  Call camera = devpage::MakeCall(L"10.1.2.3", false, 0, L"admin", L"740912");
  EXPECT_EQ(camera.function, "click_link");
  EXPECT_EQ(camera.port, L"80");
  EXPECT_EQ(camera.account, L"admin");
  EXPECT_EQ(camera.secret, L"740912");
  EXPECT_EQ(devpage::MakeCall(L"10.1.2.3", false, 8080, L"admin", L"x").port, L"8080");
  EXPECT_EQ(devpage::MakeCall(L"10.1.2.3", false, -1, L"admin", L"x").port, L"80");
  // A recorder: the token, base64 of "account:password".
  Call recorder = devpage::MakeCall(L"10.1.2.4", true, 81, L"admin", L"740912");
  EXPECT_EQ(recorder.function, "NVQ_click_link");
  EXPECT_EQ(recorder.port, L"81");
  EXPECT_EQ(recorder.account, L"admin");
  EXPECT_EQ(recorder.secret, L"YWRtaW46NzQwOTEy");
  EXPECT_EQ(devpage::MakeCall(L"10.1.2.4", true, 0, L"", L"").secret, L"Og==");  // base64 of ":"
  // Bytes of the local code page, as the recorder's own page sends them.
  const std::wstring password = L"p\"a'ss\u00E9\\";
  std::string decoded;
  ASSERT_TRUE(http::Base64Decode(Narrow(devpage::MakeCall(L"10.1.2.4", true, 0, L"admin", password).secret), &decoded));
  EXPECT_EQ(decoded, port::ToLocal8(L"admin:" + password));
}

TEST(DevicePage, ScriptStringsCannotEndEarly) {
  const std::pair<std::wstring, std::string> cases[] = {
      {L"740912", "\"740912\""},
      {L"a\"b", "\"a\\\"b\""},
      {L"a'b\\c", "\"a\\'b\\\\c\""},
      {L"</script><b>&", "\"\\u003c/script\\u003e\\u003cb\\u003e\\u0026\""},
      {L"line\nbreak\t", "\"line\\u000abreak\\u0009\""},
      {L"\u00E9\u65E5", "\"\\u00e9\\u65e5\""},
      {L"", "\"\""},
  };
  for (const auto& c : cases) EXPECT_EQ(devpage::ScriptString(c.first), c.second) << Narrow(c.first);
}

TEST(DevicePage, TheCallAndTheCharsetGoWhereThePageMarksThem) {
  const std::string page =
      "<html><head><meta charset=\"DORVIK-CHARSET\"></head><body><form name=\"frmConfig2\" "
      "accept-charset=\"DORVIK-CHARSET\"></form><!--DORVIK:CALL--></body></html>";
  Call call = devpage::MakeCall(L"10.1.2.3", false, 0, L"ad\"min", L"pa'ss\u00E9");
  EXPECT_EQ(devpage::FillPage(page, call, "shift_jis"),
            "<html><head><meta charset=\"shift_jis\"></head><body><form name=\"frmConfig2\" "
            "accept-charset=\"shift_jis\"></form>"
            "<script type=\"text/javascript\">click_link(\"10.1.2.3\", \"80\", \"ad\\\"min\", \"pa\\'ss\\u00e9\");"
            "</script></body></html>");
  // Without a marker the call comes last.
  const std::string filled = devpage::FillPage("<p>", call, "windows-1252");
  EXPECT_EQ(filled.rfind("<p><script", 0), 0u);
  // A login that holds the marker is posted as typed.
  const std::string own = devpage::FillPage(page, devpage::MakeCall(L"10.1.2.3", false, 0, L"a", L"DORVIK-CHARSET"), "gbk");
  EXPECT_NE(own.find("click_link(\"10.1.2.3\", \"80\", \"a\", \"DORVIK-CHARSET\");"), std::string::npos) << own;
}

TEST(DevicePage, CharsetNamesOfTheAnsiCodePages) {
  const std::pair<unsigned, const char*> cases[] = {
      {1252, "windows-1252"}, {1250, "windows-1250"}, {1251, "windows-1251"}, {874, "windows-874"},
      {932, "shift_jis"},     {936, "gbk"},           {949, "euc-kr"},        {950, "big5"},
      {65001, "utf-8"},
  };
  for (const auto& c : cases) EXPECT_EQ(devpage::CharsetName(c.first), c.second) << c.first;
}

TEST(Languages, TheListShowsTheLanguageTheTextsComeFrom) {
  struct Case {
    unsigned setting, userDefault;
    const wchar_t* shown;
  } cases[] = {
      {1033, 1041, L"English"},
      {1049, 1033, L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439"},
      {1028, 1033, L"\u7E41\u9AD4\u4E2D\u6587"},
      {2052, 1033, L"\u7B80\u4F53\u4E2D\u6587"},
      {1024, 1041, L"\u65E5\u672C\u8A9E"},  // not set yet: the user's own language
      {1024, 1031, L"English"},             // German has no table: English texts
      {0, 1045, L"Polski"},
      {3082, 1033, L"Espa\u00F1ol"},         // Spanish of another region: the Spanish table
      {2060, 1033, L"Fran\u00E7ais"},        // Belgian French
      {2067, 1033, L"Nederlands"},
      {2057, 1033, L"English"},              // British English
      {3076, 1033, L"English"},              // Hong Kong Chinese has no table
  };
  for (const Case& c : cases)
    EXPECT_STREQ(kInterfaceLanguages[LanguageEntryFor(c.setting, c.userDefault)].name, c.shown) << c.setting;
  // The list in its order, each with its id.
  const unsigned short ids[] = {1029, 1043, 1033, 1036, 1038, 1040, 1041, 1045, 1048, 1049, 1034, 2052, 1028};
  for (std::size_t i = 0; i < kInterfaceLanguageCount; ++i) EXPECT_EQ(kInterfaceLanguages[i].langId, ids[i]) << i;
}

TEST(AboutBox, VersionLine) {
  EXPECT_EQ(AboutVersionText(0x00040003, 0x00000018), L"Dorvik V4.3.24");
  EXPECT_EQ(AboutVersionText(0x00010000, 0x00000005), L"Dorvik V1.0.05");  // at least two digits
  EXPECT_EQ(AboutVersionText(0x00010000, 0x00090000), L"Dorvik V1.0.00");  // the third part is not shown
  EXPECT_EQ(AboutVersionText(0x000A0014, 0x0000007B), L"Dorvik V10.20.123");
}

}  // namespace
