// Tests of the device settings steps: the engine that runs the operation and, without a
// network, scripted devices, a clock a thousand times faster that records every wait, the
// reports, and the records a job is made from.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/batch/batch_engine.h"
#include "dialogs/device_settings/device_job.h"
#include "dialogs/device_settings/device_settings_operation.h"
#include "tests/support/batch_fakes.h"

namespace testlab {

// A batch engine whose "Device Settings" button (1005) runs the operation on `records`, with
// the test's devices (null: the HTTP client), clock and report target.
inline std::unique_ptr<BatchEngine> SettingsEngine(BatchUi& ui, DeviceSettings& records, DeviceRequests* io,
                                                   UpgradeClock* clock, BatchReport* report) {
  BatchEngine::Services services;
  services.io = io;
  services.clock = clock;
  services.report = report;
  auto engine = std::make_unique<BatchEngine>(ui, services);
  engine->Register(1005, [&records] { return std::make_unique<DeviceSettingsOperation>(records); });
  return engine;
}

struct SettingsWorkerTest : ::testing::Test {
  ScriptedDevices devices;
  RecordingReport report;
  RecordingClock clock{1000};
  BatchContext context = TestContext(&devices, &clock, &report);
  DeviceSettings records;

  // The job of one device on a copy of the records as they are now.
  DeviceJob JobOf(const std::wstring& ip, RowHandle row = 1, const std::wstring& firmware = L"",
                  std::vector<int> channels = {}) {
    DeviceJob job;
    job.address = ip;
    job.row = row;
    job.firmware = firmware;
    job.channels = std::move(channels);
    job.settings = std::make_shared<const DeviceSettings>(records);
    return job;
  }
};

}  // namespace testlab
