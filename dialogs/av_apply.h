// Applying the audio/video settings to a device: the settings worker's second step.
#pragma once

struct BatchContext;
struct DeviceJob;

// 0, or the id of the failed part of the settings (530 to 536).
int ApplyAvSettingsToDevice(const BatchContext& context, const DeviceJob& job);
