// What one worker of the device settings operation applies to one device: the batch's copy of
// the settings records, read by every worker, and the device's row.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "dialogs/device_settings/device_settings.h"
#include "grid/grid_rows.h"

struct DeviceJob {
  std::wstring address;   // the row's IP address
  std::wstring firmware;  // the row's firmware version
  RowHandle row = 0;      // where the worker reports
  // The channel numbers of the device's channel rows, in the grid's order; empty for a
  // device without channel rows.
  std::vector<int> channels;
  // Rates above 3M are sent as 3M. No model family is known to need it, so the operation
  // sets it for none; the audio/video step honours it.
  bool bitrateLimit = false;
  std::shared_ptr<const DeviceSettings> settings;
};
