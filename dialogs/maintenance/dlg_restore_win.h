// Dlg_Restore: the configuration restore dialog (CMD_RESTORE). From a folder, where each device
// finds its own backup, or one file for all checked devices (checked against them before it is
// sent); for multi-channel devices the device's own configuration or its channels'.
#pragma once
#include <string>

#include "dialogs/maintenance/restore_operation.h"
#include "dialogs/maintenance/skin_dialog_win.h"

class Dlg_Restore : public SkinDialog {
 public:
  enum : UINT {
    IDD = 321,
    IDC_PATH = 1013,
    IDC_BROWSE = 1015,
    IDC_DEVICE_CONFIG = 1019,
    IDC_CHANNEL_CONFIGS = 1020,
    IDC_FROM_FOLDER = 1112,
    IDC_ONE_FILE = 1113,
  };

  // prep: what the preparation learned of the checked devices.
  explicit Dlg_Restore(const RestorePrep& prep);

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DrawSkin(CDC* dc) override;

  void OnBnClickedBrowse();
  void OnBnClicked1112();
  void OnBnClicked1113();
  void OnBnClickedCheckFile();
  // What the user chose (after IDOK).
  const RestoreChoice& Choice() const { return m_Choice; }

  JButton m_Browse{jbutton::LAYOUT_IMAGE};
  JButton m_FromFolder, m_OneFile, m_DeviceConfig, m_ChannelConfigs;
  CEdit m_Path;

 protected:
  void OnApply() override { OnBnClickedCheckFile(); }
  void OnOptionPressed(JButton* option) override;

 private:
  RestorePrep m_Prep;
  RestoreChoice m_Choice;
  std::wstring m_Remembered;  // [RS_DATA] Path
  int m_LabelRight = 0, m_PathTop = 0;
};

// CMD_RESTORE with its dialog.
class RestoreOperationWin : public RestoreOperation {
 public:
  bool RunDialog(BatchUi& ui, const BatchSelection& rows) override;
};
