// What every thread of a batch works with: the device requests, the clock, where it reports,
// and the batch's stop. Workers get it by reference for their whole run.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/batch/device_requests.h"
#include "device/device_record.h"
#include "device/upgrade_clock.h"
#include "grid/grid_rows.h"

// The stop of one batch: asked for at shut-down (and by a later batch of a thread that
// outlives its own); every wait of the batch's threads ends at once.
class BatchStop {
 public:
  void Request();
  bool Requested() const { return m_flag.load(); }
  // The flag itself: the batch's threads put it in their stop scope (port/stop_scope.h), so a
  // request in flight is given up at once.
  const std::atomic<bool>& Flag() const { return m_flag; }
  // Waits clockMs of `clock` (told as `what`); false when the stop came first. With `done`,
  // the wait also ends (true) as soon as it holds; it is looked at every 50 ms of real time.
  bool Wait(UpgradeClock& clock, const char* what, std::int64_t clockMs,
            const std::function<bool()>& done = std::function<bool()>()) const;

 private:
  std::atomic<bool> m_flag{false};
  mutable std::mutex m_lock;
  mutable std::condition_variable m_wake;
};

// Where the batch's threads report (the main window): always synchronously, so what they
// hand over need only live during the call.
class BatchReport {
 public:
  virtual ~BatchReport() = default;
  // A row's status cell shows string `id`, green or dark red (WM_DEVICE_STATUS).
  virtual void Status(RowHandle row, int id) = 0;
  // A device record for the grid (WM_DEVICE_FOUND with these flags and status).
  virtual void Found(const DeviceRecord& record, unsigned long lParam) = 0;
  // The address and firmware version a device came back with after an upgrade
  // (WM_DEVICE_ADDRESS, WM_DEVICE_FIRMWARE).
  virtual void Address(RowHandle /*row*/, const std::wstring& /*ip*/) {}
  virtual void Firmware(RowHandle /*row*/, const std::wstring& /*firmware*/) {}
};

struct BatchContext {
  DeviceRequests* io = nullptr;
  UpgradeClock* clock = nullptr;
  BatchReport* report = nullptr;
  std::shared_ptr<BatchStop> stop;

  bool Stopped() const { return stop && stop->Requested(); }
  // A wait of the batch on its clock; false when the batch was stopped first.
  bool Wait(const char* what, std::int64_t clockMs) const;
  // The same wait, which also ends as soon as `done` holds.
  bool WaitUnless(const char* what, std::int64_t clockMs, const std::function<bool()>& done) const;
  // A CGI request with a time-out in the clock's ms.
  int GetCgi(const std::wstring& host, const std::wstring& path, char* reply, int replySize,
             std::int64_t clockTimeoutMs, bool useDefaultLogin, bool acceptError = false) const;
  void Status(RowHandle row, int id) const {
    if (report) report->Status(row, id);
  }
};
