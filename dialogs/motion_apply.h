// Applying the motion-detection settings to a device: the settings worker's third step.
#pragma once

struct BatchContext;
struct DeviceJob;

// 0, or 529 "Fail to set motion configurations to devices".
int ApplyMotionToDevice(const BatchContext& context, const DeviceJob& job);
