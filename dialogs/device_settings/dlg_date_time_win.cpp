#include "dialogs/device_settings/dlg_date_time_win.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "kit/lang.h"
#include "port/net.h"
#include "port/text.h"
#include "kit/palette.h"
#include "res/strings/settings_strings.h"

namespace {

constexpr int kRadioGroup = 1;

CString Number(const wchar_t* format, int v) {
  CString s;
  s.Format(format, v);
  return s;
}

void Place(CWnd& w, const PageBox& b) {
  if (b.w > 0)
    w.MoveWindow(b.x, b.y, b.w, b.h, FALSE);
  else
    w.SetWindowPos(nullptr, b.x, b.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Show(CWnd& w, bool show) { w.ShowWindow(show ? SW_SHOW : SW_HIDE); }

}  // namespace

Dlg_DateTime::Dlg_DateTime(DateTimeSettings* settings)
    : SettingsPage(IDD, IDC_ENABLE),
      m_Settings(settings),
      m_Enable(jbutton::LAYOUT_IMAGE_TEXT | jbutton::STYLE_TOGGLE),
      m_Sntp(jbutton::LAYOUT_IMAGE_TEXT),
      m_Manual(jbutton::LAYOUT_IMAGE_TEXT),
      m_Dst(jbutton::LAYOUT_IMAGE_TEXT | jbutton::STYLE_TOGGLE) {
  for (UINT id : {IDC_ENABLE, IDC_SNTP, IDC_MANUAL, IDC_DST})
    m_Template.AddControl(L"BUTTON", L"", static_cast<WORD>(id), BS_OWNERDRAW | WS_TABSTOP, 0, 0, 10, 10);
  const DWORD combo = CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP;
  for (UINT id = IDC_INTERVAL; id <= IDC_ZONE; ++id)
    if (id != IDC_SERVER) m_Template.AddControl(L"COMBOBOX", L"", static_cast<WORD>(id), combo, 0, 0, 30, 100);
  for (UINT id = IDC_RULE_TYPE; id <= IDC_RULE_HOUR + 1; ++id)
    m_Template.AddControl(L"COMBOBOX", L"", static_cast<WORD>(id), combo, 0, 0, 30, 100);
}

Dlg_DateTime::~Dlg_DateTime() = default;

void Dlg_DateTime::DoDataExchange(CDataExchange* dx) {
  SettingsPage::DoDataExchange(dx);
  DDX_Control(dx, IDC_ENABLE, m_Enable);
  DDX_Control(dx, IDC_SNTP, m_Sntp);
  DDX_Control(dx, IDC_MANUAL, m_Manual);
  DDX_Control(dx, IDC_DST, m_Dst);
  DDX_Control(dx, IDC_INTERVAL, m_Interval);
  DDX_Control(dx, IDC_YEAR, m_Year);
  DDX_Control(dx, IDC_MONTH, m_Month);
  DDX_Control(dx, IDC_DAY, m_Day);
  DDX_Control(dx, IDC_HOUR, m_Hour);
  DDX_Control(dx, IDC_MINUTE, m_Minute);
  DDX_Control(dx, IDC_SECOND, m_Second);
  DDX_Control(dx, IDC_ZONE, m_Zone);
  for (int r = 0; r < 2; ++r) {
    DDX_Control(dx, static_cast<int>(IDC_RULE_TYPE) + r, m_RuleType[r]);
    DDX_Control(dx, static_cast<int>(IDC_RULE_MONTH) + r, m_RuleMonth[r]);
    DDX_Control(dx, static_cast<int>(IDC_RULE_DAY) + r, m_RuleDay[r]);
    DDX_Control(dx, static_cast<int>(IDC_RULE_WEEKDAY) + r, m_RuleWeekday[r]);
    DDX_Control(dx, static_cast<int>(IDC_RULE_HOUR) + r, m_RuleHour[r]);
  }
}

BOOL Dlg_DateTime::OnInitDialog() {
  SettingsPage::OnInitDialog();
  const DateTimeSettings& s = *m_Settings;
  SetCheckBoxImages(m_Enable);
  SetRadioImages(m_Sntp);
  SetRadioImages(m_Manual);
  SetCheckBoxImages(m_Dst);
  m_Sntp.m_GroupId = m_Manual.m_GroupId = kRadioGroup;
  m_RadioButtons = {&m_Sntp, &m_Manual};

  // The lists, with their values.
  for (int y = kFirstYear; y <= kLastYear; ++y) AddItem(m_Year, Number(L"%d", y), y);
  for (int m = 1; m <= 12; ++m) AddItem(m_Month, Number(L"%02d", m), m);
  for (int i = 0; i < 60; ++i) {
    AddItem(m_Minute, Number(L"%02d", i), i);
    AddItem(m_Second, Number(L"%02d", i), i);
  }
  for (int i = 0; i < 24; ++i) {
    AddItem(m_Hour, Number(L"%02d", i), i);
    for (JComboBox& c : m_RuleHour) AddItem(c, Number(L"%02d:00", i), i);
  }
  for (const SyncInterval& i : kSyncIntervals) AddItem(m_Interval, LoadLangString(i.textId), i.seconds);
  for (int z = 0; z < kTimeZoneCount; ++z) AddItem(m_Zone, LoadLangString(kFirstTimeZoneText + static_cast<UINT>(z)), z);
  for (int r = 0; r < 2; ++r) {
    for (int d = 0; d < 7; ++d) AddItem(m_RuleWeekday[r], LoadLangString(kFirstWeekdayText + static_cast<UINT>(d)), d + 1);
    for (int m = 0; m < 12; ++m) AddItem(m_RuleMonth[r], LoadLangString(kFirstMonthText + static_cast<UINT>(m)), m + 1);
    for (int t = 0; t < 2; ++t) AddItem(m_RuleType[r], LoadLangString(kRuleTypeTexts + static_cast<UINT>(t)), t);
  }

  // The record.
  SelectValue(m_Interval, s.Sync);
  m_Enable.m_Checked = s.Enable;
  m_Sntp.m_Checked = s.Server;
  m_Manual.m_Checked = !s.Server;
  m_Dst.m_Checked = s.DLS;
  SelectValue(m_Year, s.Year);
  SelectValue(m_Month, s.Month);
  FillDays(m_Day, s.Month, s.Year);
  SelectValue(m_Day, s.Day);
  SelectValue(m_Hour, s.Hour);
  SelectValue(m_Minute, s.Minute);
  SelectValue(m_Second, s.Second);
  SelectValue(m_Zone, s.TimeZone);
  const int type[2] = {s.SType, s.EType}, month[2] = {s.SMonth, s.EMonth}, day[2] = {s.SDay, s.EDay};
  const int weekday[2] = {s.SDayOfWeek, s.EDayOfWeek}, hour[2] = {s.SHour, s.EHour};
  for (int r = 0; r < 2; ++r) {
    SelectValue(m_RuleType[r], type[r]);
    SelectValue(m_RuleMonth[r], month[r]);
    SelectValue(m_RuleHour[r], hour[r]);
    FillRuleDays(r);
    SelectValue(m_RuleDay[r], day[r]);
    m_RuleWeekday[r].SetCurSel(weekday[r] > 0 ? weekday[r] - 1 : 0);
  }

  // Where everything goes in this language, in both modes.
  DateTimeTexts t;
  t.serverLabel = TextWidth(LoadLangString(IDS_LABEL_SERVER));
  t.syncLabel = TextWidth(LoadLangString(IDS_LABEL_SYNC));
  t.dateLabel = TextWidth(LoadLangString(IDS_LABEL_DATE));
  t.timeLabel = TextWidth(LoadLangString(IDS_LABEL_TIME));
  t.zoneLabel = TextWidth(LoadLangString(IDS_LABEL_ZONE));
  t.startLabel = TextWidth(LoadLangString(IDS_LABEL_DST_START));
  t.endLabel = TextWidth(LoadLangString(IDS_LABEL_DST_END));
  t.intervals = WidestItem(m_Interval);
  t.years = WidestItem(m_Year);
  t.twoDigits = WidestItem(m_Minute);
  t.zones = WidestItem(m_Zone);
  t.ruleTypes = WidestItem(m_RuleType[0]);
  t.months = WidestItem(m_RuleMonth[0]);
  t.ruleDays = std::max(WidestText(kFirstOrdinalText, 4), WidestItem(m_Day));
  t.weekdays = WidestItem(m_RuleWeekday[0]);
  t.hours = WidestItem(m_RuleHour[0]);
  t.lineHeight = TextHeight();
  m_Layouts[0] = ComputeDateTimeLayout(t, false);
  m_Layouts[1] = ComputeDateTimeLayout(t, true);
  const DateTimeLayout& l = m_Layouts[0];
  Place(m_Enable, l.enableBox);
  Place(m_Sntp, l.sntpRadio);
  Place(m_Dst, l.dstBox);
  // The address control lays its four fields out when it is made: it is made at its size.
  m_Server.Create(WS_CHILD | WS_TABSTOP, CRect(l.server.x, l.server.y, l.server.Right(), l.server.Bottom()), this,
                  IDC_SERVER);
  m_Server.SetFont(&g_Font);
  ::SetWindowPos(m_Server.m_hWnd, m_Sntp.m_hWnd, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  std::uint32_t address = 0;
  if (port::ParseIPv4(port::ToUtf8(s.ServerIP), &address)) m_Server.SetAddress(address);
  PlaceCombo(m_Interval, l.interval.x, l.interval.y, l.interval.w, l.interval.h);
  struct Row {
    JComboBox& combo;
    const PageBox& box;
  };
  for (const Row& r : {Row{m_Year, l.year}, Row{m_Month, l.month}, Row{m_Day, l.day}, Row{m_Hour, l.hour},
                       Row{m_Minute, l.minute}, Row{m_Second, l.second}})
    PlaceCombo(r.combo, r.box.x, r.box.y, r.box.w, r.box.h);
  for (int r = 0; r < 2; ++r) {
    JComboBox* column[RULE_COLUMNS] = {&m_RuleType[r], &m_RuleMonth[r], &m_RuleDay[r], &m_RuleWeekday[r],
                                       &m_RuleHour[r]};
    for (int c = 0; c < RULE_COLUMNS; ++c) {
      const PageBox& b = l.rules[r][c];
      PlaceCombo(*column[c], b.x, b.y, b.w, b.h);
    }
  }
  UpdateLayout();
  return TRUE;
}

void Dlg_DateTime::FillDays(JComboBox& combo, int month, int year) {
  combo.ResetContent();
  const int count = DaysInMonth(month, year);
  for (int d = 1; d <= count; ++d) AddItem(combo, Number(L"%02d", d), d);
  combo.SetCurSel(0);
}

void Dlg_DateTime::FillRuleDays(int rule) {
  JComboBox& days = m_RuleDay[rule];
  if (m_RuleType[rule].GetCurSel() != 0) {
    FillDays(days, SelectedValue(m_RuleMonth[rule], 1), 0);
    return;
  }
  days.ResetContent();
  for (int i = 0; i < 4; ++i) AddItem(days, LoadLangString(kFirstOrdinalText + static_cast<UINT>(i)), i + 1);
  days.SetCurSel(0);
}

void Dlg_DateTime::UpdateLayout() {
  // A switched-off page shows its enable box (and title) only.
  const bool on = m_Enable.m_Checked;
  const bool manual = Manual();
  const bool dst = on && m_Dst.m_Checked;
  const DateTimeLayout& l = m_Layouts[manual ? 1 : 0];
  for (JButton* b : {&m_Sntp, &m_Manual, &m_Dst}) Show(*b, on);
  Show(m_Interval, on && !manual);
  Show(m_Server, on && !manual);
  for (JComboBox* c : {&m_Year, &m_Month, &m_Day, &m_Hour, &m_Minute, &m_Second}) Show(*c, on && manual);
  PlaceCombo(m_Zone, l.zone.x, l.zone.y, l.zone.w, l.zone.h);
  Show(m_Zone, on);
  Place(m_Manual, l.manualRadio);
  for (int r = 0; r < 2; ++r) {
    for (JComboBox* c : {&m_RuleType[r], &m_RuleMonth[r], &m_RuleDay[r], &m_RuleHour[r]}) Show(*c, dst);
    Show(m_RuleWeekday[r], dst && m_RuleType[r].GetCurSel() == 0);
  }
  ResetChildRegion();
  for (HWND c = ::GetWindow(m_hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) AddChildToRegion(CWnd::FromHandle(c));
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

BOOL Dlg_DateTime::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam), code = HIWORD(wParam);
  if (code == BN_CLICKED && (id == IDC_SNTP || id == IDC_MANUAL || id == IDC_DST)) {
    UpdateLayout();
    return TRUE;
  }
  if (code == CBN_SELCHANGE) {
    if (id == IDC_YEAR || id == IDC_MONTH) {
      FillDays(m_Day, SelectedValue(m_Month, m_Settings->Month), SelectedValue(m_Year, m_Settings->Year));
      return TRUE;
    }
    for (int r = 0; r < 2; ++r) {
      if (id == IDC_RULE_MONTH + static_cast<UINT>(r) && m_RuleType[r].GetCurSel() != 0) {
        FillRuleDays(r);
        return TRUE;
      }
      if (id == IDC_RULE_TYPE + static_cast<UINT>(r)) {
        FillRuleDays(r);
        UpdateLayout();
        return TRUE;
      }
    }
  }
  return SettingsPage::OnCommand(wParam, lParam);
}

void Dlg_DateTime::GetSettings(DateTimeSettings& out) const {
  DWORD address = 0;
  m_Server.GetAddress(address);
  wchar_t ip[16];
  std::swprintf(ip, 16, L"%u.%u.%u.%u", static_cast<unsigned>(FIRST_IPADDRESS(address)),
                static_cast<unsigned>(SECOND_IPADDRESS(address)), static_cast<unsigned>(THIRD_IPADDRESS(address)),
                static_cast<unsigned>(FOURTH_IPADDRESS(address)));
  out.ServerIP = ip;
  out.Enable = m_Enable.m_Checked;
  out.Server = m_Sntp.m_Checked;
  out.DLS = m_Dst.m_Checked;
  out.Sync = SelectedValue(m_Interval, out.Sync);
  out.Year = SelectedValue(m_Year, out.Year);
  out.Month = SelectedValue(m_Month, out.Month);
  out.Day = SelectedValue(m_Day, out.Day);
  out.Hour = SelectedValue(m_Hour, out.Hour);
  out.Minute = SelectedValue(m_Minute, out.Minute);
  out.Second = SelectedValue(m_Second, out.Second);
  out.TimeZone = SelectedValue(m_Zone, out.TimeZone);
  int* type[2] = {&out.SType, &out.EType};
  int* month[2] = {&out.SMonth, &out.EMonth};
  int* day[2] = {&out.SDay, &out.EDay};
  int* weekday[2] = {&out.SDayOfWeek, &out.EDayOfWeek};
  int* hour[2] = {&out.SHour, &out.EHour};
  for (int r = 0; r < 2; ++r) {
    *type[r] = SelectedValue(m_RuleType[r], *type[r]);
    *month[r] = SelectedValue(m_RuleMonth[r], *month[r]);
    *day[r] = SelectedValue(m_RuleDay[r], *day[r]);
    *weekday[r] = SelectedValue(m_RuleWeekday[r], *weekday[r]);
    *hour[r] = SelectedValue(m_RuleHour[r], *hour[r]);
  }
}

std::vector<PageLabel> Dlg_DateTime::Labels() const {
  const DateTimeLayout& l = m_Layouts[Manual() ? 1 : 0];
  std::vector<PageLabel> out;
  auto add = [&](UINT id, const PageBox& b, COLORREF colour) {
    out.push_back(PageLabel{CRect(b.x, b.y, b.Right(), b.Bottom()), LoadLangString(id), colour});
  };
  add(IDS_TITLE_DATE_TIME, l.title, kPageTitleColour);
  if (!m_Enable.m_Checked) return out;
  if (Manual()) {
    add(IDS_LABEL_DATE, l.dateLabel, SKIN_TEXT_COLOUR);
    add(IDS_LABEL_TIME, l.timeLabel, SKIN_TEXT_COLOUR);
  } else {
    add(IDS_LABEL_SERVER, l.serverLabel, SKIN_TEXT_COLOUR);
    add(IDS_LABEL_SYNC, l.syncLabel, SKIN_TEXT_COLOUR);
  }
  add(IDS_LABEL_ZONE, l.zoneLabel, SKIN_TEXT_COLOUR);
  if (m_Dst.m_Checked) {
    add(IDS_LABEL_DST_START, l.startLabel, SKIN_TEXT_COLOUR);
    add(IDS_LABEL_DST_END, l.endLabel, SKIN_TEXT_COLOUR);
  }
  return out;
}

void Dlg_DateTime::DrawSkin(CDC* dc) {
  const DateTimeLayout& l = m_Layouts[Manual() ? 1 : 0];
  DrawTitleRule(dc, CRect(l.title.x, l.title.y, kSettingsPageWidth - l.title.x, l.title.Bottom()));
  if (m_Enable.m_Checked && m_Dst.m_Checked) {
    dc->FillSolidRect(l.panel.x, l.panel.y, l.panel.w, l.panel.h, kPageRuleColour);
    dc->FillSolidRect(l.panel.x + 1, l.panel.y + 1, l.panel.w - 2, l.panel.h - 2, kPagePanelColour);
  }
  SettingsPage::DrawSkin(dc);
  if (m_Server.m_hWnd && m_Server.IsWindowVisible()) FrameChild(dc, &m_Server);
}
