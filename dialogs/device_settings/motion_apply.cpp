#include "dialogs/device_settings/motion_apply.h"

#include <cctype>
#include <cstring>
#include <limits>

#include "app/batch/batch_context.h"
#include "dialogs/device_settings/device_job.h"
#include "dialogs/device_settings/reply_number.h"
#include "dialogs/device_settings/settings_request.h"

namespace {

std::wstring N(int v) { return std::to_wstring(v); }

bool NeedsCurrentWindow(const MotionWindow& w) { return w.State && w.Type == kMotionKeepCurrent; }

}  // namespace

bool ParseImageRect(const std::string& reply, MotionRect* image) {
  const std::size_t quote = reply.find('\'');
  if (quote == std::string::npos || quote == 0) return false;
  std::size_t p = quote + 1;
  while (p < reply.size() && reply[p] >= 'A' && reply[p] <= 'Z') ++p;
  int width = 0, height = 0;
  if (p >= reply.size() || !std::isdigit(static_cast<unsigned char>(reply[p])) ||
      !ReadReplyNumber(reply, &p, 1, kMotionMaxImageSide, &width) || p >= reply.size() || reply[p] != 'x' ||
      !ReadReplyNumber(reply, &++p, 1, kMotionMaxImageSide, &height))
    return false;
  *image = MotionRect{0, 0, width - 1, height - 1};
  return true;
}

unsigned ParseCurrentWindows(const std::string& reply, MotionRect current[kMotionWindows]) {
  unsigned read = 0;
  for (int n = 1; n <= kMotionWindows; ++n) {
    const std::string key = "MOTION_CONFIG='" + std::to_string(n) + ",";
    const std::size_t at = reply.find(key);
    if (at == std::string::npos) continue;
    // State, rectangle, sensitivity, timer, threshold: numbers that do not wrap, the rectangle
    // inside the largest image; otherwise the window is not read.
    std::size_t p = at + key.size();
    int v[8];
    bool ok = true;
    for (int k = 0; k < 8 && ok; ++k) {
      if (k > 0) ok = p < reply.size() && reply[p++] == ',';
      const bool corner = k >= 1 && k <= 4;
      ok = ok && ReadReplyNumber(reply, &p, corner ? 0 : std::numeric_limits<int>::min(),
                                 corner ? kMotionMaxImageSide : std::numeric_limits<int>::max(), &v[k]);
    }
    if (!ok) continue;
    current[n - 1] = MotionRect{v[1], v[2], v[3], v[4]};
    read |= 1u << (n - 1);
  }
  return read;
}

MotionRect MotionWindowRect(int i, const MotionSettings& s, const MotionRect& image,
                            const MotionRect current[kMotionWindows]) {
  const MotionWindow& w = s.windows[i];
  switch (w.Type) {
    case kMotionFullImage: return image;
    case kMotionCoordinates: return w.State ? w.Range : MotionRect();
    case kMotionKeepCurrent: return w.State ? current[i] : MotionRect();
    default: return MotionRect();
  }
}

std::wstring BuildMotionConfig(int i, const MotionSettings& s, const MotionRect& image,
                               const MotionRect current[kMotionWindows]) {
  const MotionWindow& w = s.windows[i];
  const MotionRect r = MotionWindowRect(i, s, image, current);
  return L"MOTION_CONFIG=" + N(i + 1) + L"," + N(w.State ? 1 : 0) + L"," + N(r.left) + L"," + N(r.top) + L"," +
         N(r.right) + L"," + N(r.bottom) + L"," + N(w.Sensitive) + L"," + N(w.Timer) + L"," + N(w.Threshold);
}

int ApplyMotionToChannel(const BatchContext& context, int channel, const DeviceJob& job) {
  const MotionSettings& s = job.settings->motion;
  const std::wstring encoder = L"/cgi-bin/cmd/encoder?";
  const std::wstring ch = L"CHANNEL=" + N(channel);
  char reply[kSettingsReplySize];

  // A device streaming in a mode that drives detection itself is left alone.
  bool pir = false;
  if (SettingsRequest(context, job.address, L"/cgi-bin/cmd/system?SYSTEM_INFO", reply) > 0) {
    if (std::strstr(reply, "STREAMING MODE = EPTZ Stream") || std::strstr(reply, "STREAMING MODE = MD_PRESET Stream"))
      return kMotionFailed;
    pir = std::strstr(reply, "MD_SENSOR") != nullptr;
  }

  MotionRect image;
  if (SettingsRequest(context, job.address, encoder + ch + L"&VIDEO_RESOLUTION", reply) <= 0 ||
      !ParseImageRect(reply, &image))
    return kMotionFailed;

  // The windows the device has now, for those the user keeps as they are: a window that is to
  // be kept but cannot be read is never overwritten with an empty one.
  MotionRect current[kMotionWindows];
  unsigned read = 0;
  if (SettingsRequest(context, job.address, encoder + ch + L"&MOTION_CONFIG", reply) > 0)
    read = ParseCurrentWindows(reply, current);
  for (int i = 0; i < kMotionWindows; ++i)
    if (NeedsCurrentWindow(s.windows[i]) && !(read & (1u << i))) return kMotionFailed;

  std::wstring request = encoder + ch;
  for (int i = 0; i < kMotionWindows; ++i) request += L"&" + BuildMotionConfig(i, s, image, current);

  SettingsRequest(context, job.address, encoder + L"MOTION_ENABLED=0x01");
  if (!context.Wait("motion enabled", kMotionEnablePauseMs)) return kMotionFailed;

  if (pir)
    request += L"&PIR_MD_CONFIG=" + N(s.StatePIR ? 1 : 0) + L"," + N(s.SensitivePIR) + L"," + N(s.TimerPIR);
  return SendSettingsRequest(context, job.address, request) ? 0 : kMotionFailed;
}

int ApplyMotionToDevice(const BatchContext& context, const DeviceJob& job) {
  if (job.channels.empty()) return ApplyMotionToChannel(context, 1, job);
  for (int channel : job.channels)
    if (ApplyMotionToChannel(context, channel, job) != 0) return kMotionFailed;
  return 0;
}
