// Dlg_AddRemove: the strip below the rows of the device grid through which the user adds a
// device by its address and HTTP port, or removes one (or, with the address left blank, every
// checked device). It tells the main window with WM_MANUAL_DEVICES_CHANGED (wParam 0 added,
// 1 removed; lParam the address text, which lives for the whole run).
#pragma once
#include <windows.h>

#include <string>

#include "fx/controls.h"
#include "fx/dlgtemplate.h"
#include "kit/dlg_base.h"
#include "kit/jbutton.h"
#include "kit/jipaddressctrl.h"

// The address of the device just added, and of the one just removed.
extern std::wstring g_ManualAddIp;
extern std::wstring g_ManualRemoveIp;

class Dlg_AddRemove : public Dlg_Base {
 public:
  enum : UINT { IDD = 322, IDC_ADD = 1026, IDC_REMOVE = 1027, IDC_ADDRESS = 1032, IDC_PORT = 1123 };
  static constexpr UINT kLabelDevice = 612;  // "Add / Remove Device"
  static constexpr UINT kLabelPort = 568;    // "Http Port"
  static constexpr int kHeight = 45;

  Dlg_AddRemove();
  // Makes the strip as a shown child of the grid (the grid's parent is the main window).
  BOOL CreateStrip(CWnd* grid);
  // The strip factory the grid calls (kit/jgridtree.h).
  static CWnd* MakeForGrid(CWnd* grid);

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  // The strip is part of the working window: Escape (like Enter) does not end it.
  void OnCancel() override {}
  void DrawSkin(CDC* dc) override;
  // The buttons' captions in the current language, the line laid out again, repainted.
  void LayoutStrip();

  void OnBnClickedAdd();
  void OnBnClickedRemove();
  // The width the line of labels and controls needs in the current language.
  int NeededWidth();

  JButton m_Add{jbutton::LAYOUT_IMAGE};
  JButton m_Remove{jbutton::LAYOUT_IMAGE};
  CEdit m_Port;
  JIPAddressCtrl m_Address;

 private:
  // Places the controls after their labels from (5, 10); draws the labels into dc.
  void LayoutLine(CDC* dc);
  CWnd* MainWindow();
  DialogTemplate m_Template;
};
