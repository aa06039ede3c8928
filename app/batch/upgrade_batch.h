// The batch side of firmware upgrades, configuration restores and boot-loader images: the job
// an operation prepared goes to the upgrade engine once per checked device, filled from the
// device's row, and the engine's workers report to the batch's report target.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "app/batch/batch_operation.h"
#include "device/upgrade_job.h"

// Where the engine's workers of a batch report: the batch's report target. The adapter of a
// target lives as long as the program, so that no worker can outlive it.
UpgradeEvents* UpgradeEventsFor(BatchReport* report);

// One checked device's job: the prepared job with the row's key, address, MAC and firmware
// text, and its channels: one per channel row (with the number that row shows) when the job
// is per channel and the device has channel rows, else the device's own row as channel 0.
UpgradeJob JobForRow(const UpgradeJob& prepared, const BatchRow& row);

// Hands every checked device that `take` accepts (all when it is empty) to the batch's
// upgrade engine and tells the batch how many went. Without an engine every row ends in 527.
// Returns the number handed on.
std::uint32_t StartUpgradeJobs(BatchRun& run, const UpgradeJob& prepared,
                               const std::function<bool(const BatchRow&)>& take = nullptr);
