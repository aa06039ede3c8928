// Applying the audio/video settings to a device: the settings worker's second step. The device
// tells its platform and audio abilities in its system information; then every stream (or
// every channel row) gets the audio requests and the encoder requests in the form its platform
// takes, with the resolution and frame rate fitted to the lists the device reports.
#pragma once
#include <string>

#include "dialogs/device_settings/av_request.h"
#include "dialogs/device_settings/av_settings.h"

struct BatchContext;
struct DeviceJob;

// The row's failure ids.
constexpr int kAvAudioFailed = 530;       // "Fail to set audio configurations to devices"
constexpr int kAvStreamFailed = 531;      // "... video stream configurations ..."
constexpr int kAvEncoderFailed = 532;     // "... video encoder configurations ..."
constexpr int kAvResolutionFailed = 533;  // "... video resolution configurations ..."
constexpr int kAvFpsFailed = 534;         // "... video FPS configurations ..."
constexpr int kAvBitrateFailed = 535;     // "... video bitrate configurations ..."
constexpr int kAvQualityFailed = 536;     // "... video quality configurations ..."

// A capability list the device answers "Error" to is asked again, 3 s later, up to ten times.
constexpr int kCapabilityRetries = 10;
constexpr int kCapabilityRetryMs = 3000;

// What one channel call knows of the device.
struct AvDevice {
  std::wstring address;
  AvDeviceFacts facts;
  bool newFirmware = false;   // the firmware carries a platform version
  bool bitrateLimit = false;  // the job's cap of rates above 3M
};

// One channel's sequence with one stream's settings: the audio requests when the device has
// audio, then the stream, encoder, resolution, frame rate, quality and bitrate requests as the
// platform takes them. Stops at the first failure: 0 or its id (530 to 536).
int ApplyAvChannelSettings(const BatchContext& context, const AvDevice& device, int channel,
                           const AvChannelSettings& stream, const AvSettings& settings);

// The step for the job's device: its system information, then channel by channel (the
// channel rows with the first stream's settings, or streams 1 to the stream count on
// channels 1, 2, 3) until one fails. 0 or that channel's id; 530 and nothing sent for a
// device of an unknown platform with audio (also when it did not tell its platform).
int ApplyAvSettingsToDevice(const BatchContext& context, const DeviceJob& job);
