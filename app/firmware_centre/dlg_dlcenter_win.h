// The firmware check centre (DlgDLCenter, dialog 368): the firmware dialog's network upgrade
// comes here. RunCheck fetches the maker's two lists and asks every checked device for its
// versions under a wait box (app/firmware_centre/firmware_check.h); the centre then shows one row per group of
// outdated devices (Dlg_RGroup, dialog 369) with the links to the release notes, and "Apply"
// hands back the devices of the groups the user ticked.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/batch/batch_operation.h"
#include "app/firmware_centre/firmware_check.h"
#include "dialogs/maintenance/dlg_firmware_win.h"
#include "fx/dlgtemplate.h"
#include "kit/dlg_base.h"
#include "kit/jbutton.h"
#include "kit/rwnd.h"

// What the centre works with; each one left null is the program's own.
struct FirmwareCentreServices {
  FirmwareListFetcher* fetcher = nullptr;  // null: WinINet (app/firmware_centre/firmware_list_fetch_win.h)
  DeviceRequests* io = nullptr;            // null: the HTTP client
  const fwlist::Sites* sites = nullptr;    // null: [FW_DATA] of the program's settings
};

// One group of outdated devices: its tick box, a button per device (which opens the device's
// web page), and the release-notes links of the firmware and of the ISP firmware.
class Dlg_RGroup : public Dlg_Base, public RWndRow {
 public:
  enum : UINT { IDD = 369, IDC_FW_LOG = 1131, IDC_ISP_LOG = 1132 };
  static constexpr int kCheckX = 30, kCheckY = 22;
  static constexpr int kDeviceX = 60, kDeviceY = 20, kDeviceWidth = 104, kDeviceHeight = 19;
  static constexpr int kLinkX = 210;

  Dlg_RGroup(std::vector<std::wstring> addresses, std::wstring fwLogUrl, std::wstring ispLogUrl);
  ~Dlg_RGroup() override;

  // The row's window, a child of the centre's container.
  BOOL CreateIn(CWnd* container);
  // 14 px a device and 40 more (a row of three devices is 82 px high); more when the device
  // buttons, 20 px apart, need it.
  static int HeightFor(std::size_t devices);

  BOOL OnInitDialog() override;
  void DrawSkin(CDC* dc) override;
  BOOL DrawBackground(CDC* target) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  bool IsRowChecked() const override { return m_Check.IsChecked(); }
  std::vector<CString> GetRowTexts() const override;

  const std::vector<std::wstring>& Addresses() const { return m_Addresses; }
  const std::wstring& FwLogUrl() const { return m_FwLogUrl; }
  const std::wstring& IspLogUrl() const { return m_IspLogUrl; }

  JButton m_Check{jbutton::LAYOUT_IMAGE | jbutton::STYLE_TOGGLE};
  JButton m_FwLog{jbutton::LAYOUT_IMAGE};
  JButton m_IspLog{jbutton::LAYOUT_IMAGE};
  std::vector<std::unique_ptr<JButton>> m_Devices;

 private:
  void LayoutButtons();

  std::vector<std::wstring> m_Addresses;
  std::wstring m_FwLogUrl, m_IspLogUrl;
  DialogTemplate m_Template;
};

class DlgDLCenter : public Dlg_Base {
 public:
  enum : UINT { IDD = 368, IDC_APPLY = 1002, IDC_CONTAINER = 1120 };
  static constexpr UINT kNoUpgrade = 5;       // "No Upgrade available"
  static constexpr UINT kTitleWarning = 564;
  static constexpr UINT kPleaseWait = 558;
  static constexpr int kClientWidth = 420, kClientHeight = 320;
  static constexpr int kButtonArea = 45;      // below the container
  static constexpr int kWheelStep = 30;

  // rows: the checked devices; login: the main window's user and password.
  DlgDLCenter(const BatchSelection& rows, const Login& login, CWnd* parent,
              const FirmwareCentreServices& services = FirmwareCentreServices());
  ~DlgDLCenter() override;

  // Fetches the lists and asks every device under a wait box; true when both lists came
  // (false at once when the download sites are not set).
  bool RunCheck();

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Apply: the addresses of every ticked group, row by row, then IDOK.
  void OnBnClickedApply();
  void OnMouseWheel(short delta);

  // The addresses chosen with Apply.
  const std::vector<std::wstring>& Chosen() const { return m_Chosen; }
  const FirmwareCheck& Check() const { return *m_Check; }
  const std::vector<std::unique_ptr<Dlg_RGroup>>& Rows() const { return m_Rows; }

  JButton m_Apply{jbutton::LAYOUT_IMAGE};
  RWnd m_Container;

 private:
  // The row of a result list at y; returns its height.
  int AddResultRow(int index, int y);

  BatchSelection m_Selection;
  fwlist::Sites m_Sites;
  std::unique_ptr<FirmwareListFetcher> m_OwnFetcher;
  std::unique_ptr<FirmwareCheck> m_Check;
  std::vector<std::unique_ptr<Dlg_RGroup>> m_Rows;
  std::vector<std::wstring> m_Chosen;
  DialogTemplate m_Template;
};

// The centre as the firmware dialog's network upgrade runs it (SetFirmwareCentre): the check
// under its wait box with the main window's login, then the centre over `parent`; the devices
// of the groups applied are handed back in *chosen.
CentreResult RunFirmwareCentre(CWnd* parent, const BatchSelection& rows, std::vector<std::wstring>* chosen,
                               const FirmwareCentreServices& services = FirmwareCentreServices());
