// The upgrade engine: one worker per device uploads the file, waits for the device to reboot
// and to reappear in discovery by its MAC, checks the version it reports and tells its rows;
// a re-search thread has the discovery engine search again every 20 s while upgrades run.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/upgrade_clock.h"
#include "device/upgrade_io.h"
#include "device/upgrade_job.h"

// How the engine has the LAN searched again (the discovery engine by default).
class UpgradeRediscovery {
 public:
  virtual ~UpgradeRediscovery() = default;
  virtual void SearchAgain() = 0;
};

class FirmwareUpgrader {
 public:
  // The waits of a job, on the engine's clock.
  static constexpr std::int64_t kRebootWaitMs = 45000;
  static constexpr std::int64_t kAttemptPauseMs = 15000;
  static constexpr int kAttempts = 40;
  static constexpr std::int64_t kSearchAgainPauseMs = 20000;
  static constexpr int kDefaultAddressPasses = 3;

  struct AwaitedDevice {
    std::wstring ip;        // the address the device answered discovery from
    std::wstring firmware;  // the firmware version it reported
  };

  // Null arguments: the HTTP client, the discovery engine and the real clock.
  explicit FirmwareUpgrader(UpgradeIo* io = nullptr, UpgradeRediscovery* rediscovery = nullptr,
                            UpgradeClock* clock = nullptr);
  // Stops every wait and joins every thread of the engine.
  ~FirmwareUpgrader();
  FirmwareUpgrader(const FirmwareUpgrader&) = delete;
  FirmwareUpgrader& operator=(const FirmwareUpgrader&) = delete;

  // Starts a batch: running, no finished jobs, the earlier workers joined and let go, and a
  // re-search thread that waits for the batch's first successful upload.
  void BeginBatch();
  // Copies the job and starts its worker.
  void StartDevice(const UpgradeJob& job);
  // True when every worker of the batch has ended (also when there is none).
  bool IsFinished() const;
  std::uint32_t FinishedJobs() const;
  bool IsRunning() const;
  // Ends the batch: running cleared, awaited devices forgotten, the event reset (under the
  // lock); the re-search thread ends and is joined.
  void EndBatch();
  // Ends the current batch's waits and uploads now; its workers then return (a stopped
  // job makes no upload and no further wait). The next BeginBatch starts afresh.
  void StopBatch();
  // Shut-down: every wait of every worker ends now, and all threads are joined.
  void Stop();

  // A discovery record (MAC, IP, firmware texts) that arrived while a batch runs: fills the
  // entry of an awaited device; never adds one.
  void SetDeviceInfo(const std::wstring& mac, const std::wstring& ip, const std::wstring& firmware);
  bool IsAwaited(const std::wstring& mac) const;

  // The steps of one job, on the calling thread.
  void UpgradeDevice(UpgradeJob& job);
  int UploadOne(UpgradeJob& job, int channel);
  int VerifyUpgradedDevice(const UpgradeChannel& c, UpgradeJob& job);

  // Limits of the uploads (a send that makes no progress for this long fails).
  void SetSendStallMs(int ms) { m_sendStallMs = ms; }

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  void SearchAgainLoop(std::uint64_t batch);
  // Waits on the clock while `stop` stays false; false when `stop` became true. Needs m_lock.
  template <typename Pred>
  bool WaitLocked(std::unique_lock<std::mutex>& l, std::int64_t clockMs, Pred stop);
  // A worker's wait; false when the engine stops.
  bool Pause(const char* what, std::int64_t clockMs);
  AwaitedDevice Awaited(const std::wstring& mac) const;
  void Report(const UpgradeJob& job, UpgradeRow row, int id) const;
  void JoinFinishedWorkers(bool all);

  std::unique_ptr<UpgradeRediscovery> m_ownRediscovery;  // made before the references below
  UpgradeIo& m_io;
  UpgradeRediscovery& m_rediscovery;
  UpgradeClock& m_clock;
  int m_sendStallMs = 60000;

  mutable std::mutex m_lock;  // guards everything below up to the workers
  std::condition_variable m_wake;
  bool m_running = false;
  bool m_event = false;  // auto-reset: one signal releases one waiting re-search thread
  bool m_stopping = false;
  bool m_batchStopped = false;           // StopBatch: this batch's waits end
  std::atomic<bool> m_stopFlag{false};  // uploads give up (shut-down or StopBatch)
  std::uint64_t m_batch = 0;
  std::uint32_t m_finishedJobs = 0;
  std::map<std::wstring, AwaitedDevice> m_awaited;

  mutable std::mutex m_threadsLock;
  std::vector<Worker> m_workers;
  std::vector<Worker> m_retired;  // workers of earlier batches that had not yet returned
  std::vector<std::thread> m_searchThreads;
};

extern FirmwareUpgrader* g_pFirmwareUpgrader;
