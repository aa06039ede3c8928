#include "dialogs/device_settings/dlg_url_win.h"

#include <algorithm>

#include "dialogs/device_settings/date_time_layout.h"
#include "kit/jhelpbox.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "res/strings/settings_strings.h"

namespace {
constexpr int kMargin = 11;
constexpr int kLabelLeft = 30;
constexpr int kLabelGap = 12;
constexpr int kHelpSize = 25;
constexpr UINT kHelpImage = 348;
}  // namespace

Dlg_URL::Dlg_URL(UrlSettings* settings)
    : SettingsPage(IDD, IDC_ENABLE),
      m_Settings(settings),
      m_Enable(jbutton::LAYOUT_IMAGE_TEXT | jbutton::STYLE_TOGGLE),
      m_Help(jbutton::LAYOUT_IMAGE) {
  m_Template.AddControl(L"BUTTON", L"", IDC_ENABLE, BS_OWNERDRAW | WS_TABSTOP, 0, 0, 10, 10);
  m_Template.AddControl(L"COMBOBOX", L"", IDC_CGI,
                        CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP, 0, 0, 40, 60);
  m_Template.AddControl(L"EDIT", L"", IDC_COMMAND, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 0, 100, 12);
  // The help button shows its picture only (there is no text under its id).
  m_Template.AddControl(L"BUTTON", L"", IDC_URL_HELP, BS_OWNERDRAW | WS_TABSTOP, 0, 0, 10, 10);
}

Dlg_URL::~Dlg_URL() = default;

void Dlg_URL::DoDataExchange(CDataExchange* dx) {
  SettingsPage::DoDataExchange(dx);
  DDX_Control(dx, IDC_ENABLE, m_Enable);
  DDX_Control(dx, IDC_CGI, m_Cgi);
  DDX_Control(dx, IDC_COMMAND, m_Command);
  DDX_Control(dx, IDC_URL_HELP, m_Help);
}

BOOL Dlg_URL::OnInitDialog() {
  SettingsPage::OnInitDialog();
  SetCheckBoxImages(m_Enable);
  m_Help.SetImages(kHelpImage, kHelpImage, kHelpImage, kHelpImage, kHelpSize, kHelpSize);
  m_Enable.m_Checked = m_Settings->Enable;
  for (int i = 0; i < kCgiProgramCount; ++i) AddItem(m_Cgi, CgiProgramName(i), i);
  SelectValue(m_Cgi, m_Settings->CGI);
  m_Command.SetFont(&g_Font);
  m_Command.LimitText(static_cast<int>(kUrlCommandChars));
  m_Command.SetWindowText(m_Settings->Command.c_str());

  // The labels in a column, the fields after the widest; the help button at the line's end.
  const int line = TextHeight();
  const int labels = std::max(TextWidth(LoadLangString(IDS_LABEL_CGI)), TextWidth(LoadLangString(IDS_LABEL_COMMANDS)));
  const int x = std::max(162, kLabelLeft + labels + kLabelGap);
  const int cgiY = 75, commandY = 110;
  m_Enable.SetWindowPos(nullptr, kMargin, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_TitleRoom = CRect(kMargin, 40, kSettingsPageWidth - kMargin, 40 + line);
  PlaceCombo(m_Cgi, x, cgiY, WidestItem(m_Cgi) + kComboExtra, kPageControlHeight);
  const int helpX = kSettingsPageWidth - kMargin - kHelpSize;
  m_Command.MoveWindow(x, commandY, helpX - 8 - x, kPageControlHeight, FALSE);
  m_Help.SetWindowPos(nullptr, helpX, commandY - 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const int drop = (kPageControlHeight - line) / 2;
  m_CgiLabel = CRect(kLabelLeft, cgiY + drop, x - kLabelGap, cgiY + drop + line);
  m_CommandLabel = CRect(kLabelLeft, commandY + drop, x - kLabelGap, commandY + drop + line);
  for (CWnd* c : {static_cast<CWnd*>(&m_Enable), static_cast<CWnd*>(&m_Cgi), static_cast<CWnd*>(&m_Command),
                  static_cast<CWnd*>(&m_Help)})
    AddChildToRegion(c);
  OnEnableChanged();
  return TRUE;
}

void Dlg_URL::Collect() {
  m_Settings->Enable = m_Enable.m_Checked;
  m_Settings->CGI = SelectedValue(m_Cgi, m_Settings->CGI);
  m_Settings->Command = m_Command.GetWindowTextString().GetString();
  if (m_Settings->Command.size() > kUrlCommandChars) m_Settings->Command.resize(kUrlCommandChars);
}

BOOL Dlg_URL::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == IDC_URL_HELP && HIWORD(wParam) == BN_CLICKED) {
    OnBnClickedHelp();
    return TRUE;
  }
  return SettingsPage::OnCommand(wParam, lParam);
}

void Dlg_URL::OnBnClickedHelp() {
  JHelpBox help(IDD, {}, this);
  help.AddText(IDS_URL_HELP_FORM);
  help.AddText(IDS_URL_HELP_COMMANDS);
  help.DoModal();
}

std::vector<PageLabel> Dlg_URL::Labels() const {
  if (!m_Enable.m_Checked) return {PageLabel{m_TitleRoom, LoadLangString(IDS_TITLE_URL), kPageTitleColour}};
  return {PageLabel{m_TitleRoom, LoadLangString(IDS_TITLE_URL), kPageTitleColour},
          PageLabel{m_CgiLabel, LoadLangString(IDS_LABEL_CGI), SKIN_TEXT_COLOUR},
          PageLabel{m_CommandLabel, LoadLangString(IDS_LABEL_COMMANDS), SKIN_TEXT_COLOUR}};
}

void Dlg_URL::DrawSkin(CDC* dc) {
  DrawTitleRule(dc, m_TitleRoom);
  SettingsPage::DrawSkin(dc);
}
