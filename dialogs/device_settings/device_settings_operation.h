// The device settings operation (command 1005): a preparation that looks at the checked
// devices' firmware for the audio/video page, the settings dialog, and one worker per checked
// device that applies the enabled pages in a fixed order and stops at the first failure.
#pragma once
#include <string>

#include "app/batch/batch_operation.h"
#include "dialogs/device_settings/device_job.h"

// "Success in changing all settings to the device", "Processing", "Failed".
constexpr int kSettingsDone = 512;
constexpr int kSettingsProcessing = 539;
constexpr int kSettingsNotStarted = 513;
// "No device setup action is taken": Apply with no page enabled.
constexpr unsigned kNothingEnabled = 561;

// What the audio/video page needs to know of the checked devices.
struct CheckedPlatforms {
  // The first 7 characters of the firmware version when every checked device shares them,
  // else empty.
  std::wstring family;
  // Some checked device's firmware version carries a platform version (HasPlatformVersionToken).
  bool newFirmware = false;
};
CheckedPlatforms ReadCheckedPlatforms(const BatchSelection& rows);

// One step of a device's settings: whether its page is enabled, and what applies it (0 or
// the row's failure id).
struct SettingsStep {
  bool (*enabled)(const DeviceSettings& s);
  int (*apply)(const BatchContext& context, const DeviceJob& job);
};
// The steps in the order they run: date and time, audio/video, motion, URL command.
extern const SettingsStep kSettingsSteps[4];

// One device's work, on its worker thread: 539, the enabled steps in order until one fails,
// then that step's id or 512. A stopped batch reports nothing more; then 0 is returned.
int RunDeviceSettings(const BatchContext& context, const DeviceJob& job);

class DeviceSettingsOperation : public BatchOperation {
 public:
  // `records` are the main window's, shown and filled by the dialog; they outlive the command.
  explicit DeviceSettingsOperation(DeviceSettings& records) : m_Records(records) {}

  bool HasPreparation() const override { return true; }
  // Reads the checked devices' platforms (the records stay as they are).
  void Prepare(const BatchSelection& rows, const BatchContext& context) override;
  // Starts one worker per checked device on a copy of the records.
  void Start(BatchRun& run) override;

  const CheckedPlatforms& Platforms() const { return m_Platforms; }

 protected:
  DeviceSettings& m_Records;
  CheckedPlatforms m_Platforms;
};
