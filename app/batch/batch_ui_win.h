// The batch engine's window side for the main window: copies of the checked rows, the warning,
// question and wait boxes (JMessageBox), and the workers' reports as WM_DEVICE_STATUS and
// WM_DEVICE_FOUND to the main window.
#pragma once
#include <memory>

#include "app/batch/batch_context.h"
#include "app/batch/batch_operation.h"

#include "kit/jmessagebox.h"

class Dlg_Main;

// A wait box that a thread closes through the gate, also when its work ended before the box
// was shown: type 2 (the batch's), or 3 with the stop button and `lines` live lines that tell
// `parent` to stop (the range scan's).
class GatedWaitBox : public JMessageBox {
 public:
  GatedWaitBox(UINT textId, std::shared_ptr<WaitBoxGate> gate, int type = 2, CWnd* parent = nullptr,
               int lines = 0);
  ~GatedWaitBox() override;
  BOOL OnInitDialog() override;

 private:
  std::shared_ptr<WaitBoxGate> m_Gate;
};

// A modal wait box with that text (0: none) that the gate closes, also when the gate was closed
// before the box came up; over `parent` (null: the main frame).
void RunGatedWaitBox(unsigned textId, const std::shared_ptr<WaitBoxGate>& gate, CWnd* parent = nullptr);

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
