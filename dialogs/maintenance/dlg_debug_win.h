// Dlg_Debug: the troubleshooting dialog (CMD_DEVICE_LOG). Either every checked device's black-box
// messages are saved into a folder, or a boot-loader-and-firmware image is sent to devices of
// the platforms that take one.
#pragma once
#include <string>

#include "dialogs/maintenance/debug_operation.h"
#include "dialogs/maintenance/skin_dialog_win.h"

class Dlg_Debug : public SkinDialog {
 public:
  enum : UINT {
    IDD = 367,
    IDC_BROWSE = 1234,
    IDC_BLACKBOX = 1235,
    IDC_BOOTLOADER = 1236,
    IDC_PATH = 1237,
  };

  // platform: the first 7 characters every checked device's firmware text shares, or empty.
  explicit Dlg_Debug(const std::wstring& platform);

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DrawSkin(CDC* dc) override;

  void OnBnClickedBrowse();
  void OnBnClicked1235();
  void OnBnClicked1236();
  void OnBnClickedOk();
  // After IDOK: 7 with the log folder, or 8 with the image file.
  int Mode() const { return m_Mode; }
  const std::wstring& Path() const { return m_Chosen; }

  JButton m_Browse{jbutton::LAYOUT_IMAGE};
  JButton m_BlackBox, m_Bootloader;
  CEdit m_Path;

 protected:
  void OnApply() override { OnBnClickedOk(); }
  void OnOptionPressed(JButton* option) override;

 private:
  std::wstring m_Platform;
  int m_Mode = kDebugBlackBox;
  std::wstring m_Chosen;
  int m_LabelRight = 0, m_PathTop = 0;
};

// CMD_DEVICE_LOG with its dialog.
class DebugOperationWin : public DebugOperation {
 public:
  bool RunDialog(BatchUi& ui, const BatchSelection& rows) override;
};
