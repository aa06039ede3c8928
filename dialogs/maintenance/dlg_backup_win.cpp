#include "dialogs/maintenance/dlg_backup_win.h"

#include <algorithm>

#include "device/pickers.h"
#include "res/strings/kit_strings.h"
#include "res/strings/maintenance_strings.h"

Dlg_Backup::Dlg_Backup() : SkinDialog(IDD) {
  AddEdit(IDC_FOLDER, true);
  AddButton(IDC_BROWSE);
  UseTemplate();
}

void Dlg_Backup::DoDataExchange(CDataExchange* dx) {
  SkinDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_BROWSE, m_Browse);
  DDX_Control(dx, IDC_FOLDER, m_Path);
}

BOOL Dlg_Backup::OnInitDialog() {
  SkinDialog::OnInitDialog();
  SkinPushButton(m_Browse, IDS_BUTTON_BROWSE);
  UseSkinFont(m_Path);

  // Labels in one column, right-aligned; the rule and the folder field beside them.
  const CSize rule = TextSize(kNamingRule);
  m_LabelRight = kMargin + std::max(TextSize(IDS_LABEL_NAMING_RULE).cx, TextSize(IDS_LABEL_BACKUP_FOLDER).cx);
  const int x = m_LabelRight + kLabelGap;
  m_RuleTop = kMargin;
  m_RuleHeight = std::max<int>(rule.cy, TextSize(IDS_LABEL_NAMING_RULE).cy);
  m_PathTop = m_RuleTop + m_RuleHeight + kRowGap;
  const int right = std::max<int>(PlacePathRow(m_Path, m_Browse, x, m_PathTop), x + rule.cx);
  EndLayout(right, m_PathTop + kButtonHeight);
  return TRUE;
}

void Dlg_Backup::DrawSkin(CDC* dc) {
  DrawLabel(dc, IDS_LABEL_NAMING_RULE, m_LabelRight, m_RuleTop, m_RuleHeight);
  const CSize rule = TextSize(kNamingRule);
  DrawTextAt(dc, m_LabelRight + kLabelGap, m_RuleTop + (m_RuleHeight - rule.cy) / 2, kNamingRule);
  DrawLabel(dc, IDS_LABEL_BACKUP_FOLDER, m_LabelRight, m_PathTop, kButtonHeight);
  FrameChild(dc, &m_Path);
}

BOOL Dlg_Backup::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_BROWSE) {
    OnBnClickedBrowse();
    return TRUE;
  }
  return SkinDialog::OnCommand(wParam, lParam);
}

void Dlg_Backup::OnBnClickedBrowse() {
  const std::wstring folder = BrowseForFolder(m_hWnd);
  if (!folder.empty()) m_Path.SetWindowText(folder.c_str());
}

void Dlg_Backup::OnBnClickedOk() {
  const std::wstring folder = m_Path.GetWindowTextString().GetString();
  if (const unsigned refusal = CheckBackupFolder(folder)) {
    Warn(refusal);
    return;
  }
  m_Folder = folder;
  EndDialog(IDOK);
}

bool BackupOperationWin::RunDialog(BatchUi&, const BatchSelection&) {
  Dlg_Backup dlg;
  if (dlg.DoModal() != IDOK) return false;
  SetFolder(dlg.Folder());
  return true;
}
