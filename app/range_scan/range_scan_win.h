// The range scan as the batch engine's command CMD_RANGE_SCAN: no selection check; its dialog
// (app/range_scan/dlg_scan_win.h) does the scan itself under its own wait box, so nothing is left for the
// engine to start once it has ended.
#pragma once
#include <functional>

#include "app/batch/batch_operation.h"
#include "device/device_record.h"

class CWnd;
class Dlg_Scan;

struct RangeScanHost {
  CWnd* owner = nullptr;  // the dialog's owner (the main window)
  // WM_DEVICE_FOUND (record, lParam) to the main window, waited for (any thread).
  std::function<void(const DeviceRecord&, unsigned long)> report;
};

class RangeScanOperationWin : public BatchOperation {
 public:
  explicit RangeScanOperationWin(RangeScanHost host) : m_Host(std::move(host)) {}
  SelectionCheck Check() const override { return SelectionCheck::None; }
  // Shows the dialog; a scan runs and ends inside it. Always false: nothing is left to start.
  bool RunDialog(BatchUi& ui, const BatchSelection& rows) override;
  void Start(BatchRun&) override {}
  void StopDialogWork() override;
  bool DialogWorkEnded() const override;

 private:
  RangeScanHost m_Host;
  Dlg_Scan* m_Dialog = nullptr;
};
