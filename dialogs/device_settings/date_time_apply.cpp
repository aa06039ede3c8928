#include "dialogs/device_settings/date_time_apply.h"

#include <cstdarg>
#include <cwchar>

#include "app/batch/batch_context.h"
#include "dialogs/device_settings/device_job.h"
#include "dialogs/device_settings/settings_request.h"

namespace {

std::wstring Format(const wchar_t* format, ...) {
  wchar_t buf[512];
  va_list args;
  va_start(args, format);
  const int n = std::vswprintf(buf, sizeof buf / sizeof buf[0], format, args);
  va_end(args);
  return n < 0 ? std::wstring() : std::wstring(buf, static_cast<std::size_t>(n));
}

// ",weekday" for a rule by week and weekday, nothing for a rule by day of the month.
std::wstring DstWeekdaySuffix(int type, int weekday) { return type == 0 ? Format(L",%d", weekday) : std::wstring(); }

}  // namespace

std::wstring DateTimeRequest(const DateTimeSettings& s, bool olderSyntax) {
  const wchar_t* zone = TimeZoneOffset(s.TimeZone);
  const wchar_t* ip = s.ServerIP.c_str();
  std::wstring r;
  if (olderSyntax && s.Server)
    r = Format(L"/cgi-bin/cmd/system?DATE_CONFIG=2,%ls,%d,%ls", ip, s.Sync, zone);
  else if (olderSyntax)
    r = Format(L"/cgi-bin/cmd/system?DATE_CONFIG=1,%02d%02d0000%d,%02d:%02d:%02d,%ls", s.Month, s.Day, s.Year,
               s.Hour, s.Minute, s.Second, zone);
  else if (s.Server)
    r = Format(L"/cgi-bin/cmd/system?DATE_TYPE=2&DATE_SNTP_IP=%ls&DATE_SNTP_UPDATE=%d", ip, s.Sync);
  else
    r = Format(L"/cgi-bin/cmd/system?DATE_TYPE=1&DATE_MANUAL_DATE=%02d%02d0000%d&DATE_MANUAL_TIME=%02d:%02d:%02d"
               L"&DATE_MANUAL_ZONE=%ls",
               s.Month, s.Day, s.Year, s.Hour, s.Minute, s.Second, zone);
  r += Format(L"&DAYLIGHT_SAVING_CONFIG=%d,%d,%d,%d,%d:00%ls,%d,%d,%d,%d:00%ls", s.DLS ? 1 : 0,
              s.SType == 0 ? 1 : 2, s.SMonth, s.SDay, s.SHour, DstWeekdaySuffix(s.SType, s.SDayOfWeek).c_str(),
              s.EType == 0 ? 1 : 2, s.EMonth, s.EDay, s.EHour, DstWeekdaySuffix(s.EType, s.EDayOfWeek).c_str());
  return r;
}

int ApplyDateTimeToDevice(const BatchContext& context, const DeviceJob& job) {
  const DateTimeSettings& s = job.settings->dateTime;
  // Only an answer that is no failure tells the older syntax; silence or "ERROR" the newer.
  const bool older = SendSettingsRequest(context, job.address, kDateConfigProbe);
  return SendSettingsRequest(context, job.address, DateTimeRequest(s, older)) ? 0 : kDateTimeFailed;
}
