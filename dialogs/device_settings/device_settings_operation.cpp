#include "dialogs/device_settings/device_settings_operation.h"

#include <memory>

#include "app/batch/batch_context.h"
#include "device/model_tests.h"
#include "dialogs/device_settings/av_apply.h"
#include "dialogs/device_settings/av_page.h"
#include "dialogs/device_settings/date_time_apply.h"
#include "dialogs/device_settings/motion_apply.h"
#include "dialogs/device_settings/url_command.h"

namespace {
constexpr std::size_t kFamilyChars = 7;
}  // namespace

CheckedPlatforms ReadCheckedPlatforms(const BatchSelection& rows) {
  CheckedPlatforms p;
  for (std::size_t i = 0; i < rows.rows.size(); ++i) {
    const std::wstring& firmware = rows.rows[i].firmware;
    const std::wstring family = firmware.substr(0, kFamilyChars);
    if (i == 0) p.family = family;
    if (HasPlatformVersionToken(firmware)) p.newFirmware = true;
    if (family != p.family) p.family.clear();
  }
  return p;
}

const SettingsStep kSettingsSteps[4] = {
    {[](const DeviceSettings& s) { return s.dateTime.Enable; }, &ApplyDateTimeToDevice},
    {[](const DeviceSettings& s) { return s.av.Enable; }, &ApplyAvSettingsToDevice},
    {[](const DeviceSettings& s) { return s.motion.Enable; }, &ApplyMotionToDevice},
    {[](const DeviceSettings& s) { return s.url.Enable; }, &RunUrlJob},
};

int RunDeviceSettings(const BatchContext& context, const DeviceJob& job) {
  context.Status(job.row, kSettingsProcessing);
  int result = 0;
  for (const SettingsStep& step : kSettingsSteps) {
    if (!step.enabled(*job.settings)) continue;
    result = step.apply(context, job);
    if (context.Stopped()) return 0;
    if (result != 0) break;
  }
  if (result == 0) result = kSettingsDone;
  context.Status(job.row, result);
  return result;
}

void DeviceSettingsOperation::Prepare(const BatchSelection& rows, const BatchContext&) {
  m_Platforms = ReadCheckedPlatforms(rows);
}

void DeviceSettingsOperation::Start(BatchRun& run) {
  // Every worker reads the same copy; nothing changes it while they run.
  const auto settings = std::make_shared<const DeviceSettings>(m_Records);
  for (const BatchRow& r : run.Selection().rows) {
    DeviceJob job;
    job.address = r.ip;
    job.firmware = r.firmware;
    job.row = r.row;
    job.channels = ChannelNumbers(r);
    job.settings = settings;
    if (!run.StartWorker([job](const BatchContext& c) { RunDeviceSettings(c, job); }))
      run.Context().Status(r.row, kSettingsNotStarted);
  }
}
