#include "dialogs/maintenance/debug_operation.h"

#include "app/batch/device_log.h"
#include "app/batch/upgrade_batch.h"
#include "device/model_tests.h"
#include "device/upgrade_job.h"

std::wstring CommonPlatform(const BatchSelection& rows) {
  std::wstring platform;
  for (const BatchRow& r : rows.rows) {
    if (platform.empty()) platform = r.firmware.substr(0, 7);
    if (r.firmware.empty() || r.firmware.substr(0, 7) != platform) return std::wstring();
  }
  return platform;
}

unsigned CheckDebugApply(int mode, const std::wstring& text, const std::wstring& platform) {
  if (text.empty()) return mode == kDebugBlackBox ? 547 : 548;
  if (mode == kDebugBootloader && !IsK7W700Platform(platform)) return 553;
  return 0;
}

void DebugOperation::Prepare(const BatchSelection& rows, const BatchContext&) { m_Platform = CommonPlatform(rows); }

void DebugOperation::Start(BatchRun& run) {
  if (m_Mode == kDebugBootloader) {
    UpgradeJob job;
    job.kind = UPGRADE_BOOTLOADER;
    job.filePath = m_Path;
    StartUpgradeJobs(run, job);
    return;
  }
  const std::vector<BatchRow> rows = run.Selection().rows;
  const std::wstring folder = m_Path;
  if (!run.StartWorker([rows, folder](const BatchContext& c) { RunDeviceLogs(c, rows, folder); }))
    for (const BatchRow& r : rows) run.Context().Status(r.row, kLogNotSaved);
}
