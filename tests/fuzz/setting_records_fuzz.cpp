// Any bytes as a settings file, read as the device settings dialog's four records ([DT_DATA],
// [AV_DATA], [MT_DATA], [URL_DATA]): every value read lies in its range, and the records
// written and read again are the same.
#include "app/settings_file/settings_file.h"
#include "dialogs/device_settings/device_settings.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

bool InRange(int v, int low, int high) { return v >= low && v <= high; }

bool Same(const DateTimeSettings& a, const DateTimeSettings& b) {
  return a.Enable == b.Enable && a.Server == b.Server && a.DLS == b.DLS && a.ServerIP == b.ServerIP &&
         a.Sync == b.Sync && a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour &&
         a.Minute == b.Minute && a.Second == b.Second && a.TimeZone == b.TimeZone && a.SType == b.SType &&
         a.SMonth == b.SMonth && a.SDay == b.SDay && a.SDayOfWeek == b.SDayOfWeek && a.SHour == b.SHour &&
         a.EType == b.EType && a.EMonth == b.EMonth && a.EDay == b.EDay && a.EDayOfWeek == b.EDayOfWeek &&
         a.EHour == b.EHour;
}

bool Same(const AvSettings& a, const AvSettings& b) {
  if (a.Enable != b.Enable || a.AudioEnable != b.AudioEnable || a.StreamMode != b.StreamMode ||
      a.AudioVolume != b.AudioVolume || a.AudioSensitive != b.AudioSensitive)
    return false;
  for (int i = 0; i < kStreamCount; ++i) {
    const AvChannelSettings &x = a.channels[i], &y = b.channels[i];
    if (x.Encoder != y.Encoder || x.MaxBitrate != y.MaxBitrate || x.Bitrate != y.Bitrate ||
        x.Resolution != y.Resolution || x.FPS != y.FPS || x.Quality != y.Quality || x.GOP != y.GOP)
      return false;
  }
  return true;
}

bool Same(const MotionSettings& a, const MotionSettings& b) {
  if (a.Enable != b.Enable || a.StatePIR != b.StatePIR || a.SensitivePIR != b.SensitivePIR || a.TimerPIR != b.TimerPIR)
    return false;
  for (int i = 0; i < kMotionWindows; ++i) {
    const MotionWindow &x = a.windows[i], &y = b.windows[i];
    if (x.State != y.State || x.Sensitive != y.Sensitive || x.Timer != y.Timer || x.Threshold != y.Threshold ||
        x.Type != y.Type || !(x.Range == y.Range))
      return false;
  }
  return true;
}

bool Same(const UrlSettings& a, const UrlSettings& b) {
  return a.Enable == b.Enable && a.CGI == b.CGI && a.Command == b.Command;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IniDocument doc;
  doc.Parse(std::string(reinterpret_cast<const char*>(data), size));
  DeviceSettings read;
  LoadDeviceSettings(doc, read);

  const DateTimeSettings& d = read.dateTime;
  FUZZ_CHECK(!d.Enable && !read.av.Enable && !read.motion.Enable && !read.url.Enable);
  FUZZ_CHECK(InRange(d.Year, kFirstYear, kLastYear) && InRange(d.Month, 1, 12) &&
             InRange(d.Day, 1, DaysInMonth(d.Month, d.Year)) && InRange(d.Hour, 0, 23) && InRange(d.Minute, 0, 59) &&
             InRange(d.Second, 0, 59) && InRange(d.TimeZone, 0, kTimeZoneCount - 1) && d.Sync > 0);
  FUZZ_CHECK(d.ServerIP.size() <= kServerIpChars);
  const MotionSettings& m = read.motion;
  FUZZ_CHECK(InRange(m.SensitivePIR, 0, kMotionMaxSensitivity) && InRange(m.TimerPIR, 0, kMotionMaxTimer));
  for (const MotionWindow& w : m.windows) {
    FUZZ_CHECK(InRange(w.Sensitive, 0, kMotionMaxSensitivity) && InRange(w.Timer, 0, kMotionMaxTimer) &&
               InRange(w.Threshold, 0, kMotionMaxThreshold) && InRange(w.Type, kMotionFullImage, kMotionKeepCurrent));
    for (int v : {w.Range.left, w.Range.top, w.Range.right, w.Range.bottom})
      FUZZ_CHECK(InRange(v, kMotionMinCoordinate, kMotionMaxCoordinate));
  }
  for (const AvChannelSettings& c : read.av.channels)
    FUZZ_CHECK(c.Encoder.size() <= kEncoderChars && c.MaxBitrate.size() <= kRateChars && c.Bitrate.size() <= kRateChars);
  FUZZ_CHECK(read.av.AudioSensitive.size() <= kSensitivityChars);
  FUZZ_CHECK(InRange(read.url.CGI, 0, kCgiProgramCount - 1) && read.url.Command.size() <= kUrlCommandChars);

  // Written into the file it came from, and read back from the file's bytes.
  IniDocument out = doc;
  SaveDeviceSettings(out, read);
  IniDocument again;
  again.Parse(out.Serialize(out.SectionNames()));
  DeviceSettings back;
  LoadDeviceSettings(again, back);
  FUZZ_CHECK(Same(read.dateTime, back.dateTime));
  FUZZ_CHECK(Same(read.av, back.av));
  FUZZ_CHECK(Same(read.motion, back.motion));
  FUZZ_CHECK(Same(read.url, back.url));
  return 0;
}
