#include "app/batch/upgrade_batch.h"

#include <map>
#include <memory>
#include <mutex>

#include "device/firmware_upgrader.h"

namespace {

class ReportEvents : public UpgradeEvents {
 public:
  explicit ReportEvents(BatchReport* report) : m_report(report) {}
  void OnDeviceStatus(UpgradeRow row, int resultId) override {
    if (m_report) m_report->Status(row, resultId);
  }
  void OnDeviceAddress(UpgradeRow row, std::wstring ip) override {
    if (m_report) m_report->Address(row, ip);
  }
  void OnDeviceFirmware(UpgradeRow row, std::wstring firmware) override {
    if (m_report) m_report->Firmware(row, firmware);
  }

 private:
  BatchReport* m_report;
};

}  // namespace

UpgradeEvents* UpgradeEventsFor(BatchReport* report) {
  static std::mutex lock;
  static std::map<BatchReport*, std::unique_ptr<ReportEvents>>* adapters =
      new std::map<BatchReport*, std::unique_ptr<ReportEvents>>;  // never freed: workers may report late
  std::lock_guard<std::mutex> l(lock);
  std::unique_ptr<ReportEvents>& a = (*adapters)[report];
  if (!a) a.reset(new ReportEvents(report));
  return a.get();
}

UpgradeJob JobForRow(const UpgradeJob& prepared, const BatchRow& row) {
  UpgradeJob job = prepared;
  job.row = row.row;
  job.ip = row.ip;
  job.mac = row.mac;
  job.firmware = row.firmware;
  job.channels.clear();
  if (job.perChannel)
    for (const auto& c : row.channels) job.channels.push_back(UpgradeChannel{ChannelNumberOf(c.second), c.first});
  if (job.channels.empty()) job.channels.push_back(UpgradeChannel{0, row.row});
  return job;
}

std::uint32_t StartUpgradeJobs(BatchRun& run, const UpgradeJob& prepared,
                               const std::function<bool(const BatchRow&)>& take) {
  FirmwareUpgrader* engine = run.Upgrader();
  UpgradeJob base = prepared;
  base.owner = UpgradeEventsFor(run.Context().report);
  std::uint32_t count = 0;
  if (engine) engine->BeginBatch();
  for (const BatchRow& r : run.Selection().rows) {
    if (take && !take(r)) continue;
    if (!engine) {
      run.Context().Status(r.row, RESULT_UPGRADE_FAIL);
      continue;
    }
    engine->StartDevice(JobForRow(base, r));
    ++count;
  }
  run.SetUpgradeDeviceCount(count);
  return count;
}
