#include "dialogs/motion_apply.h"

// The record holds no detection window yet, so there is nothing to send.
int ApplyMotionToDevice(const BatchContext&, const DeviceJob&) { return 0; }
