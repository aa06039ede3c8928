#include "dialogs/ip_set/dlg_ipset_win.h"

#include <algorithm>

#include "kit/lang.h"
#include "kit/palette.h"
#include "port/net.h"

namespace {

constexpr int kRadioX = 30;
constexpr int kRadioY[2] = {18, 44};
constexpr int kLabelY[3] = {85, 115, 145};
constexpr int kFieldGap = 10;   // between a label and its field
constexpr int kFieldWidth = 150;
constexpr int kFieldHeight = 20;
constexpr int kMargin = 15;     // kept free at the dialog's sides
constexpr int kApplyX = 120;
constexpr int kStaticSize[2] = {362, 250};
constexpr int kDynamicSize[2] = {362, 150};

}  // namespace

Dlg_IPSet::Dlg_IPSet(CWnd* owner, ApplyFn apply)
    : Dlg_Base(IDD, owner),
      m_ApplyFn(std::move(apply)),
      m_Template(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 240, 160) {
  m_Template.AddControl(L"BUTTON", L"", IDC_DYNAMIC, BS_OWNERDRAW | WS_TABSTOP, 10, 10, 80, 10);
  m_Template.AddControl(L"BUTTON", L"", IDC_STATIC, BS_OWNERDRAW | WS_TABSTOP, 10, 25, 80, 10);
  for (UINT id : {IDC_START, IDC_NETMASK, IDC_GATEWAY})
    m_Template.AddControl(WC_IPADDRESSW, L"", static_cast<WORD>(id), WS_TABSTOP, 80, 50, 90, 12);
  m_Template.AddControl(L"BUTTON", L"", IDC_APPLY, BS_OWNERDRAW | WS_TABSTOP, 80, 120, 70, 16);
  InitModalIndirect(m_Template.Get(), owner);
}

void Dlg_IPSet::DoDataExchange(CDataExchange* dx) {
  Dlg_Base::DoDataExchange(dx);
  DDX_Control(dx, IDC_DYNAMIC, m_Dynamic);
  DDX_Control(dx, IDC_STATIC, m_Static);
  DDX_Control(dx, IDC_START, m_Start);
  DDX_Control(dx, IDC_NETMASK, m_Netmask);
  DDX_Control(dx, IDC_GATEWAY, m_Gateway);
  DDX_Control(dx, IDC_APPLY, m_Apply);
}

BOOL Dlg_IPSet::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  int i = 0;
  for (JButton* radio : {&m_Dynamic, &m_Static}) {
    radio->m_GroupId = 0;
    radio->m_BackColour = SKIN_WHITE;
    radio->MoveWindow(kRadioX, kRadioY[i++], 20, 14, FALSE);
    radio->SetImages(333, 333, 332, 333, 14, 14);
    m_RadioButtons.push_back(radio);
  }
  m_Dynamic.SetChecked(true);
  m_Apply.m_BackColour = SKIN_WHITE;
  m_Apply.SetImages(335, 338, 337, 336, 109, 26);
  for (JIPAddressCtrl* f : {&m_Start, &m_Netmask, &m_Gateway}) f->SetFont(&g_Font);

  // The labels' right edge: 120, or as far right as the longest label needs.
  int widest = 0;
  {
    CClientDC dc(this);
    CFont* old = dc.SelectObject(&g_Font);
    for (UINT id : kLabelIds) {
      CRect r(0, 0, 0, 0);
      dc.DrawText(LoadLangString(id), &r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
      widest = std::max(widest, static_cast<int>(r.Width()));
    }
    dc.SelectObject(old);
  }
  m_LabelRight = std::max(120, kMargin + widest);
  PutDefaults();
  Layout();
  return TRUE;
}

void Dlg_IPSet::PutDefaults() {
  m_Start.SetAddress(kDefaultStart);
  m_Netmask.SetAddress(kDefaultNetmask);
  m_Gateway.SetAddress(kDefaultGateway);
}

void Dlg_IPSet::Layout() {
  const bool fields = StaticMode();
  const int fieldX = m_LabelRight + kFieldGap;
  int i = 0;
  for (JIPAddressCtrl* f : {&m_Start, &m_Netmask, &m_Gateway}) {
    f->MoveWindow(fieldX, kLabelY[i++] - 3, kFieldWidth, kFieldHeight, FALSE);
    f->ShowWindow(fields ? SW_SHOW : SW_HIDE);
  }
  const int applyY = fields ? 180 : 80;
  m_Apply.SetWindowPos(nullptr, kApplyX + (m_LabelRight - 120), applyY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

  // The dialog's size, wider when a label or a radio caption needs it.
  CRect radio1, radio2, window, client;
  m_Dynamic.GetWindowRect(&radio1);
  m_Static.GetWindowRect(&radio2);
  ScreenToClient(&radio1);
  ScreenToClient(&radio2);
  GetWindowRect(&window);
  GetClientRect(&client);
  const int frame = window.Width() - client.Width();
  const int needed = std::max({fieldX + kFieldWidth, static_cast<int>(radio1.right), static_cast<int>(radio2.right)}) +
                     kMargin + frame;
  const int* size = fields ? kStaticSize : kDynamicSize;
  SetWindowPos(nullptr, 0, 0, std::max(size[0], needed), size[1], SWP_NOMOVE | SWP_NOZORDER);

  ResetChildRegion();
  for (CWnd* c : {static_cast<CWnd*>(&m_Dynamic), static_cast<CWnd*>(&m_Static), static_cast<CWnd*>(&m_Apply),
                  static_cast<CWnd*>(&m_Start), static_cast<CWnd*>(&m_Netmask), static_cast<CWnd*>(&m_Gateway)})
    AddChildToRegion(c);
  Invalidate(TRUE);
}

void Dlg_IPSet::DrawSkin(CDC* dc) {
  if (!StaticMode()) return;
  int i = 0;
  for (JIPAddressCtrl* f : {&m_Start, &m_Netmask, &m_Gateway}) {
    FrameChild(dc, f);
    DrawTextAt(dc, m_LabelRight, kLabelY[i], LoadLangString(kLabelIds[i]), true);
    ++i;
  }
}

BOOL Dlg_IPSet::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case IDC_DYNAMIC:
        OnBnClickedDefault();
        return TRUE;
      case IDC_STATIC:
        OnBnClicked1022();
        return TRUE;
      case IDC_APPLY:
        OnBnClickedOk();
        return TRUE;
      default:
        break;
    }
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}

void Dlg_IPSet::OnBnClickedDefault() {
  PutDefaults();
  Layout();
}

void Dlg_IPSet::OnBnClicked1022() { Layout(); }

std::uint32_t Dlg_IPSet::AddressOf(const JIPAddressCtrl& field) {
  DWORD a = 0;
  field.GetAddress(a);
  return static_cast<std::uint32_t>(a);
}

void Dlg_IPSet::OnBnClickedOk() {
  IpSetInput input;
  input.dynamic = !StaticMode();
  input.start = AddressOf(m_Start);
  input.netmask = AddressOf(m_Netmask);
  input.gateway = AddressOf(m_Gateway);
  const int message = m_ApplyFn ? m_ApplyFn(input, port::FormatIPv4(input.netmask), port::FormatIPv4(input.gateway)) : 0;
  if (message != 0) {
    Warn(static_cast<UINT>(message));
    return;
  }
  EndDialog(IDOK);
}
