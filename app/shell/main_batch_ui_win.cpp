#include "app/shell/main_batch_ui_win.h"

#include "app/batch/batch_ui_win.h"
#include "app/shell/dlg_main_win.h"
#include "app/threads/message_pump_win.h"
#include "device/helpers.h"
#include "kit/jgridtree.h"
#include "kit/jmessagebox.h"
#include "kit/jtreectrl.h"

BatchSelection MainBatchUi::TakeSelection() {
  BatchSelection s;
  JTreeCtrl* tree = g_pDeviceGrid ? g_pDeviceGrid->GetTree() : nullptr;
  if (!tree) return s;
  const bool withName = g_ShowCameraName.load();
  const int macCell = ColumnIndexOf(501, withName);
  const int firmwareCell = ColumnIndexOf(502, withName);
  const int serialCell = ColumnIndexOf(504, withName);
  std::vector<RowHandle> checked;
  tree->GetCheckedRows(checked);
  for (RowHandle row : checked) {
    std::optional<RowData> data = tree->GetRow(row);
    // Device rows with a check box that can be used; channel rows never take part.
    if (!data || data->parent != kRootRow || !data->hasCheckBox || !data->checkBoxEnabled) continue;
    auto cell = [&](int i) {
      return i >= 0 && static_cast<std::size_t>(i) < data->cells.size() ? data->cells[i] : std::wstring();
    };
    BatchRow r;
    r.row = row;
    r.ip = cell(0);
    r.mac = cell(macCell);
    r.firmware = cell(firmwareCell);
    r.serial = cell(serialCell);
    r.blocked = data->blocked;
    std::vector<RowHandle> children;
    tree->GetChildItems(row, children);
    for (RowHandle child : children) r.channels.emplace_back(child, tree->GetCell(child, 0).value_or(std::wstring()));
    s.rows.push_back(std::move(r));
  }
  KeepOnePerDevice(s.rows);
  return s;
}

void MainBatchUi::ShowWarning(unsigned textId) { ShowMessageBox(textId); }

bool MainBatchUi::AskOkCancel(unsigned textId, unsigned titleId) {
  JMessageBox box(textId, titleId, 1);
  return box.DoModal() == IDOK;
}

void MainBatchUi::RunWaitBox(unsigned textId, const std::shared_ptr<WaitBoxGate>& gate) {
  RunGatedWaitBox(textId, gate);
}

void MainBatchUi::Pump() { PumpMessages(); }

void MainBatchUi::Status(RowHandle row, int id) { m_Main.ShowStatus(row, id); }

void MainBatchUi::Found(const DeviceRecord& record, unsigned long lParam) { m_Main.DeliverFromWorker(record, lParam); }

void MainBatchUi::Address(RowHandle row, const std::wstring& ip) {
  if (m_Main.m_hWnd)
    m_Main.SendMessage(WM_DEVICE_ADDRESS, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(ip.c_str()));
}

void MainBatchUi::Firmware(RowHandle row, const std::wstring& firmware) {
  if (m_Main.m_hWnd)
    m_Main.SendMessage(WM_DEVICE_FIRMWARE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(firmware.c_str()));
}
