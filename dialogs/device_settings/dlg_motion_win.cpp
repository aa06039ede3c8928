#include "dialogs/device_settings/dlg_motion_win.h"

#include <algorithm>
#include <cwchar>

#include "dialogs/device_settings/date_time_layout.h"
#include "kit/jhelpbox.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "res/strings/motion_strings.h"

namespace {

constexpr int kMargin = 11;
constexpr int kInset = 8;
constexpr int kGap = 12;
constexpr int kBandHeight = 24;
constexpr int kLinePitch = 25;   // the three lines of a window's row
constexpr int kRowPitch = 3 * kLinePitch + 8;
constexpr int kEditWidth = 46;
constexpr int kEditChars = 6;
constexpr int kHelpSize = 25;
constexpr UINT kHelpImage = 348;
constexpr UINT kHelpPicture = 362;
const wchar_t* const kSeparators[3] = {L"X", L"@", L"X"};

void FillNumbers(JComboBox& combo, int last) {
  for (int v = 0; v <= last; ++v) AddItem(combo, NumberText(v), v);
}

int EditNumber(const CEdit& edit) {
  return static_cast<int>(std::wcstol(edit.GetWindowTextString().GetString(), nullptr, 10));
}

}  // namespace

Dlg_Motion::Dlg_Motion(MotionSettings* settings)
    : SettingsPage(IDD, IDC_ENABLE),
      m_Settings(settings),
      m_Enable(jbutton::LAYOUT_IMAGE_TEXT | jbutton::STYLE_TOGGLE),
      m_All(jbutton::LAYOUT_IMAGE_TEXT | jbutton::STYLE_TOGGLE),
      m_Pir(jbutton::LAYOUT_IMAGE_TEXT | jbutton::STYLE_TOGGLE),
      m_Help(jbutton::LAYOUT_IMAGE) {
  for (int i = 0; i < kMotionWindows; ++i) {
    m_Window[i].m_Style = jbutton::LAYOUT_IMAGE_TEXT | jbutton::STYLE_TOGGLE;
    for (JButton* r : {&m_Full[i], &m_Coordinates[i], &m_Keep[i]}) r->m_Style = jbutton::LAYOUT_IMAGE_TEXT;
  }
  auto button = [&](UINT id) {
    m_Template.AddControl(L"BUTTON", L"", static_cast<WORD>(id), BS_OWNERDRAW | WS_TABSTOP, 0, 0, 10, 10);
  };
  auto combo = [&](UINT id) {
    m_Template.AddControl(L"COMBOBOX", L"", static_cast<WORD>(id),
                          CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP, 0, 0, 30, 100);
  };
  button(IDC_MOTION_HELP);
  button(IDC_ENABLE);
  button(IDC_PIR);
  button(IDC_ALL_WINDOWS);
  for (int i = 0; i < kMotionWindows; ++i) {
    const UINT w = static_cast<UINT>(i);
    button(IDC_WINDOW + w);
    button(IDC_FULL_IMAGE + w);
    button(IDC_COORDINATES + w);
    button(IDC_KEEP + w);
    for (int k = 0; k < 4; ++k)
      m_Template.AddControl(L"EDIT", L"", static_cast<WORD>(IDC_START_X + w + 3 * static_cast<UINT>(k)),
                            ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 0, 30, 12);
    combo(IDC_SENSITIVITY + w);
    combo(IDC_TIMER + w);
    combo(IDC_THRESHOLD + w);
  }
  combo(IDC_PIR_SENSITIVITY);
  combo(IDC_PIR_TIMER);
}

Dlg_Motion::~Dlg_Motion() = default;

void Dlg_Motion::DoDataExchange(CDataExchange* dx) {
  SettingsPage::DoDataExchange(dx);
  DDX_Control(dx, IDC_MOTION_HELP, m_Help);
  DDX_Control(dx, IDC_ENABLE, m_Enable);
  DDX_Control(dx, IDC_PIR, m_Pir);
  DDX_Control(dx, IDC_ALL_WINDOWS, m_All);
  for (int i = 0; i < kMotionWindows; ++i) {
    DDX_Control(dx, IDC_WINDOW + i, m_Window[i]);
    DDX_Control(dx, IDC_FULL_IMAGE + i, m_Full[i]);
    DDX_Control(dx, IDC_COORDINATES + i, m_Coordinates[i]);
    DDX_Control(dx, IDC_KEEP + i, m_Keep[i]);
    for (int k = 0; k < 4; ++k) DDX_Control(dx, IDC_START_X + i + 3 * k, m_Edits[i][k]);
    DDX_Control(dx, IDC_SENSITIVITY + i, m_Sensitivity[i]);
    DDX_Control(dx, IDC_TIMER + i, m_Timer[i]);
    DDX_Control(dx, IDC_THRESHOLD + i, m_Threshold[i]);
  }
  DDX_Control(dx, IDC_PIR_SENSITIVITY, m_PirSensitivity);
  DDX_Control(dx, IDC_PIR_TIMER, m_PirTimer);
}

BOOL Dlg_Motion::OnInitDialog() {
  SettingsPage::OnInitDialog();
  const MotionSettings& s = *m_Settings;
  SetCheckBoxImages(m_Enable);
  SetCheckBoxImages(m_Pir);
  SetCheckBoxImages(m_All);
  m_All.m_BackColour = kPageRuleColour;
  m_Help.SetImages(kHelpImage, kHelpImage, kHelpImage, kHelpImage, kHelpSize, kHelpSize);
  m_RadioButtons.clear();
  for (int i = 0; i < kMotionWindows; ++i) {
    SetCheckBoxImages(m_Window[i]);
    m_Window[i].m_BackColour = kPagePanelColour;
    for (JButton* r : {&m_Full[i], &m_Coordinates[i], &m_Keep[i]}) {
      SetRadioImages(*r);
      r->m_BackColour = kPagePanelColour;
      r->m_GroupId = i;
      m_RadioButtons.push_back(r);
    }
    FillNumbers(m_Sensitivity[i], kMotionMaxSensitivity);
    FillNumbers(m_Timer[i], kMotionMaxTimer);
    FillNumbers(m_Threshold[i], kMotionMaxThreshold);
  }
  FillNumbers(m_PirSensitivity, kMotionMaxSensitivity);
  FillNumbers(m_PirTimer, kMotionMaxTimer);

  // The record.
  m_Enable.m_Checked = s.Enable;
  m_All.m_Checked = s.windows[0].State && s.windows[1].State && s.windows[2].State;
  m_Pir.m_Checked = s.StatePIR;
  for (int i = 0; i < kMotionWindows; ++i) {
    const MotionWindow& w = s.windows[i];
    m_Window[i].m_Checked = w.State;
    m_Full[i].m_Checked = w.Type == kMotionFullImage;
    m_Coordinates[i].m_Checked = w.Type == kMotionCoordinates;
    m_Keep[i].m_Checked = w.Type == kMotionKeepCurrent;
    const int values[4] = {w.Range.left, w.Range.top, w.Range.right, w.Range.bottom};
    for (int k = 0; k < 4; ++k) {
      m_Edits[i][k].SetFont(&g_Font);
      m_Edits[i][k].LimitText(kEditChars);
      m_Edits[i][k].SetWindowText(NumberText(values[k]));
    }
    SelectValue(m_Sensitivity[i], w.Sensitive);
    SelectValue(m_Timer[i], w.Timer);
    SelectValue(m_Threshold[i], w.Threshold);
  }
  SelectValue(m_PirSensitivity, s.SensitivePIR);
  SelectValue(m_PirTimer, s.TimerPIR);

  Layout();
  OnEnableChanged();
  return TRUE;
}

void Dlg_Motion::Layout() {
  const int line = TextHeight();
  const int right = kSettingsPageWidth - kMargin;
  const int h = kPageControlHeight;
  auto labelRoom = [&](int x, int y, int w) { return CRect(x, y + (h - line) / 2, x + w, y + (h - line) / 2 + line); };
  MoveControl(m_Enable, kMargin, 8);
  m_Title = CRect(kMargin, 40, right - kHelpSize - kGap, 40 + line);
  MoveControl(m_Help, right - kHelpSize, 40 + line / 2 - kHelpSize / 2);

  // Columns: the window's box and number; its three modes (the coordinates with their four
  // fields); then sensitivity, timer and threshold, each as wide as its caption or its list.
  const UINT heads[5] = {IDS_MOTION_REGION, IDS_MOTION_SIZE_POSITION, IDS_MOTION_SENSITIVITY, IDS_MOTION_TIMER,
                         IDS_MOTION_THRESHOLD};
  int widths[5];
  for (int c = 0; c < 5; ++c) widths[c] = TextWidth(LoadLangString(heads[c]));
  const int boxWidth = ControlSize(m_All).cx;
  const int separator = TextWidth(L"@") + 8;
  const int coordinates = ControlSize(m_Coordinates[0]).cx + 4 + 4 * kEditWidth + 3 * separator;
  widths[0] = std::max(widths[0] + boxWidth + 4, boxWidth + 4 + TextWidth(L"3"));
  widths[1] = std::max<int>({widths[1], coordinates, static_cast<int>(ControlSize(m_Full[0]).cx), static_cast<int>(ControlSize(m_Keep[0]).cx)});
  const int list = std::max(WidestItem(m_Timer[0]), WidestItem(m_Sensitivity[0])) + kComboExtra;
  for (int c = 2; c < 5; ++c) widths[c] = std::max(widths[c], list);
  // What room is left goes between the columns.
  const int inner = right - kInset - (kMargin + kInset);
  int used = 0;
  for (int w : widths) used += w;
  const int gap = std::max(kGap, (inner - used) / 4);
  int x[5];
  x[0] = kMargin + kInset;
  for (int c = 1; c < 5; ++c) x[c] = x[c - 1] + widths[c - 1] + gap;

  const int top = 72;
  m_Band = CRect(kMargin, top, right, top + kBandHeight);
  MoveInLine(m_All, x[0], top + (kBandHeight - h) / 2);
  m_Heads[0] = labelRoom(x[0] + boxWidth + 4, top + (kBandHeight - h) / 2, widths[0] - boxWidth - 4);
  for (int c = 1; c < 5; ++c) m_Heads[c] = labelRoom(x[c], top + (kBandHeight - h) / 2, widths[c]);

  for (int i = 0; i < kMotionWindows; ++i) {
    const int y = m_Band.bottom + 6 + i * kRowPitch;
    m_RowTop[i] = y;
    const int middle = y + kLinePitch;
    MoveInLine(m_Window[i], x[0], middle);
    m_Numbers[i] = labelRoom(x[0] + boxWidth + 4, middle, TextWidth(L"3"));
    MoveInLine(m_Full[i], x[1], y);
    MoveInLine(m_Coordinates[i], x[1], middle);
    MoveInLine(m_Keep[i], x[1], y + 2 * kLinePitch);
    int ex = x[1] + ControlSize(m_Coordinates[i]).cx + 4;
    for (int k = 0; k < 4; ++k) {
      m_Edits[i][k].MoveWindow(ex, middle, kEditWidth, h, FALSE);
      ex += kEditWidth;
      if (k < 3) {
        m_Separators[i][k] = labelRoom(ex, middle, separator);
        ex += separator;
      }
    }
    PlaceCombo(m_Sensitivity[i], x[2], middle, widths[2], h);
    PlaceCombo(m_Timer[i], x[3], middle, widths[3], h);
    PlaceCombo(m_Threshold[i], x[4], middle, widths[4], h);
  }
  m_Panel = CRect(kMargin, top, right, m_Band.bottom + 6 + kMotionWindows * kRowPitch);

  // The PIR sensor: its title, then its box and two lists with their captions.
  const int pirTop = m_Panel.bottom + 20;
  m_PirTitle = CRect(kMargin, pirTop, right, pirTop + line);
  const int pirY = pirTop + line + 16;
  MoveInLine(m_Pir, kMargin + kInset, pirY);
  int px = kMargin + kInset + ControlSize(m_Pir).cx + 2 * kGap;
  const UINT pirLabels[2] = {IDS_MOTION_SENSITIVITY, IDS_MOTION_TIMER};
  JComboBox* pirLists[2] = {&m_PirSensitivity, &m_PirTimer};
  for (int k = 0; k < 2; ++k) {
    const int w = TextWidth(LoadLangString(pirLabels[k]));
    m_PirLabels[k] = labelRoom(px, pirY, w);
    px += w + 8;
    PlaceCombo(*pirLists[k], px, pirY, list, h);
    px += list + 2 * kGap;
  }
}

BOOL Dlg_Motion::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  if (HIWORD(wParam) == BN_CLICKED) {
    if (id == IDC_ALL_WINDOWS) {
      OnBnClicked1052();
      return TRUE;
    }
    if (id >= IDC_FULL_IMAGE && id < IDC_FULL_IMAGE + kMotionWindows) {
      OnBnClickedFullImage(static_cast<int>(id - IDC_FULL_IMAGE));
      return TRUE;
    }
    if (id == IDC_MOTION_HELP) {
      OnBnClickedHelp();
      return TRUE;
    }
  }
  return SettingsPage::OnCommand(wParam, lParam);
}

void Dlg_Motion::OnBnClicked1052() {
  for (JButton& w : m_Window) w.SetChecked(m_All.m_Checked);
}

void Dlg_Motion::OnBnClickedFullImage(int window) {
  for (CEdit& e : m_Edits[window]) e.SetWindowText(L"");
}

void Dlg_Motion::OnBnClickedHelp() {
  JHelpBox help(IDD, {}, this);
  help.AddText(IDS_MOTION_HELP_FULL);
  help.AddText(IDS_MOTION_HELP_COORDINATES);
  help.AddText(IDS_MOTION_HELP_KEEP);
  help.AddImage(kHelpPicture, 480, 338);
  help.DoModal();
}

void Dlg_Motion::ReadPage(MotionSettings& out) const {
  out.Enable = m_Enable.m_Checked;
  out.StatePIR = m_Pir.m_Checked;
  out.SensitivePIR = SelectedValue(m_PirSensitivity, 0);
  out.TimerPIR = SelectedValue(m_PirTimer, 0);
  for (int i = 0; i < kMotionWindows; ++i) {
    MotionWindow& w = out.windows[i];
    w.State = m_Window[i].m_Checked;
    w.Sensitive = SelectedValue(m_Sensitivity[i], 0);
    w.Timer = SelectedValue(m_Timer[i], 0);
    w.Threshold = SelectedValue(m_Threshold[i], 0);
    w.Type = m_Full[i].m_Checked ? kMotionFullImage : m_Coordinates[i].m_Checked ? kMotionCoordinates : kMotionKeepCurrent;
    w.Range = MotionRect{EditNumber(m_Edits[i][0]), EditNumber(m_Edits[i][1]), EditNumber(m_Edits[i][2]),
                         EditNumber(m_Edits[i][3])};
  }
}

bool Dlg_Motion::GetSettings(MotionSettings& out) {
  MotionSettings read = out;
  ReadPage(read);
  if (FirstInvalidWindow(read) >= 0) {
    Warn(IDS_MOTION_INVALID_WINDOW);
    return false;
  }
  out = read;
  return true;
}

bool Dlg_Motion::Check() {
  // A disabled page is never applied: what it holds is kept as it stands.
  if (!m_Enable.m_Checked) return true;
  MotionSettings read = *m_Settings;
  return GetSettings(read);
}

std::vector<PageLabel> Dlg_Motion::Labels() const {
  std::vector<PageLabel> out;
  out.push_back(PageLabel{m_Title, LoadLangString(IDS_MOTION_TITLE), kPageTitleColour});
  if (!m_Enable.m_Checked) return out;
  const UINT heads[5] = {IDS_MOTION_REGION, IDS_MOTION_SIZE_POSITION, IDS_MOTION_SENSITIVITY, IDS_MOTION_TIMER,
                         IDS_MOTION_THRESHOLD};
  for (int c = 0; c < 5; ++c) out.push_back(PageLabel{m_Heads[c], LoadLangString(heads[c]), SKIN_TEXT_COLOUR});
  for (int i = 0; i < kMotionWindows; ++i) {
    out.push_back(PageLabel{m_Numbers[i], NumberText(i + 1), SKIN_TEXT_COLOUR});
    for (int k = 0; k < 3; ++k) {
      // Centred between the fields.
      CRect room = m_Separators[i][k];
      const int w = TextWidth(kSeparators[k]);
      room.left += (room.Width() - w) / 2;
      room.right = room.left + w;
      out.push_back(PageLabel{room, kSeparators[k], SKIN_TEXT_COLOUR});
    }
  }
  out.push_back(PageLabel{m_PirTitle, LoadLangString(IDS_MOTION_PIR_TITLE), kPageTitleColour});
  for (int k = 0; k < 2; ++k)
    out.push_back(PageLabel{m_PirLabels[k], LoadLangString(k == 0 ? IDS_MOTION_SENSITIVITY : IDS_MOTION_TIMER),
                            SKIN_TEXT_COLOUR});
  return out;
}

void Dlg_Motion::DrawSkin(CDC* dc) {
  DrawTitleRule(dc, m_Title);
  if (m_Enable.m_Checked) {
    DrawTitleRule(dc, m_PirTitle);
    dc->FillSolidRect(&m_Panel, kPageRuleColour);
    dc->FillSolidRect(m_Panel.left + 1, m_Band.bottom, m_Panel.Width() - 2, m_Panel.bottom - m_Band.bottom - 1,
                      kPagePanelColour);
    for (int i = 1; i < kMotionWindows; ++i)
      dc->FillSolidRect(m_Panel.left + 1, m_RowTop[i] - 4, m_Panel.Width() - 2, 1, RGB(0xFF, 0xFF, 0xFF));
  }
  SettingsPage::DrawSkin(dc);
}
