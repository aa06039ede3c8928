// The device-query walk of a search: every device of a kept map (IP -> stored MAC) is asked
// for its information over HTTP and reported to the main window, its channels after it.
#pragma once
#include <atomic>
#include <functional>
#include <map>
#include <string>

#include "app/batch/batch_operation.h"
#include "device/device_record.h"

struct DeviceQueryHooks {
  // GetDeviceInfo.
  std::function<unsigned(int channel, const std::wstring& ip, DeviceRecord&)> query;
  // Sends WM_DEVICE_FOUND (record, lParam) to the main window and waits for it.
  std::function<void(const DeviceRecord&, unsigned long)> deliver;
};

// Walks a copy of the map. foundFlag: FOUND_BY_QUERY for the [MANUAL_IP] devices,
// FOUND_BY_SCAN for those of the manually added devices file. addedNow: a device the user has
// just added (ids 508/513 and no MAC check) instead of one queried at a search (540/541).
// Returns early when `stop` becomes true between devices or channels.
void QueryDevices(const std::map<std::wstring, std::wstring>& devices, unsigned long foundFlag,
                  bool addedNow, const DeviceQueryHooks& hooks, const std::atomic<bool>& stop);

// The batch command of a device the user has just added by hand (CMD_QUERY_DEVICE): one
// worker asks it for its information under the wait box and hands the record to the grid
// (FOUND_BY_QUERY, 508 or 513 with the query's flag; its MAC is taken as it comes). No
// selection check and no dialog.
class QueryDeviceOperation : public BatchOperation {
 public:
  explicit QueryDeviceOperation(std::wstring ip) : m_ip(std::move(ip)) {}
  SelectionCheck Check() const override { return SelectionCheck::None; }
  void Start(BatchRun& run) override;

 private:
  std::wstring m_ip;
};
