// A test of the device settings steps without a network: scripted devices, a clock a thousand
// times faster that records every wait, the reports, and the records a job is made from.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/device_job.h"
#include "tests/support/batch_fakes.h"

namespace testlab {

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
