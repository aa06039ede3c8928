#include "app/device_list/dlg_add_remove_win.h"

#include <optional>

#include "app/device_list/manual_add.h"
#include "device/http_port_map.h"
#include "kit/jgridtree.h"
#include "kit/lang.h"
#include "kit/palette.h"

std::wstring g_ManualAddIp;
std::wstring g_ManualRemoveIp;

namespace {

constexpr int kLineX = 5, kLineY = 10;
constexpr int kGapAfterLabel = 5, kGapAfterControl = 15;
constexpr int kAddressWidth = 150, kPortWidth = 60, kFieldHeight = 20;
constexpr int kButtonWidth = 109, kButtonHeight = 26;

std::wstring TextOf(CWnd& w) { return w.m_hWnd ? std::wstring(w.GetWindowTextString().GetString()) : std::wstring(); }


}  // namespace

Dlg_AddRemove::Dlg_AddRemove()
    : Dlg_Base(IDD, nullptr), m_Template(WS_CHILD | DS_CONTROL | WS_CLIPCHILDREN, 0, 0, 522, 32) {
  m_FollowsLanguage = true;  // part of the main window
  m_Template.AddControl(WC_IPADDRESSW, L"", IDC_ADDRESS, WS_TABSTOP, 60, 5, 80, 12);
  m_Template.AddControl(L"EDIT", L"", IDC_PORT, ES_NUMBER | ES_CENTER | ES_AUTOHSCROLL | WS_TABSTOP, 180, 5, 30, 12);
  m_Template.AddControl(L"BUTTON", L"", IDC_ADD, BS_OWNERDRAW | WS_TABSTOP, 220, 5, 55, 14);
  m_Template.AddControl(L"BUTTON", L"", IDC_REMOVE, BS_OWNERDRAW | WS_TABSTOP, 280, 5, 55, 14);
}

BOOL Dlg_AddRemove::CreateStrip(CWnd* grid) { return CreateIndirect(m_Template.Get(), grid); }

CWnd* Dlg_AddRemove::MakeForGrid(CWnd* grid) {
  auto* strip = new Dlg_AddRemove();
  if (!strip->CreateStrip(grid)) {
    delete strip;
    return nullptr;
  }
  return strip;
}

void Dlg_AddRemove::DoDataExchange(CDataExchange* dx) {
  Dlg_Base::DoDataExchange(dx);
  DDX_Control(dx, IDC_ADD, m_Add);
  DDX_Control(dx, IDC_REMOVE, m_Remove);
  DDX_Control(dx, IDC_ADDRESS, m_Address);
  DDX_Control(dx, IDC_PORT, m_Port);
}

BOOL Dlg_AddRemove::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  m_Address.SetFont(&g_Font);
  m_Port.SetFont(&g_Font);
  m_Port.LimitText(5);
  m_Address.MoveWindow(0, 0, kAddressWidth, kFieldHeight, FALSE);
  m_Port.MoveWindow(0, 0, kPortWidth, kFieldHeight, FALSE);
  for (JButton* b : {&m_Add, &m_Remove}) b->m_BackColour = SKIN_WHITE;
  LayoutStrip();
  return TRUE;
}

void Dlg_AddRemove::LayoutStrip() {
  for (JButton* b : {&m_Add, &m_Remove}) {
    if (!b->m_hWnd) continue;
    b->SetWindowText(LoadLangString(static_cast<UINT>(b->GetDlgCtrlID())));
    b->SetImages(335, 338, 337, 336, kButtonWidth, kButtonHeight);
  }
  if (!m_hWnd) return;
  // The controls move with the labels of the new language: the skin's holes follow them.
  ResetChildRegion();
  Invalidate(TRUE);
}

void Dlg_AddRemove::LayoutLine(CDC* dc) {
  LayoutChildren(dc, {{IDC_ADDRESS, kLabelDevice}, {IDC_PORT, kLabelPort}, {IDC_ADD, 0}, {IDC_REMOVE, 0}},
                 kGapAfterLabel, kGapAfterControl, 0, kLineX, kLineY);
}

int Dlg_AddRemove::NeededWidth() {
  if (!m_hWnd) return 0;
  CRect r;
  m_Remove.GetWindowRect(&r);
  ScreenToClient(&r);
  return r.right + kLineX;
}

void Dlg_AddRemove::DrawSkin(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  dc->FillSolidRect(&client, SKIN_WHITE);
  dc->SetTextColor(SKIN_TEXT_COLOUR);
  LayoutLine(dc);
  FrameChild(dc, &m_Address);
  FrameChild(dc, &m_Port);
}

CWnd* Dlg_AddRemove::MainWindow() {
  CWnd* grid = GetParent();
  return grid ? grid->GetParent() : nullptr;
}

void Dlg_AddRemove::OnBnClickedAdd() {
  g_ManualAddIp = m_Address.AddressText();
  const std::wstring port = TextOf(m_Port);
  // Device rows that already show the address: one is that device, two are a conflict.
  int rows = 0;
  if (JTreeCtrl* tree = g_pDeviceGrid ? g_pDeviceGrid->GetTree() : nullptr)
    for (RowHandle row : tree->GetAllRows()) {
      std::optional<RowData> data = tree->GetRow(row);
      if (data && data->parent == kRootRow && !data->cells.empty() && data->cells[0] == g_ManualAddIp) ++rows;
    }
  if (const unsigned message = CheckManualAdd(g_ManualAddIp, port, rows)) {
    ShowMessageBox(message);
    return;
  }
  g_HttpPortMap.Set(g_ManualAddIp, ParseHttpPort(port));
  if (CWnd* main = MainWindow())
    main->PostMessage(WM_MANUAL_DEVICES_CHANGED, 0, reinterpret_cast<LPARAM>(g_ManualAddIp.c_str()));
  m_Address.ClearAddress();
  m_Port.SetWindowText(L"");
}

void Dlg_AddRemove::OnBnClickedRemove() {
  g_ManualRemoveIp = m_Address.AddressText();
  if (CWnd* main = MainWindow())
    main->PostMessage(WM_MANUAL_DEVICES_CHANGED, 1, reinterpret_cast<LPARAM>(g_ManualRemoveIp.c_str()));
  m_Address.ClearAddress();
  m_Port.SetWindowText(L"");
}

BOOL Dlg_AddRemove::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case IDC_ADD:
        OnBnClickedAdd();
        return TRUE;
      case IDC_REMOVE:
        OnBnClickedRemove();
        return TRUE;
      default:
        break;
    }
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}
