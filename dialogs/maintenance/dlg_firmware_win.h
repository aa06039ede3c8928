// Dlg_Firmware: the firmware upgrade dialog (CMD_FIRMWARE_UPGRADE). It offers only what fits the
// checked devices (the preparation probed them): the upload file type, a folder in which each
// device finds its own file, one file (with its MD5 file) for all of them, or an upgrade from
// the network chosen in the firmware check centre; on Apply it checks the chosen file's name
// against the devices.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "dialogs/maintenance/firmware_operation.h"
#include "dialogs/maintenance/skin_dialog_win.h"
#include "kit/jcombobox.h"

// The firmware check centre, through which a network upgrade goes: it checks the devices
// against the maker's lists, shows them, and on Apply hands back the addresses of the devices
// to upgrade. Until one is set, a network upgrade cannot reach the centre (message 4).
enum class CentreResult { CannotStart, Applied, Closed };
using FirmwareCentre =
    std::function<CentreResult(CWnd* parent, const BatchSelection& rows, std::vector<std::wstring>* chosen)>;
void SetFirmwareCentre(FirmwareCentre centre);

class Dlg_Firmware : public SkinDialog {
 public:
  enum : UINT {
    IDD = 319,
    IDC_PATH = 1013,
    IDC_MD5 = 1014,
    IDC_BROWSE = 1015,
    IDC_BROWSE_MD5 = 1016,
    IDC_FILE_TYPE = 1017,
    IDC_FOLDER_MODE = 1018,
    IDC_ONE_CHANNEL = 1019,
    IDC_ALL_CHANNELS = 1020,
    IDC_FILE_MODE = 1115,
    IDC_NETWORK_MODE = 1116,
    IDC_ISP_TYPE = 1117,
  };

  // probe: what the preparation learned of the checked devices; rows: the checked devices.
  Dlg_Firmware(const FirmwareProbe& probe, const BatchSelection& rows);

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DrawSkin(CDC* dc) override;

  void OnBnClickedOk();
  void OnBnClickedBrowseFile();
  void OnBnClickedBrowseMd5();
  void OnCbnSelchangeFileType();
  void OnBnClicked1018();
  void OnBnClicked1115();
  void OnBnClicked1116();
  // What the user chose (after IDOK).
  const FirmwareChoice& Choice() const { return m_Choice; }

  JButton m_Browse{jbutton::LAYOUT_IMAGE};
  JButton m_BrowseMd5{jbutton::LAYOUT_IMAGE};
  JButton m_FolderMode, m_FileMode, m_NetworkMode, m_OneChannel, m_AllChannels;
  JComboBox m_FileType, m_IspType;
  CEdit m_Path, m_Md5;

 protected:
  void OnApply() override { OnBnClickedOk(); }
  void OnOptionPressed(JButton* option) override;

 private:
  int Type() const;
  FirmwareMode Mode() const;
  void ApplyFolderMode();
  void ApplyFileMode();
  // Places the rows that are shown, one under the other, and sizes the dialog.
  void Layout();

  FirmwareProbe m_Probe;
  BatchSelection m_Rows;
  FirmwareChoice m_Choice;
  int m_LabelRight = 0, m_FieldWidth = 0, m_Width = 0;
  int m_TypeTop = 0, m_IspTop = 0, m_PathTop = 0, m_Md5Top = 0;
  UINT m_PathLabel = 0;
};

// CMD_FIRMWARE_UPGRADE with its dialog.
class FirmwareOperationWin : public FirmwareOperation {
 public:
  bool RunDialog(BatchUi& ui, const BatchSelection& rows) override;
};
