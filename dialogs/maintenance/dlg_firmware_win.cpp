#include "dialogs/maintenance/dlg_firmware_win.h"

#include <algorithm>

#include "app/settings_file/settings_file.h"
#include "device/pickers.h"
#include "kit/lang.h"
#include "res/strings/kit_strings.h"
#include "res/strings/maintenance_strings.h"

namespace {

enum { kModeGroup = 1, kChannelGroup = 2 };
constexpr int kComboItemHeight = 20;
constexpr int kComboDropHeight = 160;
constexpr int kComboArrowRoom = 40;  // the drop arrow and the text's margins
constexpr int kOptionRowGap = 6;

FirmwareCentre& Centre() {
  static FirmwareCentre centre;
  return centre;
}

const UINT kIspKinds[kIspKindCount] = {IDS_ISP_FIRMWARE, IDS_ISP_RESOURCE, IDS_ISP_HARDWARE};

}  // namespace

void SetFirmwareCentre(FirmwareCentre centre) { Centre() = std::move(centre); }

Dlg_Firmware::Dlg_Firmware(const FirmwareProbe& probe, const BatchSelection& rows)
    : SkinDialog(IDD), m_Probe(probe), m_Rows(rows) {
  AddCombo(IDC_FILE_TYPE);
  AddCombo(IDC_ISP_TYPE);
  AddButton(IDC_FOLDER_MODE);
  AddButton(IDC_FILE_MODE);
  AddButton(IDC_NETWORK_MODE);
  AddButton(IDC_ONE_CHANNEL);
  AddButton(IDC_ALL_CHANNELS);
  AddEdit(IDC_PATH, false);
  AddButton(IDC_BROWSE);
  AddEdit(IDC_MD5, false);
  AddButton(IDC_BROWSE_MD5);
  UseTemplate();
}

void Dlg_Firmware::DoDataExchange(CDataExchange* dx) {
  SkinDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_BROWSE, m_Browse);
  DDX_Control(dx, IDC_BROWSE_MD5, m_BrowseMd5);
  DDX_Control(dx, IDC_FOLDER_MODE, m_FolderMode);
  DDX_Control(dx, IDC_FILE_MODE, m_FileMode);
  DDX_Control(dx, IDC_NETWORK_MODE, m_NetworkMode);
  DDX_Control(dx, IDC_ONE_CHANNEL, m_OneChannel);
  DDX_Control(dx, IDC_ALL_CHANNELS, m_AllChannels);
  DDX_Control(dx, IDC_FILE_TYPE, m_FileType);
  DDX_Control(dx, IDC_ISP_TYPE, m_IspType);
  DDX_Control(dx, IDC_PATH, m_Path);
  DDX_Control(dx, IDC_MD5, m_Md5);
}

BOOL Dlg_Firmware::OnInitDialog() {
  SkinDialog::OnInitDialog();
  SkinPushButton(m_Browse, IDS_BUTTON_BROWSE);
  SkinPushButton(m_BrowseMd5, IDS_BUTTON_BROWSE);
  SkinOption(m_FolderMode, IDS_OPTION_FROM_FOLDER, kModeGroup);
  SkinOption(m_FileMode, IDS_OPTION_ONE_FILE, kModeGroup);
  SkinOption(m_NetworkMode, IDS_OPTION_NETWORK, kModeGroup);
  SkinOption(m_OneChannel, IDS_OPTION_ONE_CHANNEL, kChannelGroup);
  SkinOption(m_AllChannels, IDS_OPTION_ALL_CHANNELS, kChannelGroup);
  for (CWnd* c : {static_cast<CWnd*>(&m_Path), static_cast<CWnd*>(&m_Md5), static_cast<CWnd*>(&m_FileType),
                  static_cast<CWnd*>(&m_IspType)})
    UseSkinFont(*c);

  // The type lists: the firmware image, and the ISP image where every device takes one.
  int widest = 0;
  auto add = [&widest](JComboBox& list, UINT id) {
    list.AddString(LoadText(id));
    widest = std::max<int>(widest, TextSize(id).cx);
  };
  add(m_FileType, IDS_TYPE_FIRMWARE_IMAGE);
  if (OffersIspImage(m_Probe)) add(m_FileType, IDS_TYPE_ISP_IMAGE);
  for (UINT id : kIspKinds) add(m_IspType, id);
  for (JComboBox* list : {&m_FileType, &m_IspType}) {
    list->SetItemHeight(-1, kComboItemHeight);
    list->SetItemHeight(0, kComboItemHeight);
  }
  m_FileType.SetCurSel(0);

  // One column of labels; every field as wide as the widest list item needs.
  m_LabelRight = kMargin;
  for (UINT id : {IDS_LABEL_FIRMWARE_FOLDER, IDS_LABEL_FIRMWARE_FILE, IDS_LABEL_MD5_FILE, IDS_LABEL_FILE_TYPE,
                  IDS_LABEL_ISP_FILE_TYPE})
    m_LabelRight = std::max<int>(m_LabelRight, kMargin + TextSize(id).cx);
  m_FieldWidth = std::max(kPathWidth, widest + kComboArrowRoom);
  const int x = m_LabelRight + kLabelGap;
  m_Width = x + m_FieldWidth + kLabelGap + kButtonWidth;
  for (JButton* b : {&m_FolderMode, &m_FileMode, &m_NetworkMode})
    m_Width = std::max(m_Width, x + WidthOf(*b));
  m_Width = std::max(m_Width, x + WidthOf(m_OneChannel) + kOptionGap + WidthOf(m_AllChannels));

  if (!OffersNetworkUpgrade(m_Probe)) m_NetworkMode.ShowWindow(SW_HIDE);
  CheckOption(m_FolderMode);
  CheckOption(m_OneChannel);
  OnCbnSelchangeFileType();
  return TRUE;
}

int Dlg_Firmware::Type() const { return std::max(0, m_FileType.GetCurSel()); }

FirmwareMode Dlg_Firmware::Mode() const {
  if (m_FileMode.IsChecked()) return FirmwareMode::File;
  if (m_NetworkMode.IsChecked()) return FirmwareMode::Network;
  return FirmwareMode::Folder;
}

void Dlg_Firmware::Layout() {
  const int x = m_LabelRight + kLabelGap;
  int y = kMargin;
  auto comboRow = [&](JComboBox& list, int* top) {
    *top = y;
    Place(list, x, y, m_FieldWidth, kComboDropHeight);
    y += HeightOf(list) + kRowGap;
  };
  comboRow(m_FileType, &m_TypeTop);
  if (Shown(m_IspType)) comboRow(m_IspType, &m_IspTop);
  for (JButton* b : {&m_FolderMode, &m_FileMode, &m_NetworkMode}) {
    if (!Shown(*b)) continue;
    Place(*b, x, y);
    y += HeightOf(*b) + kOptionRowGap;
  }
  y += kRowGap - kOptionRowGap;
  if (Shown(m_OneChannel)) {
    Place(m_OneChannel, x, y);
    Place(m_AllChannels, x + WidthOf(m_OneChannel) + kOptionGap, y);
    y += std::max(HeightOf(m_OneChannel), HeightOf(m_AllChannels)) + kRowGap;
  }
  m_PathTop = y;
  PlacePathRow(m_Path, m_Browse, x, y, m_FieldWidth);
  y += kButtonHeight;
  if (Shown(m_Md5)) {
    m_Md5Top = y + kRowGap;
    PlacePathRow(m_Md5, m_BrowseMd5, x, m_Md5Top, m_FieldWidth);
    y = m_Md5Top + kButtonHeight;
  }
  EndLayout(m_Width, y);
}

void Dlg_Firmware::DrawSkin(CDC* dc) {
  const int comboHeight = m_FileType.m_hWnd ? HeightOf(m_FileType) : kButtonHeight;
  DrawLabel(dc, IDS_LABEL_FILE_TYPE, m_LabelRight, m_TypeTop, comboHeight);
  if (Shown(m_IspType))
    DrawLabel(dc, IDS_LABEL_ISP_FILE_TYPE, m_LabelRight, m_IspTop, comboHeight);
  DrawLabel(dc, m_PathLabel, m_LabelRight, m_PathTop, kButtonHeight);
  FrameChild(dc, &m_Path);
  if (Shown(m_Md5)) {
    DrawLabel(dc, IDS_LABEL_MD5_FILE, m_LabelRight, m_Md5Top, kButtonHeight);
    FrameChild(dc, &m_Md5);
  }
}

void Dlg_Firmware::OnOptionPressed(JButton* option) {
  if (option == &m_FolderMode) OnBnClicked1018();
  if (option == &m_FileMode) OnBnClicked1115();
  if (option == &m_NetworkMode) OnBnClicked1116();
}

BOOL Dlg_Firmware::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam), code = HIWORD(wParam);
  if (code == CBN_SELCHANGE && id == IDC_FILE_TYPE) {
    OnCbnSelchangeFileType();
    return TRUE;
  }
  if (code == BN_CLICKED && id == IDC_BROWSE) {
    OnBnClickedBrowseFile();
    return TRUE;
  }
  if (code == BN_CLICKED && id == IDC_BROWSE_MD5) {
    OnBnClickedBrowseMd5();
    return TRUE;
  }
  return SkinDialog::OnCommand(wParam, lParam);
}

void Dlg_Firmware::OnCbnSelchangeFileType() {
  const int type = Type();
  const bool isp = ShowsIspKinds(m_Probe, type);
  m_IspType.ShowWindow(isp ? SW_SHOW : SW_HIDE);
  m_IspType.SetCurSel(isp ? 0 : -1);
  const bool channels = ShowsChannelChoice(m_Probe, type);
  m_OneChannel.ShowWindow(channels ? SW_SHOW : SW_HIDE);
  m_AllChannels.ShowWindow(channels ? SW_SHOW : SW_HIDE);
  if (Mode() == FirmwareMode::File)
    ApplyFileMode();
  else if (Mode() == FirmwareMode::Folder)
    ApplyFolderMode();
  else
    Layout();
}

void Dlg_Firmware::ApplyFolderMode() {
  m_Md5.ShowWindow(SW_HIDE);
  m_BrowseMd5.ShowWindow(SW_HIDE);
  for (CWnd* c : {static_cast<CWnd*>(&m_Path), static_cast<CWnd*>(&m_Browse), static_cast<CWnd*>(&m_FileType)})
    c->EnableWindow(TRUE);
  m_Path.SetWindowText(LoadFirmwareFolder(g_Settings.Document()).c_str());
  m_Md5.SetWindowText(L"");
  m_PathLabel = IDS_LABEL_FIRMWARE_FOLDER;
  Layout();
}

void Dlg_Firmware::ApplyFileMode() {
  const int type = Type();
  if (const unsigned refusal = FileModeRefusal(m_Probe, type)) {
    Warn(refusal);
    CheckOption(m_FolderMode);
    ApplyFolderMode();
    return;
  }
  // The type list too: it may come from the network mode, which disables it.
  for (CWnd* c : {static_cast<CWnd*>(&m_Path), static_cast<CWnd*>(&m_Md5), static_cast<CWnd*>(&m_Browse),
                  static_cast<CWnd*>(&m_BrowseMd5), static_cast<CWnd*>(&m_FileType)})
    c->EnableWindow(TRUE);
  const bool md5 = ShowsMd5File(m_Probe, type);
  m_Md5.ShowWindow(md5 ? SW_SHOW : SW_HIDE);
  m_BrowseMd5.ShowWindow(md5 ? SW_SHOW : SW_HIDE);
  m_Path.SetWindowText(L"");
  m_Md5.SetWindowText(L"");
  m_PathLabel = IDS_LABEL_FIRMWARE_FILE;
  Layout();
}

void Dlg_Firmware::OnBnClicked1018() { ApplyFolderMode(); }

void Dlg_Firmware::OnBnClicked1115() { ApplyFileMode(); }

void Dlg_Firmware::OnBnClicked1116() {
  for (CWnd* c : {static_cast<CWnd*>(&m_Path), static_cast<CWnd*>(&m_Browse), static_cast<CWnd*>(&m_FileType)})
    c->EnableWindow(FALSE);
  m_Md5.ShowWindow(SW_HIDE);
  m_BrowseMd5.ShowWindow(SW_HIDE);
  Layout();
}

void Dlg_Firmware::OnBnClickedBrowseFile() {
  std::wstring chosen;
  if (Mode() == FirmwareMode::Folder)
    chosen = BrowseForFolder(m_hWnd);
  else if (Mode() == FirmwareMode::File)
    chosen = SelectFile(Type() == kTypeFirmwareImage ? L"Firmware UPG|*.upg||" : L"ISP|*.bin||");
  if (!chosen.empty()) m_Path.SetWindowText(chosen.c_str());
}

void Dlg_Firmware::OnBnClickedBrowseMd5() {
  const std::wstring chosen = SelectFile(L"Firmware MD5|*.md5||");
  if (!chosen.empty()) m_Md5.SetWindowText(chosen.c_str());
}

void Dlg_Firmware::OnBnClickedOk() {
  const FirmwareMode mode = Mode();
  m_Choice = FirmwareChoice();
  m_Choice.mode = mode;
  m_Choice.kind = FirmwareKind(Type(), Shown(m_IspType) ? m_IspType.GetCurSel() : -1);
  m_Choice.perChannel = Shown(m_AllChannels) && m_AllChannels.IsChecked();
  const std::wstring text = m_Path.GetWindowTextString().GetString();
  if (text.empty() && mode != FirmwareMode::Network) {
    Warn(mode == FirmwareMode::Folder ? IDS_SELECT_FOLDER : IDS_SELECT_FILE);
    return;
  }
  if (mode == FirmwareMode::Folder) {
    m_Choice.folder = text;
    SaveFirmwareFolder(g_Settings.Document(), text);
    EndDialog(IDOK);
    return;
  }
  if (mode == FirmwareMode::File) {
    const bool md5Shown = Shown(m_Md5);
    const std::wstring md5 = md5Shown ? std::wstring(m_Md5.GetWindowTextString().GetString()) : std::wstring();
    if (const unsigned refusal = CheckFirmwareFiles(m_Probe, m_Choice.kind, m_Choice.perChannel, text, md5, md5Shown)) {
      Warn(refusal);
      return;
    }
    m_Choice.filePath = text;
    m_Choice.md5Path = md5;
    EndDialog(IDOK);
    return;
  }
  // The network upgrade goes through the firmware check centre.
  if (const unsigned refusal = CheckNetworkDevices(m_Rows)) {
    Warn(refusal);
    return;
  }
  const CentreResult result =
      Centre() ? Centre()(this, m_Rows, &m_Choice.networkAddresses) : CentreResult::CannotStart;
  if (result == CentreResult::CannotStart) {
    Warn(IDS_DOWNLOAD_CENTER_FAILED);
    return;
  }
  EndDialog(result == CentreResult::Applied ? IDOK : IDCANCEL);
}

bool FirmwareOperationWin::RunDialog(BatchUi&, const BatchSelection& rows) {
  Dlg_Firmware dlg(Probe(), rows);
  if (dlg.DoModal() != IDOK) return false;
  SetChoice(dlg.Choice());
  return true;
}
