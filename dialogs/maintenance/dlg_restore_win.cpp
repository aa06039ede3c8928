#include "dialogs/maintenance/dlg_restore_win.h"

#include <algorithm>

#include "app/settings_file/settings_file.h"
#include "device/pickers.h"
#include "res/strings/kit_strings.h"
#include "res/strings/maintenance_strings.h"

namespace {

enum { kSourceGroup = 1, kConfigGroup = 2 };

}  // namespace

Dlg_Restore::Dlg_Restore(const RestorePrep& prep) : SkinDialog(IDD), m_Prep(prep) {
  AddButton(IDC_FROM_FOLDER);
  AddButton(IDC_ONE_FILE);
  AddButton(IDC_DEVICE_CONFIG);
  AddButton(IDC_CHANNEL_CONFIGS);
  AddEdit(IDC_PATH, true);
  AddButton(IDC_BROWSE);
  UseTemplate();
}

void Dlg_Restore::DoDataExchange(CDataExchange* dx) {
  SkinDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_BROWSE, m_Browse);
  DDX_Control(dx, IDC_FROM_FOLDER, m_FromFolder);
  DDX_Control(dx, IDC_ONE_FILE, m_OneFile);
  DDX_Control(dx, IDC_DEVICE_CONFIG, m_DeviceConfig);
  DDX_Control(dx, IDC_CHANNEL_CONFIGS, m_ChannelConfigs);
  DDX_Control(dx, IDC_PATH, m_Path);
}

BOOL Dlg_Restore::OnInitDialog() {
  SkinDialog::OnInitDialog();
  SkinPushButton(m_Browse, IDS_BUTTON_BROWSE);
  SkinOption(m_FromFolder, IDS_OPTION_FROM_FOLDER, kSourceGroup);
  SkinOption(m_OneFile, IDS_OPTION_ONE_FILE, kSourceGroup);
  SkinOption(m_DeviceConfig, IDS_OPTION_DEVICE_CONFIG, kConfigGroup);
  SkinOption(m_ChannelConfigs, IDS_OPTION_CHANNEL_CONFIGS, kConfigGroup);
  UseSkinFont(m_Path);
  CheckOption(m_FromFolder);
  CheckOption(m_DeviceConfig);
  m_Remembered = LoadRestorePath(g_Settings.Document());
  m_Path.SetWindowText(m_Remembered.c_str());

  // The two sources one above the other; the device's or the channels' configurations side by
  // side (only for multi-channel devices); the path with its label; Apply.
  int y = kMargin;
  Place(m_FromFolder, kMargin, y);
  y += HeightOf(m_FromFolder) + kRowGap / 2;
  Place(m_OneFile, kMargin, y);
  y += HeightOf(m_OneFile) + kRowGap;
  int right = kMargin + std::max(WidthOf(m_FromFolder), WidthOf(m_OneFile));
  if (m_Prep.multiChannel) {
    Place(m_DeviceConfig, kMargin, y);
    Place(m_ChannelConfigs, kMargin + WidthOf(m_DeviceConfig) + kOptionGap, y);
    right = std::max(right, kMargin + WidthOf(m_DeviceConfig) + kOptionGap + WidthOf(m_ChannelConfigs));
    y += std::max(HeightOf(m_DeviceConfig), HeightOf(m_ChannelConfigs)) + kRowGap;
  } else {
    m_DeviceConfig.ShowWindow(SW_HIDE);
    m_ChannelConfigs.ShowWindow(SW_HIDE);
  }
  y += kRowGap / 2;
  m_LabelRight = kMargin + std::max(TextSize(IDS_LABEL_CONFIG_FOLDER).cx, TextSize(IDS_LABEL_CONFIG_FILE).cx);
  m_PathTop = y;
  right = std::max(right, PlacePathRow(m_Path, m_Browse, m_LabelRight + kLabelGap, y));
  EndLayout(right, y + kButtonHeight);
  return TRUE;
}

void Dlg_Restore::DrawSkin(CDC* dc) {
  DrawLabel(dc, m_OneFile.IsChecked() ? IDS_LABEL_CONFIG_FILE : IDS_LABEL_CONFIG_FOLDER, m_LabelRight, m_PathTop,
            kButtonHeight);
  FrameChild(dc, &m_Path);
}

void Dlg_Restore::OnOptionPressed(JButton* option) {
  if (option == &m_FromFolder) OnBnClicked1112();
  if (option == &m_OneFile) OnBnClicked1113();
}

BOOL Dlg_Restore::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_BROWSE) {
    OnBnClickedBrowse();
    return TRUE;
  }
  return SkinDialog::OnCommand(wParam, lParam);
}

void Dlg_Restore::OnBnClickedBrowse() {
  std::wstring chosen;
  if (m_FromFolder.IsChecked())
    chosen = BrowseForFolder(m_hWnd);
  else
    chosen = SelectFile(m_Prep.platformToken ? L"Config. Restore|*.bin||" : L"Config. Restore|*.ini||");
  if (!chosen.empty()) m_Path.SetWindowText(chosen.c_str());
}

void Dlg_Restore::OnBnClicked1112() {
  m_Path.SetWindowText(m_Remembered.c_str());
  Invalidate();
}

void Dlg_Restore::OnBnClicked1113() {
  if (const unsigned refusal = SingleFileRefusal(m_Prep)) {
    Warn(refusal);
    CheckOption(m_FromFolder);
    Invalidate();
    return;
  }
  m_Path.SetWindowText(L"");
  Invalidate();
}

void Dlg_Restore::OnBnClickedCheckFile() {
  const std::wstring text = m_Path.GetWindowTextString().GetString();
  const bool singleFile = m_OneFile.IsChecked();
  m_Choice.channels = m_ChannelConfigs.IsChecked();
  if (text.empty()) {
    Warn(singleFile ? IDS_SELECT_FILE : IDS_SELECT_FOLDER);
    return;
  }
  if (singleFile) {
    if (const unsigned refusal = CheckRestoreFile(m_Prep, m_Choice.channels, text)) {
      Warn(refusal);
      return;
    }
  }
  m_Choice.singleFile = singleFile;
  m_Choice.path = text;
  SaveRestorePath(g_Settings.Document(), text);
  EndDialog(IDOK);
}

bool RestoreOperationWin::RunDialog(BatchUi&, const BatchSelection&) {
  Dlg_Restore dlg(Prep());
  if (dlg.DoModal() != IDOK) return false;
  SetChoice(dlg.Choice());
  return true;
}
