// The range-scan dialog: Dlg_Scan holds a scroll container (RWnd) of scan zones, one panel
// Dlg_ScanBlock each (start address, end address, HTTP port), up to ten. "Apply" scans every
// zone at once (app/range_scan/range_scan.h) under a wait box with a live line per zone and a stop
// button; the dialog stays beneath it and ends with OK when the scan has ended.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/range_scan/range_scan.h"
#include "fx/controls.h"
#include "fx/dlgtemplate.h"
#include "kit/dlg_base.h"
#include "kit/jbutton.h"
#include "kit/jipaddressctrl.h"
#include "kit/rwnd.h"

// What the panels hand over when the scan starts (RWnd::StartAll), and the scan they then
// follow.
struct ScanStart {
  std::vector<ScanZone> zones;
  std::unique_ptr<RangeScan> scan;
};

class Dlg_ScanBlock : public Dlg_Base {
 public:
  enum : UINT { IDD = 371, IDC_END = 1143, IDC_START = 1144, IDC_PORT = 1141, IDC_REMOVE = 1001 };
  static constexpr UINT kLabelStart = 636, kLabelEnd = 637, kLabelPort = 568;
  static constexpr int kHeight = 130;

  explicit Dlg_ScanBlock(bool removable);
  BOOL CreatePanel(CWnd* container);

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnCancel() override {}
  void DrawSkin(CDC* dc) override;

  // Dlg_Base slots: the panel's zone joins the scan, and the panel follows its zone.
  void StartScan(void* start) override;
  void SetRunning(bool running) override;
  bool IsScanDone() override;
  void WaitScanEnd() override;
  bool IsInputValid() override;
  CString GetStatusText() override;

  void OnBnClickedRemove();
  // The labels' right edge; the fields and the remove button follow it.
  void Layout(int labelRight);
  // The right edge the labels need in the current language, and the width the panel needs.
  static int LabelRight(CDC* dc);
  static int NeededWidth(int labelRight);
  // The zone of the panel's texts; false when the port is not 1..65535.
  bool Zone(ScanZone* zone) const;

  JIPAddressCtrl m_Start, m_End;
  CEdit m_Port;
  JButton m_Remove{jbutton::LAYOUT_IMAGE};
  bool m_Removable;

 private:
  DialogTemplate m_Template;
  int m_LabelRight = 150;
  ScanStart* m_Run = nullptr;
  int m_Index = -1;
};

class Dlg_Scan : public Dlg_Base {
 public:
  enum : UINT { IDD = 370, IDC_ADD_ZONE = 1000, IDC_APPLY = 1002 };
  static constexpr int kButtonRow = 45;

  // hooks: the scan's requests, its reports and its save; the dialog adds the live lines and
  // the closing of its wait box.
  Dlg_Scan(CWnd* owner, RangeScanHooks hooks);
  ~Dlg_Scan() override;

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DrawSkin(CDC* dc) override;

  void RemovePanel(Dlg_Base* panel) override;
  // The wait box's stop button: every zone stops.
  void StopScan() override;

  void OnBnClickedAddBlock();
  void OnBnClickedScan();
  // Starts the scan and shows the wait box until the scan has closed it.
  void RunScanWait();
  CString GetPanelStatusText(int index);

  // The program closes under the dialog: the scan stops; Ended tells when all of it is over.
  void StopForClose();
  bool ScanEnded() const;

  int PanelCount() const { return static_cast<int>(m_Container.m_Children.size()); }
  Dlg_ScanBlock* Panel(int index) const;
  RWnd& Container() { return m_Container; }

  JButton m_AddZone{jbutton::LAYOUT_IMAGE};
  JButton m_Apply{jbutton::LAYOUT_IMAGE};

 private:
  Dlg_ScanBlock* AddPanel(bool removable);
  void Layout();
  int m_NextTop = 0;
  bool m_StopFlag = false;
  int m_LabelRight = 150;
  RWnd m_Container;
  std::vector<std::unique_ptr<Dlg_ScanBlock>> m_Panels;  // removed ones too, until the dialog goes
  RangeScanHooks m_Hooks;
  ScanStart m_Run;
  DialogTemplate m_Template;
};
