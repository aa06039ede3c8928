#include "dialogs/maintenance/dlg_debug_win.h"

#include <algorithm>

#include "device/pickers.h"
#include "res/strings/kit_strings.h"
#include "res/strings/maintenance_strings.h"

namespace {

enum { kTaskGroup = 1 };

}  // namespace

Dlg_Debug::Dlg_Debug(const std::wstring& platform) : SkinDialog(IDD), m_Platform(platform) {
  AddButton(IDC_BLACKBOX);
  AddButton(IDC_BOOTLOADER);
  AddEdit(IDC_PATH, true);
  AddButton(IDC_BROWSE);
  UseTemplate();
}

void Dlg_Debug::DoDataExchange(CDataExchange* dx) {
  SkinDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_BROWSE, m_Browse);
  DDX_Control(dx, IDC_BLACKBOX, m_BlackBox);
  DDX_Control(dx, IDC_BOOTLOADER, m_Bootloader);
  DDX_Control(dx, IDC_PATH, m_Path);
}

BOOL Dlg_Debug::OnInitDialog() {
  SkinDialog::OnInitDialog();
  SkinPushButton(m_Browse, IDS_BUTTON_BROWSE);
  SkinOption(m_BlackBox, IDS_OPTION_BLACKBOX, kTaskGroup);
  SkinOption(m_Bootloader, IDS_OPTION_BOOTLOADER, kTaskGroup);
  UseSkinFont(m_Path);
  CheckOption(m_BlackBox);
  m_Mode = kDebugBlackBox;

  // The two tasks one above the other, the folder or file with its label, Apply.
  int y = kMargin;
  Place(m_BlackBox, kMargin, y);
  y += HeightOf(m_BlackBox) + kRowGap;
  Place(m_Bootloader, kMargin, y);
  y += HeightOf(m_Bootloader) + kRowGap + kRowGap / 2;
  int right = kMargin + std::max(WidthOf(m_BlackBox), WidthOf(m_Bootloader));
  m_LabelRight = kMargin + std::max(TextSize(IDS_LABEL_LOG_FOLDER).cx, TextSize(IDS_LABEL_FIRMWARE_FILE).cx);
  m_PathTop = y;
  right = std::max(right, PlacePathRow(m_Path, m_Browse, m_LabelRight + kLabelGap, y));
  EndLayout(right, y + kButtonHeight);
  return TRUE;
}

void Dlg_Debug::DrawSkin(CDC* dc) {
  DrawLabel(dc, m_Mode == kDebugBlackBox ? IDS_LABEL_LOG_FOLDER : IDS_LABEL_FIRMWARE_FILE, m_LabelRight, m_PathTop,
            kButtonHeight);
  FrameChild(dc, &m_Path);
}

void Dlg_Debug::OnOptionPressed(JButton* option) {
  if (option == &m_BlackBox) OnBnClicked1235();
  if (option == &m_Bootloader) OnBnClicked1236();
}

BOOL Dlg_Debug::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_BROWSE) {
    OnBnClickedBrowse();
    return TRUE;
  }
  return SkinDialog::OnCommand(wParam, lParam);
}

void Dlg_Debug::OnBnClicked1235() {
  m_Path.SetWindowText(L"");
  m_Mode = kDebugBlackBox;
  Invalidate();
}

void Dlg_Debug::OnBnClicked1236() {
  if (m_Platform.empty()) {
    Warn(IDS_NOT_SAME_PLATFORM);
    CheckOption(m_BlackBox);
    return;
  }
  m_Path.SetWindowText(L"");
  m_Mode = kDebugBootloader;
  Invalidate();
}

void Dlg_Debug::OnBnClickedBrowse() {
  const std::wstring chosen =
      m_Mode == kDebugBlackBox ? BrowseForFolder(m_hWnd) : SelectFile(L"Firmware UPG|*.upg||");
  if (!chosen.empty()) m_Path.SetWindowText(chosen.c_str());
}

void Dlg_Debug::OnBnClickedOk() {
  const std::wstring text = m_Path.GetWindowTextString().GetString();
  if (const unsigned refusal = CheckDebugApply(m_Mode, text, m_Platform)) {
    Warn(refusal);
    return;
  }
  m_Chosen = text;
  EndDialog(IDOK);
}

bool DebugOperationWin::RunDialog(BatchUi&, const BatchSelection&) {
  Dlg_Debug dlg(Platform());
  if (dlg.DoModal() != IDOK) return false;
  SetTask(dlg.Mode(), dlg.Path());
  return true;
}
