#include "dialogs/device_settings/av_apply.h"

#include <cstring>

#include "app/batch/batch_context.h"
#include "device/model_tests.h"
#include "dialogs/device_settings/device_job.h"
#include "dialogs/device_settings/settings_request.h"

namespace {

const wchar_t kSystem[] = L"/cgi-bin/cmd/system?";
const wchar_t kEncoder[] = L"/cgi-bin/cmd/encoder?";

std::wstring N(int v) { return std::to_wstring(v); }

// Asks a capability list, again while the device answers "Error" (it is still busy); after the
// last repeat the reply is taken as it stands. False when a request fails or the batch stops.
bool QueryCapability(const BatchContext& context, const std::wstring& address, const std::wstring& path,
                     char* reply) {
  if (SettingsRequest(context, address, path, reply) <= 0) return false;
  for (int i = 0; i < kCapabilityRetries && std::strstr(reply, "Error"); ++i) {
    if (!context.Wait("capability busy", kCapabilityRetryMs)) return false;
    if (SettingsRequest(context, address, path, reply) <= 0) return false;
  }
  if (std::strstr(reply, "Error") && !context.Wait("capability busy", kCapabilityRetryMs)) return false;
  return true;
}

// The resolution to send for the stream on this channel; empty when the device's list cannot
// be had or holds nothing to send.
std::wstring GetResolutionValue(const BatchContext& context, const std::wstring& address, int channel,
                                const AvChannelSettings& stream) {
  char reply[kSettingsReplySize];
  if (!QueryCapability(context, address, kSystem + (L"CHANNEL=" + N(channel) + L"&VIDEO_RESOLUTION_CAP"), reply))
    return std::wstring();
  return ChooseResolution(stream.Resolution, reply);
}

// The frame rate to send; 0 when there is none (the device's list cannot be had or holds no
// rate, or the index is outside the page's list).
int GetFpsValue(const BatchContext& context, const std::wstring& address, int channel, const AvChannelSettings& stream) {
  if (FixedFps(stream.FPS) > 0) return FixedFps(stream.FPS);
  const int k = FpsDivisor(stream.FPS);
  if (k < 0) return 0;
  char reply[kSettingsReplySize];
  if (!QueryCapability(context, address, kSystem + (L"CHANNEL=" + N(channel) + L"&VIDEO_FPS_CAP"), reply)) return 0;
  return PickFps(ParseFpsCapability(reply), k);
}

}  // namespace

int ApplyAvChannelSettings(const BatchContext& context, const AvDevice& device, int channel,
                           const AvChannelSettings& stream, const AvSettings& settings) {
  const std::string& platform = device.facts.platform;
  const std::wstring ch = L"CHANNEL=" + N(channel);
  auto send = [&](const std::wstring& path) { return SendSettingsRequest(context, device.address, path); };

  if (HasAudio(device.facts)) {
    if (!send(kSystem + ch + L"&V2_AUDIO_ENABLED=" + N(settings.AudioEnable ? 1 : 0))) return kAvAudioFailed;
    const int level = AudioLevelMode(device.facts);
    if (level != 0) {
      const std::wstring volume = L"AUDIO_OUT_VOLUME=" + N(settings.AudioVolume);
      const std::wstring input = level == 1 ? L"AUDIO_IN_LEVEL=" : L"AUDIO_IN_SENSITIVITY=";
      if (!send(kSystem + ch + L"&" + (device.newFirmware ? volume : input + settings.AudioSensitive + L"&" + volume)))
        return kAvAudioFailed;
    }
  }

  // Platform "K" takes the codec as chosen, the others in their own form (AdjustCodec).
  const std::wstring codec = platform == "K" ? stream.Encoder : AdjustCodec(platform, stream.Encoder, device.newFirmware);
  if (platform == "K") {
    if (!send(kEncoder + (L"VIDEO_STREAM=" + StreamText(settings.StreamMode)))) return kAvResolutionFailed;
    const std::wstring resolution = GetResolutionValue(context, device.address, channel, stream);
    if (resolution.empty()) return kAvResolutionFailed;
    if (!send(kEncoder + ch + L"&VIDEO_ENCODER=" + codec + L"&VIDEO_RESOLUTION=" + resolution))
      return kAvResolutionFailed;
  } else {
    if (platform == "T" && !send(kEncoder + (L"VIDEO_STREAM=" + StreamText(settings.StreamMode)))) return kAvStreamFailed;
    if (!send(kEncoder + ch + L"&VIDEO_ENCODER=" + codec)) return kAvEncoderFailed;
    const std::wstring resolution = GetResolutionValue(context, device.address, channel, stream);
    if (resolution.empty() || !send(kEncoder + ch + L"&VIDEO_RESOLUTION=" + resolution)) return kAvResolutionFailed;
  }

  const int fps = GetFpsValue(context, device.address, channel, stream);
  if (fps <= 0 || !send(kEncoder + ch + L"&VIDEO_FPS_NUM=" + N(fps))) return kAvFpsFailed;

  if (platform == "W") {
    // "W" is always sent MPEG4, so its quality keys are MPEG4's.
    if (!send(kEncoder + ch + QualityFragment(codec, stream.Quality, stream.GOP))) return kAvQualityFailed;
    if (!send(kEncoder + ch + PlainBitrateFragment(stream.Bitrate))) return kAvBitrateFailed;
  } else {
    const bool capped = device.bitrateLimit || (platform == "A" && !device.newFirmware);
    if (!send(kEncoder + ch + BitrateFragment(stream, capped))) return kAvBitrateFailed;
  }
  return 0;
}

int ApplyAvSettingsToDevice(const BatchContext& context, const DeviceJob& job) {
  const AvSettings& s = job.settings->av;
  char reply[kSettingsReplySize];
  const bool told = SettingsRequest(context, job.address, L"/cgi-bin/cmd/system?SYSTEM_INFO", reply) > 0;
  AvDevice device;
  device.address = job.address;
  device.facts = ReadAvDeviceFacts(told ? reply : "");
  device.newFirmware = HasPlatformVersionToken(job.firmware);
  device.bitrateLimit = job.bitrateLimit;
  if (!IsKnownPlatform(device.facts.platform) && HasAudio(device.facts)) return kAvAudioFailed;

  int result = 0;
  if (!job.channels.empty()) {
    for (int channel : job.channels)
      if ((result = ApplyAvChannelSettings(context, device, channel, s.channels[0], s)) != 0) break;
    return result;
  }
  const int streams = StreamCount(job.firmware, s.StreamMode);
  for (int i = 0; i < kStreamCount && result == 0; ++i)
    if (i == 0 || streams > i) result = ApplyAvChannelSettings(context, device, i + 1, s.channels[i], s);
  return result;
}
