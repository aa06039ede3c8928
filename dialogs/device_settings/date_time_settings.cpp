#include "dialogs/device_settings/date_time_settings.h"

#include <cstdint>

#include "app/settings_file/settings_file.h"
#include "port/net.h"
#include "port/text.h"

namespace {

const wchar_t kSection[] = L"DT_DATA";

// What the device gets for each zone; the page shows the localised texts of the same index.
const wchar_t* const kZoneOffsets[kTimeZoneCount] = {
    L"-12",    L"-11",    L"-10", L"-09:30", L"-09", L"-08",    L"-07",    L"-06",    L"-05",    L"-04:30",
    L"-04",    L"-03:30", L"-03", L"-02",    L"-01", L"+00",    L"+01",    L"+02",    L"+03",    L"+03:30",
    L"+04",    L"+04:30", L"+05", L"+05:30", L"+05:45", L"+06", L"+06:30", L"+07",    L"+08",    L"+09",
    L"+09:30", L"+10",    L"+11", L"+11:30", L"+12", L"+12:45", L"+13"};

bool InRange(int v, int low, int high) { return v >= low && v <= high; }

// A number key: its stored value when `valid` accepts it, else the default already held.
template <typename Valid>
void ReadInt(const IniDocument& doc, const wchar_t* key, int& field, Valid valid) {
  const int def = field;
  const int v = doc.GetInt(kSection, key, def);
  field = valid(v) ? v : def;
}

// A flag is set only by the number 1.
void ReadFlag(const IniDocument& doc, const wchar_t* key, bool& field) {
  field = doc.GetInt(kSection, key, field ? 1 : 0) == 1;
}

bool IsIpv4(const std::wstring& text) {
  std::uint32_t address = 0;
  return !text.empty() && text.size() <= kServerIpChars && port::ParseIPv4(port::ToUtf8(text), &address);
}

// A rule's day: a week ordinal for type 0, a day of the month for type 1.
bool ValidRuleDay(int type, int month, int day) {
  return type == 0 ? InRange(day, 1, 4) : InRange(day, 1, DaysInMonth(month, 0));
}

}  // namespace

const SyncInterval kSyncIntervals[kSyncIntervalCount] = {
    {1186, 300}, {1187, 3600}, {1188, 21600}, {1189, 43200}, {1190, 86400}};

const wchar_t* TimeZoneOffset(int zone) {
  return kZoneOffsets[InRange(zone, 0, kTimeZoneCount - 1) ? zone : kDefaultTimeZone];
}

int SyncIntervalIndex(int seconds) {
  for (int i = 0; i < kSyncIntervalCount; ++i)
    if (kSyncIntervals[i].seconds == seconds) return i;
  return -1;
}

int DaysInMonth(int month, int year) {
  static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (!InRange(month, 1, 12)) return 31;
  if (month == 2 && year != 0) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return leap ? 29 : 28;
  }
  return kDays[month - 1];
}

void LoadDateTimeSettings(const IniDocument& doc, DateTimeSettings& s) {
  s = DateTimeSettings();
  ReadFlag(doc, L"Server", s.Server);
  ReadFlag(doc, L"DLS", s.DLS);
  const std::wstring ip = doc.Get(kSection, L"ServerIP", s.ServerIP);
  if (IsIpv4(ip)) s.ServerIP = ip;
  // An interval the list does not offer is kept: the device takes any number of seconds.
  ReadInt(doc, L"Sync", s.Sync, [](int v) { return v > 0; });
  ReadInt(doc, L"Year", s.Year, [](int v) { return InRange(v, kFirstYear, kLastYear); });
  ReadInt(doc, L"Month", s.Month, [](int v) { return InRange(v, 1, 12); });
  ReadInt(doc, L"Day", s.Day, [&](int v) { return InRange(v, 1, DaysInMonth(s.Month, s.Year)); });
  ReadInt(doc, L"Hour", s.Hour, [](int v) { return InRange(v, 0, 23); });
  ReadInt(doc, L"Minute", s.Minute, [](int v) { return InRange(v, 0, 59); });
  ReadInt(doc, L"Second", s.Second, [](int v) { return InRange(v, 0, 59); });
  ReadInt(doc, L"TimeZone", s.TimeZone, [](int v) { return InRange(v, 0, kTimeZoneCount - 1); });
  struct Rule {
    const wchar_t *type, *month, *day, *weekday, *hour;
    int &Type, &Month, &Day, &DayOfWeek, &Hour;
  };
  for (const Rule& r : {Rule{L"SType", L"SMonth", L"SDay", L"SDayOfWeek", L"SHour", s.SType, s.SMonth, s.SDay,
                             s.SDayOfWeek, s.SHour},
                        Rule{L"EType", L"EMonth", L"EDay", L"EDayOfWeek", L"EHour", s.EType, s.EMonth, s.EDay,
                             s.EDayOfWeek, s.EHour}}) {
    ReadInt(doc, r.type, r.Type, [](int v) { return InRange(v, 0, 1); });
    ReadInt(doc, r.month, r.Month, [](int v) { return InRange(v, 1, 12); });
    // The default day may not suit a type read from the file: then the rule's first day.
    if (!ValidRuleDay(r.Type, r.Month, r.Day)) r.Day = 1;
    ReadInt(doc, r.day, r.Day, [&](int v) { return ValidRuleDay(r.Type, r.Month, v); });
    // 0 is the stored value of a rule that never had a weekday (shown as Monday).
    ReadInt(doc, r.weekday, r.DayOfWeek, [](int v) { return InRange(v, 0, 7); });
    ReadInt(doc, r.hour, r.Hour, [](int v) { return InRange(v, 0, 23); });
  }
}

void SaveDateTimeSettings(IniDocument& doc, const DateTimeSettings& s) {
  doc.ClearSection(kSection);
  auto put = [&](const wchar_t* key, int v) { doc.Set(kSection, key, std::to_wstring(v)); };
  put(L"Enable", s.Enable ? 1 : 0);
  put(L"Server", s.Server ? 1 : 0);
  put(L"DLS", s.DLS ? 1 : 0);
  doc.Set(kSection, L"ServerIP", s.ServerIP);
  put(L"Sync", s.Sync);
  put(L"Year", s.Year);
  put(L"Month", s.Month);
  put(L"Day", s.Day);
  put(L"Hour", s.Hour);
  put(L"Minute", s.Minute);
  put(L"Second", s.Second);
  put(L"TimeZone", s.TimeZone);
  put(L"SType", s.SType);
  put(L"SMonth", s.SMonth);
  put(L"SDay", s.SDay);
  put(L"SDayOfWeek", s.SDayOfWeek);
  put(L"SHour", s.SHour);
  put(L"EType", s.EType);
  put(L"EMonth", s.EMonth);
  put(L"EDay", s.EDay);
  put(L"EDayOfWeek", s.EDayOfWeek);
  put(L"EHour", s.EHour);
}
