// The date and time page's record: every request form the devices get (older and newer
// syntax, SNTP and manual, daylight-saving rules by week and by day, the zone offsets), and
// [DT_DATA] written and read back, with defaults for what a hand-edited file got wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings_file/settings_file.h"
#include "dialogs/device_settings/date_time_apply.h"
#include "dialogs/device_settings/date_time_settings.h"

namespace {

const wchar_t kDst[] = L"&DAYLIGHT_SAVING_CONFIG=0,1,7,1,2:00,7,2,3,5,2:00";  // the default rules

DateTimeSettings Manual() {
  DateTimeSettings s;
  s.Server = false;
  return s;
}

TEST(DateTimeRequest, EveryForm) {
  DateTimeSettings usRules;  // second Sunday of March to first Sunday of November, in force
  usRules.DLS = true;
  usRules.SMonth = 3;
  usRules.SDay = 2;
  usRules.SDayOfWeek = 7;
  usRules.EType = 0;
  usRules.EMonth = 11;
  usRules.EDay = 1;
  usRules.EDayOfWeek = 7;
  DateTimeSettings byDay = Manual();  // 29 March 23:00 to 25 October 03:00, not in force
  byDay.SType = 1;
  byDay.SMonth = 3;
  byDay.SDay = 29;
  byDay.SHour = 23;
  byDay.EMonth = 10;
  byDay.EDay = 25;
  byDay.EHour = 3;
  byDay.Year = 2026;
  byDay.Month = 12;
  byDay.Day = 31;
  byDay.Hour = 23;
  byDay.Minute = 59;
  byDay.Second = 7;
  byDay.TimeZone = 23;
  DateTimeSettings otherServer;
  otherServer.ServerIP = L"10.1.2.254";
  otherServer.Sync = 86400;
  otherServer.TimeZone = 28;

  struct Case {
    const char* what;
    DateTimeSettings s;
    bool older;
    std::wstring request;
  };
  const std::vector<Case> cases = {
      {"older SNTP", DateTimeSettings(), true,
       std::wstring(L"/cgi-bin/cmd/system?DATE_CONFIG=2,192.168.0.2,3600,+00") + kDst},
      {"newer SNTP, no zone", DateTimeSettings(), false,
       std::wstring(L"/cgi-bin/cmd/system?DATE_TYPE=2&DATE_SNTP_IP=192.168.0.2&DATE_SNTP_UPDATE=3600") + kDst},
      {"older manual", Manual(), true, std::wstring(L"/cgi-bin/cmd/system?DATE_CONFIG=1,011500002012,00:00:00,+00") + kDst},
      {"newer manual", Manual(), false,
       std::wstring(L"/cgi-bin/cmd/system?DATE_TYPE=1&DATE_MANUAL_DATE=011500002012&DATE_MANUAL_TIME=00:00:00"
                    L"&DATE_MANUAL_ZONE=+00") + kDst},
      {"older SNTP, other server and zone", otherServer, true,
       std::wstring(L"/cgi-bin/cmd/system?DATE_CONFIG=2,10.1.2.254,86400,+08") + kDst},
      {"rules by week, in force", usRules, false,
       L"/cgi-bin/cmd/system?DATE_TYPE=2&DATE_SNTP_IP=192.168.0.2&DATE_SNTP_UPDATE=3600"
       L"&DAYLIGHT_SAVING_CONFIG=1,1,3,2,2:00,7,1,11,1,2:00,7"},
      {"rules by day, manual date with minutes in the zone", byDay, true,
       L"/cgi-bin/cmd/system?DATE_CONFIG=1,123100002026,23:59:07,+05:30"
       L"&DAYLIGHT_SAVING_CONFIG=0,2,3,29,23:00,2,10,25,3:00"},
      {"rules by day, newer manual", byDay, false,
       L"/cgi-bin/cmd/system?DATE_TYPE=1&DATE_MANUAL_DATE=123100002026&DATE_MANUAL_TIME=23:59:07"
       L"&DATE_MANUAL_ZONE=+05:30&DAYLIGHT_SAVING_CONFIG=0,2,3,29,23:00,2,10,25,3:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(DateTimeRequest(c.s, c.older), c.request) << c.what;
}

TEST(DateTimeRequest, ZoneOffsetsComeFromTheTable) {
  const std::pair<int, const wchar_t*> zones[] = {{0, L"-12"},     {3, L"-09:30"},  {9, L"-04:30"}, {15, L"+00"},
                                                  {24, L"+05:45"}, {35, L"+12:45"}, {36, L"+13"},
                                                  // outside the table: the default zone
                                                  {-1, L"+00"},    {37, L"+00"}};
  for (const auto& z : zones) {
    EXPECT_STREQ(TimeZoneOffset(z.first), z.second) << z.first;
    DateTimeSettings s = Manual();
    s.TimeZone = z.first;
    EXPECT_NE(DateTimeRequest(s, false).find(std::wstring(L"&DATE_MANUAL_ZONE=") + z.second + L"&"),
              std::wstring::npos)
        << z.first;
  }
}

TEST(DateTimeSettingsRecord, DaysOfTheMonthAndIntervals) {
  EXPECT_EQ(DaysInMonth(2, 2012), 29);
  EXPECT_EQ(DaysInMonth(2, 2013), 28);
  EXPECT_EQ(DaysInMonth(2, 0), 29);  // a rule's February
  EXPECT_EQ(DaysInMonth(4, 2013), 30);
  EXPECT_EQ(DaysInMonth(12, 2013), 31);
  EXPECT_EQ(SyncIntervalIndex(300), 0);
  EXPECT_EQ(SyncIntervalIndex(86400), 4);
  EXPECT_EQ(SyncIntervalIndex(999), -1);
}

IniDocument Parse(const std::string& text) {
  IniDocument doc;
  doc.Parse(text);
  return doc;
}

TEST(DateTimeSettingsRecord, WrittenAndReadBack) {
  DateTimeSettings s;
  s.Enable = true;
  s.Server = false;
  s.DLS = true;
  s.ServerIP = L"10.0.0.1";
  s.Sync = 43200;
  s.Year = 2053;
  s.Month = 2;
  s.Day = 28;
  s.Hour = 23;
  s.Minute = 5;
  s.Second = 59;
  s.TimeZone = 36;
  s.SType = 1;
  s.SMonth = 2;
  s.SDay = 29;
  s.SDayOfWeek = 3;
  s.SHour = 0;
  s.EType = 0;
  s.EMonth = 12;
  s.EDay = 4;
  s.EDayOfWeek = 1;
  s.EHour = 23;
  IniDocument doc;
  doc.Set(L"DT_DATA", L"Stale", L"1");
  SaveDateTimeSettings(doc, s);
  std::vector<std::wstring> keys;
  for (const auto& e : doc.Entries(L"DT_DATA")) keys.push_back(e.first);
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"Enable", L"Server", L"DLS", L"ServerIP", L"Sync", L"Year", L"Month",
                                             L"Day", L"Hour", L"Minute", L"Second", L"TimeZone", L"SType", L"SMonth",
                                             L"SDay", L"SDayOfWeek", L"SHour", L"EType", L"EMonth", L"EDay",
                                             L"EDayOfWeek", L"EHour"}));
  EXPECT_EQ(doc.Get(L"DT_DATA", L"Enable"), L"1");

  // Through the file's text, as at the next start: everything but the enable box comes back.
  DateTimeSettings back;
  back.Enable = true;
  LoadDateTimeSettings(Parse(doc.Serialize({L"DT_DATA"})), back);
  EXPECT_FALSE(back.Enable);
  back.Enable = true;
  EXPECT_EQ(DateTimeRequest(back, true), DateTimeRequest(s, true));
  EXPECT_EQ(DateTimeRequest(back, false), DateTimeRequest(s, false));
  EXPECT_EQ(back.ServerIP, s.ServerIP);
  EXPECT_EQ(back.Sync, s.Sync);
  EXPECT_EQ(back.Server, s.Server);
}

TEST(DateTimeSettingsRecord, MissingSectionGivesTheDefaults) {
  DateTimeSettings s;
  s.Year = 2040;
  LoadDateTimeSettings(Parse(""), s);
  EXPECT_EQ(DateTimeRequest(s, true), DateTimeRequest(DateTimeSettings(), true));
  EXPECT_EQ(DateTimeRequest(Manual(), true).substr(0, 56), L"/cgi-bin/cmd/system?DATE_CONFIG=1,011500002012,00:00:00,");
  EXPECT_TRUE(s.Server);
  EXPECT_FALSE(s.DLS);
  EXPECT_EQ(s.Year, 2012);
}

TEST(DateTimeSettingsRecord, HandEditedBadValuesLoadAsDefaults) {
  struct Case {
    const char* line;
    int DateTimeSettings::*field;
    int expected;
  };
  const std::vector<Case> cases = {
      {"Year=1999", &DateTimeSettings::Year, 2012},
      {"Year=2054", &DateTimeSettings::Year, 2012},
      {"Year=twenty", &DateTimeSettings::Year, 2012},
      {"Month=13", &DateTimeSettings::Month, 1},
      {"Month=0", &DateTimeSettings::Month, 1},
      {"Day=32", &DateTimeSettings::Day, 15},
      {"Hour=24", &DateTimeSettings::Hour, 0},
      {"Minute=-1", &DateTimeSettings::Minute, 0},
      {"Second=60", &DateTimeSettings::Second, 0},
      {"TimeZone=37", &DateTimeSettings::TimeZone, 15},
      {"TimeZone=-3", &DateTimeSettings::TimeZone, 15},
      {"Sync=0", &DateTimeSettings::Sync, 3600},
      {"Sync=-60", &DateTimeSettings::Sync, 3600},
      {"Sync=999", &DateTimeSettings::Sync, 999},  // an interval the list lacks is kept
      {"SType=2", &DateTimeSettings::SType, 0},
      {"SMonth=99", &DateTimeSettings::SMonth, 7},
      {"SDay=5", &DateTimeSettings::SDay, 1},  // by week: First to Last only
      {"SDayOfWeek=8", &DateTimeSettings::SDayOfWeek, 7},
      {"SHour=25", &DateTimeSettings::SHour, 2},
      {"EDay=32", &DateTimeSettings::EDay, 5},
      {"EDayOfWeek=-1", &DateTimeSettings::EDayOfWeek, 0},
      {"EHour=x", &DateTimeSettings::EHour, 2},
  };
  for (const Case& c : cases) {
    DateTimeSettings s;
    LoadDateTimeSettings(Parse(std::string("[DT_DATA]\r\n") + c.line + "\r\n"), s);
    EXPECT_EQ(s.*c.field, c.expected) << c.line;
  }
  // Values that only fail together with another key.
  struct Pair {
    const char* text;
    int DateTimeSettings::*field;
    int expected;
  };
  const std::vector<Pair> pairs = {
      {"Year=2013\r\nMonth=2\r\nDay=29", &DateTimeSettings::Day, 15},
      {"Year=2012\r\nMonth=2\r\nDay=29", &DateTimeSettings::Day, 29},
      {"EType=0", &DateTimeSettings::EDay, 1},       // the default day 5 is no week
      {"EType=0\r\nEDay=4", &DateTimeSettings::EDay, 4},
      {"SType=1\r\nSMonth=4\r\nSDay=31", &DateTimeSettings::SDay, 1},
      {"SType=1\r\nSMonth=2\r\nSDay=29", &DateTimeSettings::SDay, 29},
  };
  for (const Pair& p : pairs) {
    DateTimeSettings s;
    LoadDateTimeSettings(Parse(std::string("[DT_DATA]\r\n") + p.text + "\r\n"), s);
    EXPECT_EQ(s.*p.field, p.expected) << p.text;
  }
  // Flags are set by 1 only; an address must be one.
  DateTimeSettings s;
  LoadDateTimeSettings(Parse("[DT_DATA]\r\nServer=2\r\nDLS=1\r\nServerIP=time.example\r\nEnable=1\r\n"), s);
  EXPECT_FALSE(s.Server);
  EXPECT_TRUE(s.DLS);
  EXPECT_FALSE(s.Enable);
  EXPECT_EQ(s.ServerIP, L"192.168.0.2");
  LoadDateTimeSettings(Parse("[DT_DATA]\r\nServerIP=10.0.0.300\r\n"), s);
  EXPECT_EQ(s.ServerIP, L"192.168.0.2");
  LoadDateTimeSettings(Parse("[DT_DATA]\r\nServerIP=172.16.5.9\r\n"), s);
  EXPECT_EQ(s.ServerIP, L"172.16.5.9");
}

}  // namespace
