#include "app/range_scan/dlg_scan_win.h"

#include <algorithm>

#include "app/batch/batch_ui_win.h"
#include "app/device_list/manual_add.h"
#include "app/threads/message_pump_win.h"
#include "app/threads/worker_thread.h"
#include "kit/jmessagebox.h"
#include "kit/lang.h"
#include "kit/palette.h"

namespace {

// The panel: labels right-aligned at the labels' edge, each field 10 px after it.
constexpr int kLabelY[3] = {23, 55, 88};
constexpr int kMinLabelRight = 150;
constexpr int kLabelLeft = 24;
constexpr int kFieldGap = 10;
constexpr int kAddressWidth = 150, kPortWidth = 60, kFieldHeight = 20;
constexpr int kRemoveX = 320, kRemoveY = 35, kRemoveSize = 30;
constexpr int kSideMargin = 20;
// The dialog: two zones in view, the buttons in a row below.
constexpr int kViewZones = 2;
constexpr int kButtonWidth = 109, kButtonHeight = 26, kButtonGap = 15;
constexpr UINT kScanningText = 638, kCompletedText = 639;
constexpr UINT kPleaseWait = 558;

int TextWidth(CDC* dc, UINT id) {
  CRect r(0, 0, 0, 0);
  dc->DrawText(LoadLangString(id), &r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  return r.Width();
}

// A skinned push button at least as wide as its caption needs.
void SkinButton(JButton& b, CDC* dc) {
  b.m_BackColour = SKIN_WHITE;
  const int need = TextWidth(dc, static_cast<UINT>(b.GetDlgCtrlID())) + 20;
  b.SetImages(335, 338, 337, 336, std::max(kButtonWidth, need), kButtonHeight);
}

}  // namespace

// ---- a zone ---------------------------------------------------------------------------------

Dlg_ScanBlock::Dlg_ScanBlock(bool removable)
    : Dlg_Base(IDD, nullptr),
      m_Removable(removable),
      m_Template(WS_CHILD | DS_CONTROL | WS_CLIPCHILDREN, 0, 0, 234, 73) {
  m_Template.AddControl(WC_IPADDRESSW, L"", IDC_START, WS_TABSTOP, 100, 10, 80, 12);
  m_Template.AddControl(WC_IPADDRESSW, L"", IDC_END, WS_TABSTOP, 100, 30, 80, 12);
  m_Template.AddControl(L"EDIT", L"", IDC_PORT, ES_NUMBER | ES_CENTER | ES_AUTOHSCROLL | WS_TABSTOP, 100, 50, 30, 12);
  m_Template.AddControl(L"BUTTON", L"", IDC_REMOVE, BS_OWNERDRAW | WS_TABSTOP, 190, 20, 20, 20);
}

BOOL Dlg_ScanBlock::CreatePanel(CWnd* container) { return CreateIndirect(m_Template.Get(), container); }

void Dlg_ScanBlock::DoDataExchange(CDataExchange* dx) {
  Dlg_Base::DoDataExchange(dx);
  DDX_Control(dx, IDC_START, m_Start);
  DDX_Control(dx, IDC_END, m_End);
  DDX_Control(dx, IDC_PORT, m_Port);
  DDX_Control(dx, IDC_REMOVE, m_Remove);
}

BOOL Dlg_ScanBlock::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  m_Start.SetFont(&g_Font);
  m_End.SetFont(&g_Font);
  m_Port.SetFont(&g_Font);
  m_Port.LimitText(5);
  m_Remove.m_BackColour = SKIN_WHITE;
  m_Remove.SetImages(372, 372, 372, 372, kRemoveSize, kRemoveSize);
  m_Remove.ShowWindow(m_Removable ? SW_SHOW : SW_HIDE);
  return TRUE;
}

int Dlg_ScanBlock::LabelRight(CDC* dc) {
  int widest = 0;
  for (UINT id : {kLabelStart, kLabelEnd, kLabelPort}) widest = std::max(widest, TextWidth(dc, id));
  return std::max(kMinLabelRight, kLabelLeft + widest);
}

int Dlg_ScanBlock::NeededWidth(int labelRight) {
  const int removeX = std::max(kRemoveX, labelRight + kFieldGap + kAddressWidth + kFieldGap);
  return removeX + kRemoveSize + kSideMargin;
}

void Dlg_ScanBlock::Layout(int labelRight) {
  m_LabelRight = labelRight;
  const int x = labelRight + kFieldGap;
  m_Start.MoveWindow(x, kLabelY[0] - 3, kAddressWidth, kFieldHeight, FALSE);
  m_End.MoveWindow(x, kLabelY[1] - 3, kAddressWidth, kFieldHeight, FALSE);
  m_Port.MoveWindow(x, kLabelY[2] - 3, kPortWidth, kFieldHeight, FALSE);
  const int removeX = std::max(kRemoveX, x + kAddressWidth + kFieldGap);
  m_Remove.MoveWindow(removeX, kRemoveY, kRemoveSize, kRemoveSize, FALSE);
  ResetChildRegion();
  for (CWnd* c : {static_cast<CWnd*>(&m_Start), static_cast<CWnd*>(&m_End), static_cast<CWnd*>(&m_Port),
                  static_cast<CWnd*>(&m_Remove)})
    AddChildToRegion(c);
  Invalidate(TRUE);
}

void Dlg_ScanBlock::DrawSkin(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  dc->FillSolidRect(&client, SKIN_WHITE);
  CPen* old = dc->SelectObject(&g_PenFrame);
  dc->MoveTo(30, client.bottom - 1);
  dc->LineTo(client.right - 30, client.bottom - 1);
  dc->SelectObject(old);
  dc->SetTextColor(SKIN_TEXT_COLOUR);
  const UINT labels[3] = {kLabelStart, kLabelEnd, kLabelPort};
  for (int i = 0; i < 3; ++i) DrawTextAt(dc, m_LabelRight, kLabelY[i], LoadLangString(labels[i]), true);
  FrameChild(dc, &m_Start);
  FrameChild(dc, &m_End);
  FrameChild(dc, &m_Port);
}

LRESULT Dlg_ScanBlock::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  // A removed zone: the container closes it from inside its own remove button's click, so it
  // is only hidden here; its window goes with the dialog's.
  if (msg == WM_CLOSE) {
    ShowWindow(SW_HIDE);
    return 0;
  }
  return Dlg_Base::WindowProc(msg, wParam, lParam);
}

BOOL Dlg_ScanBlock::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_REMOVE) {
    OnBnClickedRemove();
    return TRUE;
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}

void Dlg_ScanBlock::OnBnClickedRemove() {
  // The container's parent is the dialog that owns the panels.
  CWnd* container = GetParent();
  if (auto* owner = dynamic_cast<Dlg_Base*>(container ? container->GetParent() : nullptr)) owner->RemovePanel(this);
}

bool Dlg_ScanBlock::Zone(ScanZone* zone) const {
  return MakeScanZone(m_Start.AddressText(), m_End.AddressText(), m_Port.GetWindowTextString().GetString(), zone);
}

void Dlg_ScanBlock::StartScan(void* start) {
  m_Run = static_cast<ScanStart*>(start);
  ScanZone zone;
  if (!m_Run || !Zone(&zone)) return;
  m_Index = static_cast<int>(m_Run->zones.size());
  m_Run->zones.push_back(zone);
}

void Dlg_ScanBlock::SetRunning(bool running) {
  if (!running && m_Run && m_Run->scan) m_Run->scan->Stop();
}

bool Dlg_ScanBlock::IsScanDone() { return !m_Run || !m_Run->scan || m_Run->scan->ZoneDone(m_Index); }

void Dlg_ScanBlock::WaitScanEnd() {
  WaitPumping([this] { return IsScanDone(); }, PumpMessages);
}

bool Dlg_ScanBlock::IsInputValid() {
  // An address field always has a text ("0.0.0.0" when blank): only the port can be missing.
  return m_Port.m_hWnd && m_Port.GetWindowTextLength() > 0;
}

CString Dlg_ScanBlock::GetStatusText() {
  return m_Run && m_Run->scan ? CString(m_Run->scan->StatusText(m_Index).c_str()) : CString();
}

// ---- the dialog --------------------------------------------------------------------------

Dlg_Scan::Dlg_Scan(CWnd* owner, RangeScanHooks hooks)
    : Dlg_Base(IDD, owner),
      m_Hooks(std::move(hooks)),
      m_Template(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 250, 200) {
  m_Template.AddControl(L"BUTTON", L"", IDC_ADD_ZONE, BS_OWNERDRAW | WS_TABSTOP, 10, 170, 70, 16);
  m_Template.AddControl(L"BUTTON", L"", IDC_APPLY, BS_OWNERDRAW | WS_TABSTOP, 100, 170, 70, 16);
  InitModalIndirect(m_Template.Get(), owner);
}

Dlg_Scan::~Dlg_Scan() {
  // Never left running: the scan reports to windows that may be going.
  StopForClose();
  WaitPumping([this] { return ScanEnded(); }, PumpMessages);
  m_Run.scan.reset();
}

void Dlg_Scan::DoDataExchange(CDataExchange* dx) {
  Dlg_Base::DoDataExchange(dx);
  DDX_Control(dx, IDC_ADD_ZONE, m_AddZone);
  DDX_Control(dx, IDC_APPLY, m_Apply);
}

BOOL Dlg_Scan::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  {
    CClientDC dc(this);
    CFont* old = dc.SelectObject(&g_Font);
    m_LabelRight = Dlg_ScanBlock::LabelRight(&dc);
    SkinButton(m_AddZone, &dc);
    SkinButton(m_Apply, &dc);
    dc.SelectObject(old);
  }
  // The dialog is as wide as a zone needs, with room for the container's scroll bar.
  CRect window, client;
  GetWindowRect(&window);
  GetClientRect(&client);
  CRect add, apply;
  m_AddZone.GetWindowRect(&add);
  m_Apply.GetWindowRect(&apply);
  const int buttons = add.Width() + kButtonGap + apply.Width() + 2 * kSideMargin;
  const int width = std::max(Dlg_ScanBlock::NeededWidth(m_LabelRight) + RWnd::kScrollBarWidth, buttons);
  const int height = kViewZones * Dlg_ScanBlock::kHeight + kButtonRow;
  SetWindowPos(nullptr, 0, 0, width + window.Width() - client.Width(), height + window.Height() - client.Height(),
               SWP_NOMOVE | SWP_NOZORDER);
  CenterWindow();
  GetClientRect(&client);

  m_Container.CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                       CRect(0, 0, client.Width(), client.Height() - kButtonRow), this, 0);
  AddPanel(false);
  Layout();
  return TRUE;
}

void Dlg_Scan::Layout() {
  CRect client, add, apply;
  GetClientRect(&client);
  m_AddZone.GetWindowRect(&add);
  m_Apply.GetWindowRect(&apply);
  const int total = add.Width() + kButtonGap + apply.Width();
  const int x = (client.Width() - total) / 2;
  const int y = client.bottom - kButtonRow + (kButtonRow - kButtonHeight) / 2;
  m_AddZone.MoveWindow(x, y, add.Width(), add.Height(), FALSE);
  m_Apply.MoveWindow(x + add.Width() + kButtonGap, y, apply.Width(), apply.Height(), FALSE);
  ResetChildRegion();
  AddChildToRegion(&m_AddZone);
  AddChildToRegion(&m_Apply);
  AddChildToRegion(&m_Container);
  Invalidate(TRUE);
}

void Dlg_Scan::DrawSkin(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  dc->FillSolidRect(&client, SKIN_WHITE);
}

Dlg_ScanBlock* Dlg_Scan::AddPanel(bool removable) {
  auto panel = std::make_unique<Dlg_ScanBlock>(removable);
  if (!panel->CreatePanel(&m_Container)) return nullptr;
  panel->Layout(m_LabelRight);
  CRect box;
  m_Container.GetClientRect(&box);
  m_Container.AddChild(panel.get(), box.Width(), m_NextTop - m_Container.GetScrollPos(), Dlg_ScanBlock::kHeight);
  m_NextTop += Dlg_ScanBlock::kHeight;
  m_Panels.push_back(std::move(panel));
  return m_Panels.back().get();
}

Dlg_ScanBlock* Dlg_Scan::Panel(int index) const {
  if (index < 0 || index >= PanelCount()) return nullptr;
  return static_cast<Dlg_ScanBlock*>(m_Container.m_Children[static_cast<std::size_t>(index)]);
}

void Dlg_Scan::OnBnClickedAddBlock() {
  if (PanelCount() >= kMaxScanZones) return;
  AddPanel(true);
  if (PanelCount() >= kMaxScanZones) m_AddZone.EnableWindow(FALSE);
  m_Container.SetScrollRange();
}

void Dlg_Scan::RemovePanel(Dlg_Base* panel) {
  m_Container.RemoveChild(panel);
  m_NextTop = PanelCount() * Dlg_ScanBlock::kHeight;
}

void Dlg_Scan::StopScan() {
  m_Container.StopAll();
  m_StopFlag = true;
}

CString Dlg_Scan::GetPanelStatusText(int index) {
  Dlg_ScanBlock* p = Panel(index);
  return p ? p->GetStatusText() : CString();
}

void Dlg_Scan::OnBnClickedScan() {
  if (m_Run.scan) return;
  if (!m_Container.AreAllInputsValid()) {
    ShowMessageBox(kAddNoPort);
    return;
  }
  for (int i = 0; i < PanelCount(); ++i) {
    ScanZone zone;
    if (!Panel(i)->Zone(&zone)) {
      ShowMessageBox(kAddBadPort);
      return;
    }
  }
  m_StopFlag = false;
  RunScanWait();
  EndDialog(IDOK);
}

void Dlg_Scan::RunScanWait() {
  m_Container.StartAll(&m_Run);
  g_MessageBoxTexts.Clear();
  auto gate = std::make_shared<WaitBoxGate>();
  RangeScanHooks hooks = m_Hooks;
  hooks.line = [](int zone, const std::wstring& text) { g_MessageBoxTexts.Set(zone, text); };
  hooks.closeBox = [gate] { gate->Close(); };
  ScanTexts texts;
  texts.scanning = LoadLangString(kScanningText).GetString();
  texts.completed = LoadLangString(kCompletedText).GetString();
  m_Run.scan = std::make_unique<RangeScan>(m_Run.zones, hooks, texts);
  m_Run.scan->Start();
  GatedWaitBox box(kPleaseWait, gate, jmsgbox::TYPE_WAIT_STOP, this, static_cast<int>(m_Run.zones.size()));
  box.DoModal();
  // The scan closed the box when it had saved; a box that went another way (the program
  // closes) leaves the scan to end here, while messages are handled.
  if (!m_Run.scan->Ended()) m_Run.scan->Stop();
  WaitPumping([this] { return ScanEnded(); }, PumpMessages);
}

void Dlg_Scan::StopForClose() {
  if (m_Run.scan) StopScan();
}

bool Dlg_Scan::ScanEnded() const { return !m_Run.scan || m_Run.scan->Ended(); }

BOOL Dlg_Scan::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case IDC_ADD_ZONE:
        OnBnClickedAddBlock();
        return TRUE;
      case IDC_APPLY:
        OnBnClickedScan();
        return TRUE;
      default:
        break;
    }
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}
