#include "dialogs/av_apply.h"

// The record holds no audio or video setting yet, so there is nothing to send.
int ApplyAvSettingsToDevice(const BatchContext&, const DeviceJob&) { return 0; }
