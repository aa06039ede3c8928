#include "app/range_scan/range_scan_win.h"

#include "app/range_scan/dlg_scan_win.h"
#include "app/device_list/manual_devices.h"
#include "app/settings_file/settings_file.h"
#include "device/helpers.h"

bool RangeScanOperationWin::RunDialog(BatchUi&, const BatchSelection&) {
  RangeScanHooks hooks = DeviceScanHooks();
  hooks.report = m_Host.report;
  hooks.save = [](const std::map<std::wstring, std::wstring>& devices) {
    SaveManualAddedDevices(devices, ExecutableFolder(), GetTimeStamp());
  };
  Dlg_Scan dialog(m_Host.owner, hooks);
  m_Dialog = &dialog;
  dialog.DoModal();
  m_Dialog = nullptr;
  return false;
}

void RangeScanOperationWin::StopDialogWork() {
  if (m_Dialog) m_Dialog->StopForClose();
}

bool RangeScanOperationWin::DialogWorkEnded() const { return !m_Dialog || m_Dialog->ScanEnded(); }
