#include "kit/dlg_base.h"

#include "port/pace_log.h"

#include "kit/device_rows.h"
#include "kit/keyed_blt.h"
#include "kit/jmessagebox.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "res/resource.h"
#include "res/strings/kit_strings.h"

std::set<UINT> g_SuccessIds;
DeviceRowTarget* g_pDeviceRows = nullptr;

Dlg_Base::Dlg_Base(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent), JObject(this), m_CaptionId(templateId) {
  static const UINT kSuccess[] = {
      IDS_STATUS_SUCCESS,   IDS_STATUS_RESET_OK,  IDS_STATUS_REBOOT_OK, IDS_STATUS_IP_SET_OK,
      IDS_STATUS_SETTINGS_OK, IDS_STATUS_UPGRADING, IDS_STATUS_REBOOTING, IDS_STATUS_UPLOADING,
      IDS_STATUS_PROCESSING, IDS_STATUS_ADDED_MANUALLY};
  g_SuccessIds.insert(std::begin(kSuccess), std::end(kSuccess));
}

Dlg_Base::~Dlg_Base() = default;

BOOL Dlg_Base::PreTranslateMessage(MSG* msg) { return CDialog::PreTranslateMessage(msg); }

BOOL Dlg_Base::OnInitDialog() {
  CDialog::OnInitDialog();
  HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
  if (icon) SendMessage(WM_SETICON, ICON_SMALL, (LPARAM)icon);
  SetWindowText(LoadLangString(m_CaptionId));
  return TRUE;
}

void Dlg_Base::OnOK() {}

LRESULT Dlg_Base::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG && !m_FollowsLanguage) m_OpenLanguage = CurrentLanguage();
  // Every text the dialog looks up while it handles the message is in its own language.
  LanguageScope language(m_FollowsLanguage ? 0 : m_OpenLanguage);
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
    case WM_PRINTCLIENT:
      // A control that shows the skin behind it asks for it this way.
      DrawBackground(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
      return 0;
    case WM_JBUTTON_CLICK:
      OnJButtonClick(reinterpret_cast<JButton*>(wParam));
      return 0;
    case WM_DEVICE_STATUS:
      return OnDeviceStatus(wParam, lParam);
    case WM_DEVICE_FIRMWARE:
      return OnDeviceFirmware(wParam, lParam);
    case WM_DEVICE_ADDRESS:
      return OnDeviceAddress(wParam, lParam);
    default:
      return CDialog::WindowProc(msg, wParam, lParam);
  }
}

HBRUSH Dlg_Base::OnCtlColor(CDC* dc, CWnd*, UINT) {
  if (g_Font.m_hObject) dc->SelectObject(&g_Font);
  dc->SetBkColor(SKIN_BACK_COLOUR);
  dc->SetTextColor(SKIN_TEXT_COLOUR);
  return (HBRUSH)g_BrushSkin.m_hObject;
}

void Dlg_Base::DoTask() {}

BOOL Dlg_Base::DrawBackground(CDC* target) {
  ReleaseMemDC();
  RECT rc;
  GetClientRect(&rc);
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  CDC* mem = nullptr;
  {
    port::pace::Scope timed(port::pace::kStep, 0, true, "skin-draw");
    mem = PrepareMemDC();
  }
  port::pace::Scope timed(port::pace::kStep, 0, true, "skin-blt");
  if (mem && target && w > 0 && h > 0)
    KeyedBlt(target->m_hDC, 0, 0, w, h, mem->m_hDC, 0, 0, SKIN_KEY_COLOUR);
  return TRUE;
}

void Dlg_Base::RemovePanel(Dlg_Base*) {}
void Dlg_Base::StartScan(void*) {}
void Dlg_Base::StopScan() {}
void Dlg_Base::WaitScanEnd() {}
void Dlg_Base::SetRunning(bool) {}
bool Dlg_Base::IsScanDone() { return false; }
bool Dlg_Base::IsInputValid() { return false; }
CString Dlg_Base::GetStatusText() { return CString(); }

void Dlg_Base::SetUpgradeFileTexts(const wchar_t* first, const wchar_t* second) {
  m_Texts[3] = first ? first : L"";
  m_Texts[4] = second ? second : L"";
}

void Dlg_Base::Warn(UINT textId) {
  JMessageBox box(textId, IDS_TITLE_WARNING, jmsgbox::TYPE_WARNING, this);
  box.DoModal();
}

void Dlg_Base::ShiftChild(CWnd* child, int dx) {
  if (!child || !child->m_hWnd) return;
  RECT rc;
  child->GetWindowRect(&rc);
  ScreenToClient(&rc);
  child->MoveWindow(rc.left + dx, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

void Dlg_Base::LayoutChildren(CDC* dc, const std::vector<std::pair<UINT, UINT>>& controlsAndLabels,
                              int gapAfterLabel, int gapAfterControl, int, int x, int y) {
  if (!dc) return;
  RECT text{x, y, x, y};
  for (const auto& entry : controlsAndLabels) {
    CString label = LoadLangString(entry.second);
    RECT measured{text.left, y, text.left, y};
    dc->DrawText(label, &measured, DT_CALCRECT | DT_NOPREFIX);
    CWnd* control = GetDlgItem((int)entry.first);
    int controlWidth = 0;
    if (control) {
      control->SetWindowPos(nullptr, measured.right + gapAfterLabel, y, 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      RECT cr;
      control->GetClientRect(&cr);
      controlWidth = cr.right - cr.left;
    }
    dc->DrawText(label, &measured, DT_CENTER | DT_NOPREFIX);
    text.left = measured.right + controlWidth + gapAfterControl;
    if (control) AddChildToRegion(control);
  }
}

void Dlg_Base::OnPaint() {
  m_OpeningPaint = true;
  m_SkinDrawnByErase = false;
  CPaintDC dc(this);
  m_OpeningPaint = false;
  // The erase drew the same skin with the same clipping: drawing it twice costs a skinned
  // window's paint double (each under Wine several milliseconds) for the same pixels.
  if (!m_SkinDrawnByErase) DrawBackground(&dc);
  m_SkinDrawnByErase = false;
}

BOOL Dlg_Base::OnEraseBkgnd(CDC* dc) {
  const BOOL drawn = DrawBackground(dc);
  if (m_OpeningPaint && drawn) m_SkinDrawnByErase = true;
  return drawn;
}

LRESULT Dlg_Base::OnDeviceStatus(WPARAM row, LPARAM resultId) {
  UINT id = (UINT)resultId;
  COLORREF colour = g_SuccessIds.count(id) ? STATUS_OK_COLOUR : STATUS_FAIL_COLOUR;
  if (g_pDeviceRows) g_pDeviceRows->SetStatusCell(row, colour, LoadLangString(id));
  return 0;
}

LRESULT Dlg_Base::OnDeviceFirmware(WPARAM row, LPARAM text) {
  if (g_pDeviceRows && text)
    g_pDeviceRows->SetFirmwareCell(row, CString(reinterpret_cast<const wchar_t*>(text)));
  return 0;
}

LRESULT Dlg_Base::OnDeviceAddress(WPARAM row, LPARAM text) {
  if (g_pDeviceRows && text)
    g_pDeviceRows->SetAddressCell(row, CString(reinterpret_cast<const wchar_t*>(text)));
  return 0;
}
