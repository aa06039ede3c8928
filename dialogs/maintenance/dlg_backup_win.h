// Dlg_Backup: the configuration backup dialog (CMD_BACKUP). The user picks the folder that
// receives one file per device and channel; the file name rule is shown above it.
#pragma once
#include <string>

#include "dialogs/maintenance/backup_operation.h"
#include "dialogs/maintenance/skin_dialog_win.h"

class Dlg_Backup : public SkinDialog {
 public:
  enum : UINT { IDD = 320, IDC_FOLDER = 1013, IDC_BROWSE = 1015 };
  // The rule shown to the user (drawn as it stands in every language).
  static constexpr const wchar_t* kNamingRule = L"Conf_MAC_Channel_YYYYMMDD.ini / bin";

  Dlg_Backup();

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DrawSkin(CDC* dc) override;

  void OnBnClickedBrowse();
  void OnBnClickedOk();
  // The chosen folder (after IDOK).
  const std::wstring& Folder() const { return m_Folder; }

  JButton m_Browse{jbutton::LAYOUT_IMAGE};
  CEdit m_Path;

 protected:
  void OnApply() override { OnBnClickedOk(); }

 private:
  std::wstring m_Folder;
  int m_LabelRight = 0;
  int m_RuleTop = 0, m_RuleHeight = 0, m_PathTop = 0;
};

// CMD_BACKUP with its dialog.
class BackupOperationWin : public BackupOperation {
 public:
  bool RunDialog(BatchUi& ui, const BatchSelection& rows) override;
};
