// Dlg_DateTime: the date and time page of the device settings dialog (template 313, tab
// "Date / Time"). SNTP server and interval, or a manual date and time; the time zone; the
// daylight-saving rules. Shows its record when it opens and fills it on Apply.
#pragma once
#include <windows.h>

#include "dialogs/device_settings/date_time_layout.h"
#include "dialogs/device_settings/date_time_settings.h"
#include "dialogs/device_settings/settings_page_win.h"
#include "kit/jbutton.h"
#include "kit/jcombobox.h"
#include "kit/jipaddressctrl.h"

class Dlg_DateTime : public SettingsPage {
 public:
  enum : UINT {
    IDD = 313,
    IDC_ENABLE = 1028,
    IDC_SNTP = 1029,
    IDC_MANUAL = 1030,
    IDC_INTERVAL = 1031,
    IDC_SERVER = 1032,
    IDC_YEAR = 1033,
    IDC_MONTH = 1034,
    IDC_DAY = 1035,
    IDC_HOUR = 1036,
    IDC_MINUTE = 1037,
    IDC_SECOND = 1038,
    IDC_ZONE = 1039,
    IDC_DST = 1040,
    IDC_RULE_TYPE = 1041,     // start, end: + 0, + 1
    IDC_RULE_MONTH = 1043,
    IDC_RULE_DAY = 1045,
    IDC_RULE_WEEKDAY = 1047,
    IDC_RULE_HOUR = 1049,
  };

  explicit Dlg_DateTime(DateTimeSettings* settings);
  ~Dlg_DateTime() override;

  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DrawSkin(CDC* dc) override;

  void Collect() override { GetSettings(*m_Settings); }
  bool IsEnabled() const override { return m_Enable.m_Checked; }
  std::vector<PageLabel> Labels() const override;
  // Reads the controls into `out`; a list with nothing chosen keeps the record's value.
  void GetSettings(DateTimeSettings& out) const;
  // Shows the rows of the chosen mode and the rules while daylight saving is on; only the
  // enable box while the page is switched off.
  void UpdateLayout();

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  void OnEnableChanged() override { UpdateLayout(); }

 private:
  // Fills a list with the days of a month (year 0: a rule's month) and chooses the first.
  static void FillDays(JComboBox& combo, int month, int year);
  // A rule's day list: week ordinals for "Type 1", the month's days for "Type 2".
  void FillRuleDays(int rule);
  bool Manual() const { return m_Manual.m_Checked; }

  DateTimeSettings* m_Settings;
  JButton m_Enable, m_Sntp, m_Manual, m_Dst;
  JComboBox m_Interval, m_Year, m_Month, m_Day, m_Hour, m_Minute, m_Second, m_Zone;
  JComboBox m_RuleType[2], m_RuleMonth[2], m_RuleDay[2], m_RuleWeekday[2], m_RuleHour[2];
  JIPAddressCtrl m_Server;
  DateTimeLayout m_Layouts[2];  // SNTP, manual
};
