// The date and time that the device settings operation sets: the record the date/time page
// shows and the workers read, its settings section [DT_DATA], and the page's vocabularies
// (time zones, SNTP intervals, months, weekdays, rule types).
#pragma once
#include <cstddef>
#include <string>

class IniDocument;

struct DateTimeSettings {
  bool Enable = false;  // the page's enable box; written at close, never read back
  bool Server = true;   // SNTP server (true) or the manual date and time
  bool DLS = false;     // daylight saving in force
  std::wstring ServerIP = L"192.168.0.2";
  int Sync = 3600;  // SNTP update interval, seconds
  int Year = 2012, Month = 1, Day = 15;
  int Hour = 0, Minute = 0, Second = 0;
  int TimeZone = 15;  // index into the zone table
  // Daylight-saving rules. Type 0: by week (Day 1-4 = First, Second, Third, Last) and weekday
  // (1 = Monday ... 7 = Sunday); type 1: by day of the month.
  int SType = 0, SMonth = 7, SDay = 1, SDayOfWeek = 7, SHour = 2;
  int EType = 1, EMonth = 3, EDay = 5, EDayOfWeek = 0, EHour = 2;
};

// Characters the server address field holds (the record's 16 with the terminator).
constexpr std::size_t kServerIpChars = 15;

// Time zones: the combo shows the localised texts 1124 + index; the device gets the offset.
constexpr int kTimeZoneCount = 37;
constexpr unsigned kFirstTimeZoneText = 1124;
constexpr int kDefaultTimeZone = 15;
// The offset sent for a zone: "-12", "-09:30", "+00", "+05:45" (whole hours without the
// minutes). The default zone's offset for an index outside the table.
const wchar_t* TimeZoneOffset(int zone);

// The SNTP update intervals the page offers.
struct SyncInterval {
  unsigned textId;
  int seconds;
};
constexpr int kSyncIntervalCount = 5;
extern const SyncInterval kSyncIntervals[kSyncIntervalCount];
// The interval entry with that many seconds, -1 for none.
int SyncIntervalIndex(int seconds);

// Texts of the page's lists (each a run of string ids).
constexpr unsigned kRuleTypeTexts = 1161;     // "Type 1", "Type 2"
constexpr unsigned kFirstMonthText = 1163;    // "Jan" ... "Dec"
constexpr unsigned kFirstOrdinalText = 1175;  // "First", "Second", "Third", "Last"
constexpr unsigned kFirstWeekdayText = 1179;  // "Mon" ... "Sun"
constexpr int kFirstYear = 2011;
constexpr int kLastYear = 2053;

// Days of a month (1-12) in a year; year 0 stands for a rule, whose February has 29 days.
int DaysInMonth(int month, int year);

// [DT_DATA]. Loading starts from the defaults above; a key that is missing or holds a value
// the page cannot show (a month 13, a zone outside the table, a day the month does not
// have, an address that is no IPv4 address...) keeps its default. Enable is not read.
void LoadDateTimeSettings(const IniDocument& doc, DateTimeSettings& s);
// Rewrites [DT_DATA]: Enable, Server, DLS, ServerIP, Sync, Year ... EHour.
void SaveDateTimeSettings(IniDocument& doc, const DateTimeSettings& s);
