// The batch engine's window side for the main window: copies of the checked rows, the warning,
// question and wait boxes (JMessageBox), and the workers' reports as WM_DEVICE_STATUS and
// WM_DEVICE_FOUND to the main window.
#pragma once
#include <memory>
#include <string>

#include "app/batch/batch_context.h"
#include "app/batch/batch_operation.h"

class Dlg_Main;

class MainBatchUi : public BatchUi, public BatchReport {
 public:
  explicit MainBatchUi(Dlg_Main& main) : m_Main(main) {}

  BatchSelection TakeSelection() override;
  void ShowWarning(unsigned textId) override;
  bool AskOkCancel(unsigned textId, unsigned titleId) override;
  void RunWaitBox(unsigned textId, const std::shared_ptr<WaitBoxGate>& gate) override;
  void Pump() override;

  void Status(RowHandle row, int id) override;
  void Found(const DeviceRecord& record, unsigned long lParam) override;
  void Address(RowHandle row, const std::wstring& ip) override;
  void Firmware(RowHandle row, const std::wstring& firmware) override;

 private:
  Dlg_Main& m_Main;
};
