// Dlg_DeviceSet: the device settings dialog (template 318, "Device Settings") behind the main
// window's device-settings button. A tab control with one page per group of settings, each with
// its enable box; "Apply" copies every page into its record and closes when a group is enabled.
//
// Adding a page: derive it from SettingsPage (dialogs/device_settings/settings_page_win.h) with its template
// id (the tab's caption) and enable-box id, give it its record, and put it into the list in
// Dlg_DeviceSet's constructor, in tab order. Its record's apply step is in kSettingsSteps
// (dialogs/device_settings/device_settings_operation.h).
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "dialogs/device_settings/device_settings_operation.h"
#include "dialogs/device_settings/settings_page_win.h"
#include "fx/dlgtemplate.h"
#include "kit/dlg_base.h"
#include "kit/jbutton.h"
#include "kit/jtabctrl.h"

class BatchEngine;

class Dlg_DeviceSet : public Dlg_Base {
 public:
  enum : UINT { IDD = 318, IDC_APPLY = 1002 };
  // Client heights of the dialog with an enabled and with a disabled page.
  static constexpr int kTallHeight = 567;
  static constexpr int kShortHeight = 170;
  static constexpr int kClientWidth = 653;

  // `records` are the main window's: the pages show them and Apply fills them. `platforms`
  // is what the preparation learnt of the checked devices (for the audio/video page).
  Dlg_DeviceSet(DeviceSettings& records, const CheckedPlatforms& platforms);
  ~Dlg_DeviceSet() override;

  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // Apply: every page into its record; closes with IDOK when a group is enabled, otherwise
  // says that nothing is to be done (561) and stays.
  void OnBnClickedOk();
  // A page's enable state (posted by the page): the tall layout for an enabled page, the
  // short one for a disabled page.
  void OnPageEnable(SettingsPage* page, bool enabled);

  JTabCtrl& Tabs() { return m_Tabs; }
  const std::vector<std::unique_ptr<SettingsPage>>& Pages() const { return m_Pages; }

 protected:
  void DoDataExchange(CDataExchange* dx) override;

 private:
  DeviceSettings& m_Records;
  CheckedPlatforms m_Platforms;
  DialogTemplate m_Template;
  JTabCtrl m_Tabs;
  JButton m_Apply;
  std::vector<std::unique_ptr<SettingsPage>> m_Pages;
};

// The device settings operation with its dialog.
class DeviceSettingsOperationWin : public DeviceSettingsOperation {
 public:
  using DeviceSettingsOperation::DeviceSettingsOperation;
  bool RunDialog(BatchUi& ui, const BatchSelection& rows) override;
};

// Registers the operation (CMD_DEVICE_SETTINGS) on the main window's records.
void RegisterDeviceSettings(BatchEngine& engine, DeviceSettings& records);
