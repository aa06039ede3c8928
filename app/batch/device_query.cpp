#include "app/batch/device_query.h"

#include "app/device_list/device_list.h"
#include "device/http_port_map.h"
#include "device/model_tests.h"

void QueryDevices(const std::map<std::wstring, std::wstring>& devices, unsigned long foundFlag,
                  bool addedNow, const DeviceQueryHooks& hooks, const std::atomic<bool>& stop) {
  const bool byScan = foundFlag == FOUND_BY_SCAN;
  const unsigned long okId = addedNow && !byScan ? 508 : 540;
  const unsigned long failId = addedNow && !byScan ? 513 : 541;
  for (const auto& entry : devices) {
    if (stop) return;
    DeviceRecord record;
    unsigned r = hooks.query(0, entry.first, record);
    unsigned long status;
    if (!addedNow && record[SLOT_MAC] != entry.second) {
      record = DeviceRecord();
      record[SLOT_IP] = entry.first;
      record[SLOT_MAC] = entry.second;
      status = FOUND_BLOCK_ROW | failId;
    } else {
      status = r != 0 ? (r | failId) : okId;
    }
    const int channels = IsFamilyModel(record[SLOT_FIRMWARE]);
    const std::wstring firmware = record[SLOT_FIRMWARE];
    if (channels != 0) {
      record[SLOT_MULTICAST_IP].clear();
      record[SLOT_CHANNEL_IP].clear();
    }
    hooks.deliver(record, status | foundFlag);
    for (int c = 1; c <= channels && !stop; ++c) {
      record[SLOT_FIRMWARE] = firmware;
      // A channel that did not answer would hand on the record of the channel before.
      if (hooks.query(c, entry.first, record) == 0) hooks.deliver(record, 0);
    }
    if (IsRecorderModel(firmware)) g_RecorderIps.Add(record[SLOT_IP]);
  }
}

void QueryDeviceOperation::Start(BatchRun& run) {
  const std::map<std::wstring, std::wstring> device = {{m_ip, std::wstring()}};
  run.StartWorker([device](const BatchContext& c) {
    DeviceQueryHooks hooks;
    hooks.query = [&c](int channel, const std::wstring& ip, DeviceRecord& r) { return c.io->GetDeviceInfo(channel, ip, r); };
    hooks.deliver = [&c](const DeviceRecord& r, unsigned long lParam) {
      if (c.report) c.report->Found(r, lParam);
    };
    QueryDevices(device, FOUND_BY_QUERY, true, hooks, c.stop->Flag());
  });
}
