// Dlg_Motion: the motion page of the device settings dialog (template 314, tab "Motion").
// Three detection windows, each on or off, as the whole image, a typed rectangle or the
// device's own window, with its sensitivity, timer and threshold; the PIR sensor. Shows its
// record when it opens; on Apply a typed rectangle out of shape keeps the dialog open.
#pragma once
#include <windows.h>

#include "dialogs/device_settings/motion_settings.h"
#include "dialogs/device_settings/settings_page_win.h"
#include "fx/controls.h"
#include "kit/jbutton.h"
#include "kit/jcombobox.h"

class Dlg_Motion : public SettingsPage {
 public:
  enum : UINT {
    IDD = 314,
    IDC_ENABLE = 1051,
    IDC_ALL_WINDOWS = 1052,
    IDC_WINDOW = 1053,       // windows 1-3: + 0, 1, 2
    IDC_PIR = 1056,
    IDC_FULL_IMAGE = 1057,   // + window
    IDC_COORDINATES = 1060,  // + window
    IDC_START_X = 1063,      // + window; start Y 1066, end X 1069, end Y 1072
    IDC_SENSITIVITY = 1075,  // + window
    IDC_TIMER = 1078,        // + window
    IDC_THRESHOLD = 1081,    // + window
    IDC_PIR_SENSITIVITY = 1084,
    IDC_PIR_TIMER = 1085,
    IDC_MOTION_HELP = 1119,
    IDC_KEEP = 1120,  // + window
  };

  explicit Dlg_Motion(MotionSettings* settings);
  ~Dlg_Motion() override;

  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DrawSkin(CDC* dc) override;

  // With the page enabled, a window in coordinates mode must be in shape (557 otherwise).
  bool Check() override;
  void Collect() override { ReadPage(*m_Settings); }
  bool IsEnabled() const override { return m_Enable.m_Checked; }
  // Shows the page's settings while its enable box is on, only the box while it is off.
  void OnEnableChanged() override { ShowContent(m_Enable.m_Checked, {&m_Enable, &m_Help}); }
  std::vector<PageLabel> Labels() const override;

  // Checks the typed windows and reads the page into `out`: false, with the warning shown and
  // `out` untouched, when a window in coordinates mode is out of shape.
  bool GetSettings(MotionSettings& out);
  // The page as it stands, whatever its windows.
  void ReadPage(MotionSettings& out) const;

  void OnBnClicked1052();
  void OnBnClickedFullImage(int window);
  void OnBnClickedHelp();

 protected:
  void DoDataExchange(CDataExchange* dx) override;

 private:
  void Layout();

  MotionSettings* m_Settings;
  JButton m_Enable, m_All, m_Pir, m_Help;
  JButton m_Window[kMotionWindows], m_Full[kMotionWindows], m_Coordinates[kMotionWindows], m_Keep[kMotionWindows];
  CEdit m_Edits[kMotionWindows][4];  // start X, start Y, end X, end Y
  JComboBox m_Sensitivity[kMotionWindows], m_Timer[kMotionWindows], m_Threshold[kMotionWindows];
  JComboBox m_PirSensitivity, m_PirTimer;

  // Where things are drawn (page coordinates).
  CRect m_Title, m_Panel, m_Band, m_PirTitle;
  CRect m_Heads[5];                   // region, size and position, sensitivity, timer, threshold
  CRect m_Numbers[kMotionWindows];    // "1", "2", "3"
  CRect m_Separators[kMotionWindows][3];
  CRect m_PirLabels[2];
  int m_RowTop[kMotionWindows] = {};
};
