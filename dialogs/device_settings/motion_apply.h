// Applying the motion-detection settings to a device: the settings worker's third step. For
// every channel the device's current windows and video size are read, then one request sets
// the three windows (each the whole image, the typed rectangle or the device's own), with the
// PIR sensor's settings where the device has one.
#pragma once
#include <string>

#include "dialogs/device_settings/motion_settings.h"

struct BatchContext;
struct DeviceJob;

// "Fail to set motion configurations to devices".
constexpr int kMotionFailed = 529;
// The pause after switching detection on, before the windows are set.
constexpr int kMotionEnablePauseMs = 500;

// The video size of a VIDEO_RESOLUTION reply ("VIDEO_RESOLUTION='N1920x1080'": the text after
// the first quote, capital letters, width x height) as the whole-image rectangle
// (0, 0, width - 1, height - 1). False when the reply holds no size.
bool ParseImageRect(const std::string& reply, MotionRect* image);
// The device's current rectangles from its MOTION_CONFIG reply (per window
// "MOTION_CONFIG='n,state,left,top,right,bottom,sensitivity,timer,threshold'"). Returns which
// windows could be read (bit n-1 for window n); the others are left as they were.
unsigned ParseCurrentWindows(const std::string& reply, MotionRect current[kMotionWindows]);
// The rectangle window `i` (0-based) is sent: the whole image, its typed rectangle, or the
// device's current one, by its type; (0, 0, 0, 0) for a window that is off (other than in
// whole-image mode) and for an unknown type.
MotionRect MotionWindowRect(int i, const MotionSettings& s, const MotionRect& image,
                            const MotionRect current[kMotionWindows]);
// "MOTION_CONFIG=n,state,left,top,right,bottom,sensitivity,timer,threshold" of window `i`.
std::wstring BuildMotionConfig(int i, const MotionSettings& s, const MotionRect& image,
                               const MotionRect current[kMotionWindows]);

// One channel of the job's device: 0 or 529.
int ApplyMotionToChannel(const BatchContext& context, int channel, const DeviceJob& job);
// Every channel row of the job's device in order (channel 1 when it has none) until one
// fails: 0 or 529.
int ApplyMotionToDevice(const BatchContext& context, const DeviceJob& job);
