// The batch engine: runs one operation over the checked devices. A command goes through its
// preparation (under a wait box), the selection check, its dialog, its workers with a watcher
// thread, and a wait box that the watcher closes once every thread of the batch has ended.
//
// Portable: the window side (BatchUi) shows the boxes and dialogs and copies the rows; the
// workers reach devices through DeviceRequests, wait on the injected clock and report through
// BatchReport. Every thread the engine starts can be stopped and is waited for.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "app/batch/batch_context.h"
#include "app/batch/batch_operation.h"

class FirmwareUpgrader;

class BatchEngine {
 public:
  // Message ids of the selection check.
  static constexpr unsigned kNothingChecked = 549;  // "Please select Device"
  static constexpr unsigned kBlockedChecked = 550;  // "Error. IP conflicted devices ..."
  // How often the watcher looks at the upgrade engine (real ms).
  static constexpr int kWatchPollMs = 500;

  struct Services {
    DeviceRequests* io = nullptr;    // null: the HTTP client
    UpgradeClock* clock = nullptr;   // null: the real clock
    BatchReport* report = nullptr;   // where workers report
    FirmwareUpgrader* upgrader = nullptr;  // the upgrade engine the watcher looks after, or null
  };
  using Factory = std::function<std::unique_ptr<BatchOperation>()>;

  BatchEngine(BatchUi& ui, const Services& services);
  // Shut-down (Shutdown) when it has not been done.
  ~BatchEngine();
  BatchEngine(const BatchEngine&) = delete;
  BatchEngine& operator=(const BatchEngine&) = delete;

  // The operation of a command id (the toolbar button's id).
  void Register(unsigned commandId, Factory factory);
  bool IsRegistered(unsigned commandId) const;
  // Runs the command's operation (user-interface thread). False when none is registered;
  // true otherwise, when it has ended, was refused or cancelled, or another runs.
  bool Execute(unsigned commandId);
  // Runs one operation: returns when its wait box has closed, or at once when the selection
  // is refused or the dialog cancelled. Does nothing while another command runs or after
  // shut-down.
  void Run(BatchOperation& op);
  bool Busy() const { return m_busy; }

  // Stops every thread the engine started (workers, watcher, threads that outlive their
  // batch) and waits for them, handling messages meanwhile; no command runs afterwards.
  // May be called while a command runs (the program closes under its wait box): that
  // command then ends as soon as its box has closed.
  void Shutdown();

 private:
  class Batch;
  struct Background;

  std::shared_ptr<Batch> NewBatch(BatchSelection selection);
  // Starts the watcher and shows the wait box until the batch has ended.
  void RunUnderWaitBox(const std::shared_ptr<Batch>& batch, unsigned textId);
  void Watch(Batch& batch, WaitBoxGate& gate);
  bool StartBackground(const std::string& name, std::function<void(const BatchContext&)> fn);
  void WaitPumping(const std::function<bool()>& done);
  bool Refused(const BatchOperation& op, const BatchSelection& selection);

  BatchUi& m_ui;
  Services m_services;
  std::map<unsigned, Factory> m_factories;
  bool m_busy = false;
  std::atomic<bool> m_shutDown{false};
  std::shared_ptr<Batch> m_current;  // the batch under the wait box (user-interface thread)
  BatchOperation* m_inDialog = nullptr;  // the operation whose dialog is shown (same thread)
  std::mutex m_backgroundLock;
  std::map<std::string, std::shared_ptr<Background>> m_background;
};
