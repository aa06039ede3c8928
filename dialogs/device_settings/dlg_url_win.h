// Dlg_URL: the URL page of the device settings dialog (template 316, tab "URL"): the CGI
// program and the command that every checked device is sent, with a help box.
#pragma once
#include <windows.h>

#include "dialogs/device_settings/settings_page_win.h"
#include "dialogs/device_settings/url_settings.h"
#include "fx/controls.h"
#include "kit/jbutton.h"
#include "kit/jcombobox.h"

class Dlg_URL : public SettingsPage {
 public:
  enum : UINT { IDD = 316, IDC_ENABLE = 1109, IDC_CGI = 1110, IDC_COMMAND = 1111, IDC_URL_HELP = 1119 };

  explicit Dlg_URL(UrlSettings* settings);
  ~Dlg_URL() override;

  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DrawSkin(CDC* dc) override;

  // Enable box, program and command (the field holds what the record holds, no more).
  void Collect() override;
  bool IsEnabled() const override { return m_Enable.m_Checked; }
  std::vector<PageLabel> Labels() const override;
  void OnBnClickedHelp();

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  // Switched off, the page shows its enable box and title only.
  void OnEnableChanged() override { ShowContent(m_Enable.m_Checked, {&m_Enable}); }

 private:
  UrlSettings* m_Settings;
  JButton m_Enable, m_Help;
  JComboBox m_Cgi;
  CEdit m_Command;
  CRect m_TitleRoom, m_CgiLabel, m_CommandLabel;
};
