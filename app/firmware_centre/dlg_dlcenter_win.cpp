#include "app/firmware_centre/dlg_dlcenter_win.h"

#include <algorithm>

#include "app/batch/batch_ui_win.h"
#include "app/firmware_centre/firmware_list_fetch_win.h"
#include "app/settings_file/settings_file.h"
#include "kit/browser.h"
#include "kit/jhtmldlg.h"
#include "kit/jmessagebox.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "res/strings/centre_strings.h"

namespace {

constexpr int kLinkHeight = 19;
constexpr int kLinkPadding = 6;  // beside a link's text
constexpr int kLinkTopAlone = 20, kLinkTopFirst = 12, kLinkTopSecond = 32;
constexpr int kSeparatorInset = 30;
constexpr int kButtonWidth = 109, kButtonHeight = 26;

int TextWidth(CWnd* w, const CString& text) {
  CClientDC dc(w);
  CFont* old = dc.SelectObject(&g_Font);
  CRect r(0, 0, 0, 0);
  dc.DrawText(text, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  dc.SelectObject(old);
  return r.Width();
}

}  // namespace

// ---- one group -------------------------------------------------------------------------

Dlg_RGroup::Dlg_RGroup(std::vector<std::wstring> addresses, std::wstring fwLogUrl, std::wstring ispLogUrl)
    : Dlg_Base(IDD, nullptr),
      m_Addresses(std::move(addresses)),
      m_FwLogUrl(std::move(fwLogUrl)),
      m_IspLogUrl(std::move(ispLogUrl)),
      m_Template(WS_CHILD | DS_CONTROL, 0, 0, 200, 50) {
  m_Template.AddControl(L"BUTTON", L"", IDC_FW_LOG, BS_OWNERDRAW | WS_TABSTOP, 120, 5, 60, 12);
  m_Template.AddControl(L"BUTTON", L"", IDC_ISP_LOG, BS_OWNERDRAW | WS_TABSTOP, 120, 20, 60, 12);
}

Dlg_RGroup::~Dlg_RGroup() {
  // The device buttons go before the row's window.
  m_Devices.clear();
}

BOOL Dlg_RGroup::CreateIn(CWnd* container) { return CreateIndirect(m_Template.Get(), container); }

int Dlg_RGroup::HeightFor(std::size_t devices) {
  const int n = static_cast<int>(devices);
  return std::max(14 * n + 40, kDeviceY + 20 * n + 2);
}

BOOL Dlg_RGroup::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  CDataExchange dx(this, FALSE);
  DDX_Control(&dx, IDC_FW_LOG, m_FwLog);
  DDX_Control(&dx, IDC_ISP_LOG, m_IspLog);
  m_FwLog.SetWindowText(LoadLangString(IDS_LINK_FW_LOG));
  m_IspLog.SetWindowText(LoadLangString(IDS_LINK_ISP_LOG));

  // The tick box and the device buttons have no id of their own, so no text of the string
  // table becomes their caption.
  m_Check.Create(L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                 CRect(kCheckX, kCheckY, kCheckX + 14, kCheckY + 14), this, 0);
  int y = kDeviceY;
  for (const std::wstring& address : m_Addresses) {
    auto button = std::make_unique<JButton>(jbutton::LAYOUT_IMAGE);
    button->m_BackColour = SKIN_WHITE;
    button->Create(address.c_str(), WS_CHILD | WS_VISIBLE | BS_OWNERDRAW,
                   CRect(kDeviceX, y, kDeviceX + kDeviceWidth, y + kDeviceHeight), this, 0);
    y += kDeviceHeight + 1;
    m_Devices.push_back(std::move(button));
  }
  const bool isp = !m_IspLogUrl.empty();
  m_FwLog.MoveWindow(kLinkX, isp ? kLinkTopFirst : kLinkTopAlone, kDeviceWidth, kLinkHeight, FALSE);
  m_IspLog.MoveWindow(kLinkX, kLinkTopSecond, kDeviceWidth, kLinkHeight, FALSE);
  m_IspLog.ShowWindow(isp ? SW_SHOW : SW_HIDE);
  LayoutButtons();
  return TRUE;
}

void Dlg_RGroup::LayoutButtons() {
  m_Check.m_BackColour = SKIN_WHITE;
  m_Check.SetImages(328, 328, 327, 329, 14, 14);
  for (auto& b : m_Devices) b->SetImages(0, 0, 0, 0, kDeviceWidth, kDeviceHeight);
  // Each link as wide as its text.
  for (JButton* link : {&m_FwLog, &m_IspLog}) {
    link->m_BackColour = SKIN_WHITE;
    link->SetImages(0, 0, 0, 0, TextWidth(this, link->m_Caption) + kLinkPadding, kLinkHeight);
  }
  ResetChildRegion();
  AddChildToRegion(&m_Check);
  for (auto& b : m_Devices) AddChildToRegion(b.get());
  AddChildToRegion(&m_FwLog);
  AddChildToRegion(&m_IspLog);
}

void Dlg_RGroup::DrawSkin(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  CPen* old = dc->SelectObject(&g_PenFrame);
  dc->MoveTo(kSeparatorInset, client.bottom - 1);
  dc->LineTo(client.right - kSeparatorInset, client.bottom - 1);
  dc->SelectObject(old);
}

BOOL Dlg_RGroup::DrawBackground(CDC* target) {
  CRect client;
  GetClientRect(&client);
  if (target) target->FillSolidRect(&client, SKIN_WHITE);
  return Dlg_Base::DrawBackground(target);
}

BOOL Dlg_RGroup::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDC_FW_LOG) {
      OpenInBrowser(m_FwLogUrl);
      return TRUE;
    }
    if (LOWORD(wParam) == IDC_ISP_LOG) {
      if (!m_IspLogUrl.empty()) OpenInBrowser(m_IspLogUrl);
      return TRUE;
    }
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}

LRESULT Dlg_RGroup::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_JBUTTON_CLICK) {
    // A device's button opens its web page with the login; the tick box only toggles.
    auto* sender = reinterpret_cast<JButton*>(wParam);
    for (auto& b : m_Devices)
      if (b.get() == sender && !sender->m_Caption.IsEmpty() && g_pHtmlDlg)
        g_pHtmlDlg->CallScript(sender->m_Caption.GetString());
  }
  return Dlg_Base::WindowProc(msg, wParam, lParam);
}

std::vector<CString> Dlg_RGroup::GetRowTexts() const {
  std::vector<CString> texts;
  for (const std::wstring& a : m_Addresses) texts.emplace_back(a.c_str());
  return texts;
}

// ---- the centre ------------------------------------------------------------------------

DlgDLCenter::DlgDLCenter(const BatchSelection& rows, const Login& login, CWnd* parent,
                         const FirmwareCentreServices& services)
    : Dlg_Base(IDD, parent),
      m_Selection(rows),
      m_Sites(services.sites ? *services.sites : fwlist::ReadSites(g_Settings.Document())),
      m_Template(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 265, 189) {
  FirmwareListFetcher* fetcher = services.fetcher;
  if (!fetcher) {
    m_OwnFetcher = std::make_unique<WinInetListFetcher>();
    fetcher = m_OwnFetcher.get();
  }
  m_Check = std::make_unique<FirmwareCheck>(m_Sites, login, *fetcher,
                                            services.io ? *services.io : HttpDeviceRequests());
  m_Template.AddControl(L"BUTTON", L"", IDC_APPLY, BS_OWNERDRAW | WS_TABSTOP, 100, 160, 60, 16);
  InitModalIndirect(m_Template.Get(), parent);
}

DlgDLCenter::~DlgDLCenter() {
  m_Check.reset();  // its threads end before the fetcher goes
  m_Rows.clear();
}

bool DlgDLCenter::RunCheck() {
  if (!m_Sites.Complete()) return false;
  std::vector<std::wstring> addresses;
  for (const BatchRow& r : m_Selection.rows) addresses.push_back(r.ip);
  auto gate = std::make_shared<WaitBoxGate>();
  m_Check->Start(addresses, gate);
  RunGatedWaitBox(kPleaseWait, gate, m_pParentWnd);
  // The box has gone: every device has been asked, or the program is closing under it.
  // Either way nothing of the check runs on.
  m_Check->Stop();
  m_Check->Join();
  return m_Check->ListsFetched();
}

void DlgDLCenter::DoDataExchange(CDataExchange* dx) {
  Dlg_Base::DoDataExchange(dx);
  DDX_Control(dx, IDC_APPLY, m_Apply);
}

BOOL DlgDLCenter::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  CRect window, client;
  GetWindowRect(&window);
  GetClientRect(&client);
  SetWindowPos(nullptr, 0, 0, kClientWidth + window.Width() - client.Width(),
               kClientHeight + window.Height() - client.Height(), SWP_NOMOVE | SWP_NOZORDER);
  const CRect inside(0, 0, kClientWidth, kClientHeight - kButtonArea);
  m_Container.CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, inside, this, IDC_CONTAINER);

  bool any = false;
  for (int i = 0; i < fwlist::kResultLists; ++i) any = any || !m_Check->Results(i).empty();
  if (!any) {
    JMessageBox box(kNoUpgrade, kTitleWarning, jmsgbox::TYPE_WARNING, m_pParentWnd);
    box.DoModal();
    EndDialog(IDCANCEL);
    return TRUE;
  }
  int y = 0;
  for (int i = 0; i < fwlist::kResultLists; ++i)
    if (!m_Check->Results(i).empty()) y += AddResultRow(i, y);

  m_Apply.m_BackColour = SKIN_WHITE;
  m_Apply.SetImages(335, 338, 337, 336, kButtonWidth, kButtonHeight);
  m_Apply.MoveWindow((kClientWidth - kButtonWidth) / 2, kClientHeight - kButtonArea + (kButtonArea - kButtonHeight) / 2,
                     kButtonWidth, kButtonHeight, FALSE);
  ResetChildRegion();
  AddChildToRegion(&m_Apply);
  AddChildToRegion(&m_Container);

  if (y > inside.Height()) {
    m_Container.m_ScrollBar.SetScrollRange(0, y - inside.Height(), FALSE);
    m_Container.m_ScrollBar.MoveWindow(inside.Width() - RWnd::kScrollBarWidth, 0, RWnd::kScrollBarWidth,
                                       inside.Height(), FALSE);
    m_Container.m_ScrollBar.ShowWindow(SW_SHOW);
  }
  // Over the dialog that opened it.
  CenterWindow();
  return TRUE;
}

int DlgDLCenter::AddResultRow(int index, int y) {
  std::vector<std::wstring> addresses = m_Check->Results(index);
  const int height = Dlg_RGroup::HeightFor(addresses.size());
  auto row = std::make_unique<Dlg_RGroup>(std::move(addresses), m_Check->FwLogUrl(index), m_Check->IspLogUrl(index));
  if (!row->CreateIn(&m_Container)) return 0;
  m_Container.AddChild(row.get(), kClientWidth, y, height);
  m_Rows.push_back(std::move(row));
  return height;
}

BOOL DlgDLCenter::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_APPLY) {
    OnBnClickedApply();
    return TRUE;
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}

void DlgDLCenter::OnBnClickedApply() {
  m_Chosen.clear();
  for (const CString& a : m_Container.GetChildren()) m_Chosen.emplace_back(a.GetString());
  EndDialog(IDOK);
}

void DlgDLCenter::OnMouseWheel(short delta) {
  m_Container.SetScrollPos(m_Container.GetScrollPos() + (delta > 0 ? -kWheelStep : kWheelStep));
  m_Container.ScrollTo();
}

LRESULT DlgDLCenter::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_MOUSEWHEEL) {
    OnMouseWheel(static_cast<short>(HIWORD(wParam)));
    return 0;
  }
  return Dlg_Base::WindowProc(msg, wParam, lParam);
}

CentreResult RunFirmwareCentre(CWnd* parent, const BatchSelection& rows, std::vector<std::wstring>* chosen,
                               const FirmwareCentreServices& services) {
  DlgDLCenter centre(rows, UserLogin(), parent, services);
  const bool checked = centre.RunCheck();
  // The program closed under the wait box: the dialog that asked is gone, and so is the centre.
  if (parent && !::IsWindow(parent->m_hWnd)) return CentreResult::Closed;
  if (!checked) return CentreResult::CannotStart;
  if (centre.DoModal() != IDOK) return CentreResult::Closed;
  if (chosen) *chosen = centre.Chosen();
  return CentreResult::Applied;
}
