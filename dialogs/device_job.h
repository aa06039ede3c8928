// What one worker of the device settings operation applies to one device: the batch's copy of
// the settings records, read by every worker, and the device's row.
#pragma once
#include <memory>
#include <string>

#include "dialogs/device_settings.h"
#include "grid/grid_rows.h"

struct DeviceJob {
  std::wstring address;   // the row's IP address
  std::wstring firmware;  // the row's firmware version
  RowHandle row = 0;      // where the worker reports
  std::shared_ptr<const DeviceSettings> settings;
};
