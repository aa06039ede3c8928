// The contract between the batch engine and one operation (reset, IP set, device settings,
// ...). An operation is one small unit: its preparation, its dialog and the workers it starts,
// registered with the engine under its command id (app/batch/BATCH.md tells how).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/batch/batch_context.h"
#include "grid/grid_rows.h"

class FirmwareUpgrader;

// One checked device row, copied on the user-interface thread before anything runs: workers
// never read the grid.
struct BatchRow {
  RowHandle row = 0;
  std::wstring ip;        // cell 0
  std::wstring mac;       // the MAC Address column
  std::wstring firmware;  // the FW Version column
  std::wstring serial;    // the Serial No. column
  bool blocked = false;   // address conflict, unreachable, or re-addressed since the search
  // The channel rows below a multi-channel device: row and cell 0 ("n - address").
  std::vector<std::pair<RowHandle, std::wstring>> channels;
};

// The channel number a channel row shows in its first cell ("3 - 10.0.0.5" is 3); 0 when the
// text does not begin with one.
int ChannelNumberOf(const std::wstring& channelCell);
// The channel numbers of a device's channel rows, in order.
std::vector<int> ChannelNumbers(const BatchRow& row);

// The checked device rows of a command, in the grid's checked-row order.
struct BatchSelection {
  std::vector<BatchRow> rows;
};

// Keeps the first row of every device: a MAC that a row above already has takes no part
// (rows without a MAC are kept).
void KeepOnePerDevice(std::vector<BatchRow>& rows);

// Which rows a command accepts.
enum class SelectionCheck {
  None,         // no check at all (range scan, the query of a device added by hand)
  CheckedOnly,  // at least one row checked; blocked rows allowed (IP set)
  Full,         // at least one row checked and none of them blocked
};

// The hand-over between the thread that ends a wait box and the box itself, which may not
// exist yet when the batch is already over.
class WaitBoxGate {
 public:
  // The box's window exists (user-interface thread). `close` ends it; it is called at once
  // when the close came first, else by a later Close().
  void Opened(std::function<void()> close);
  // The box has gone.
  void Gone();
  // Any thread: ends the box now, or as soon as it exists.
  void Close();
  bool CloseRequested() const;

 private:
  mutable std::mutex m_lock;
  std::function<void()> m_close;
  bool m_closeRequested = false;
};

// What the engine asks of the window side; everything on the user-interface thread.
class BatchUi {
 public:
  virtual ~BatchUi() = default;
  // Copies of the checked device rows (device rows with an enabled check box; channel rows
  // never take part), one per device.
  virtual BatchSelection TakeSelection() = 0;
  // A modal warning box (title 564 "Warning").
  virtual void ShowWarning(unsigned textId) = 0;
  // A modal question with OK and Cancel; true for OK.
  virtual bool AskOkCancel(unsigned textId, unsigned titleId) = 0;
  // A modal wait box with that text (0: none); returns when the gate closes it.
  virtual void RunWaitBox(unsigned textId, const std::shared_ptr<WaitBoxGate>& gate) = 0;
  // Handles what waits for this thread, so that threads blocked in a report can go on.
  virtual void Pump() = 0;
};

// The threads of one batch, as an operation starts them.
class BatchRun {
 public:
  virtual ~BatchRun() = default;
  virtual const BatchSelection& Selection() const = 0;
  virtual const BatchContext& Context() const = 0;
  // Starts one thread of the batch; the batch ends when every one has ended. The function
  // gets the batch's context; it owns whatever it captured (copies, never grid rows). False
  // when no thread could be started (the function then never runs).
  virtual bool StartWorker(std::function<void(const BatchContext&)> fn) = 0;
  // Starts a thread that may outlive the batch (a watch that goes on after its batch's
  // workers have ended). A later one with the same name stops it first; shut-down stops it.
  virtual bool StartBackground(const std::string& name, std::function<void(const BatchContext&)> fn) = 0;
  // The upgrade engine (null when there is none), for operations that hand devices to it;
  // they say how many they handed on (the watcher's abort rule).
  virtual FirmwareUpgrader* Upgrader() const = 0;
  virtual void SetUpgradeDeviceCount(std::uint32_t count) = 0;
};

class BatchOperation {
 public:
  static constexpr unsigned kPleaseWait = 558;

  virtual ~BatchOperation() = default;
  virtual SelectionCheck Check() const { return SelectionCheck::Full; }
  // The dialog's preparation (reading what the dialog shows from the devices), run in a
  // thread under wait box 558 before the selection check. Gets the checked rows.
  virtual bool HasPreparation() const { return false; }
  virtual void Prepare(const BatchSelection& /*rows*/, const BatchContext& /*context*/) {}
  // The dialog or confirmation, on the user-interface thread; false ends the command
  // without starting anything.
  virtual bool RunDialog(BatchUi& /*ui*/, const BatchSelection& /*rows*/) { return true; }
  // An operation whose dialog does work of its own in threads (the range scan scans under its
  // dialog): the program's close asks it to stop that work while the dialog is shown, and
  // waits, handling messages, until DialogWorkEnded.
  virtual void StopDialogWork() {}
  virtual bool DialogWorkEnded() const { return true; }
  // The text of the wait box shown while the workers run.
  virtual unsigned WaitTextId() const { return kPleaseWait; }
  // Starts the workers (and whatever else runs during the batch).
  virtual void Start(BatchRun& run) = 0;
};
