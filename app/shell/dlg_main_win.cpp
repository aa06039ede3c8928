#include "app/shell/dlg_main_win.h"

#include <algorithm>
#include <ctime>
#include <cwchar>

#include "app/batch/batch_commands.h"
#include "app/shell/dlg_about_win.h"
#include "app/firmware_centre/dlg_dlcenter_win.h"
#include "app/batch/device_query.h"
#include "app/device_list/dlg_add_remove_win.h"
#include "app/device_list/manual_devices.h"
#include "app/device_list/manual_ip_settings.h"
#include "app/threads/message_pump_win.h"
#include "app/range_scan/range_scan_win.h"
#include "app/settings_file/settings_file.h"
#include "app/batch/system_command.h"
#include "app/batch/time_scale.h"
#include "device/adapters.h"
#include "device/device_info.h"
#include "device/firmware_upgrader.h"
#include "device/helpers.h"
#include "device/login.h"
#include "dialogs/device_settings/dlg_device_set_win.h"
#include "dialogs/maintenance/maintenance_commands_win.h"
#include "kit/jgridtree.h"
#include "port/pace_log.h"
#include "kit/jhtmldlg.h"
#include "kit/jmessagebox.h"
#include "kit/jtreectrl.h"
#include "kit/keyed_blt.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "kit/png_cache.h"
#include "port/text.h"
#include "res/strings/av_strings.h"

CEdit g_UserEdit;
CEdit g_PasswordEdit;

const UINT Dlg_Main::kButtonIds[kButtonCount] = {1003, 1005, 1004, 1006, 1007,
                                                 1008, 1009, 1010, 1012, 1011};

namespace {

constexpr UINT kDialogId = 312;
constexpr int kGridId = 2000;
constexpr wchar_t kDefaultPassword[] = L"740912";
constexpr UINT kTextAdapters = 565, kTextAccount = 566, kTextPassword = 567, kTextTotal = 569;
constexpr UINT kTextBasicSearch = 613, kTextAdvancedSearch = 614;

}  // namespace

Dlg_Main::Dlg_Main()
    : Dlg_Base(kDialogId, nullptr),
      m_Feed(m_List, DiscoveryFeed::Hooks{
                         [this](const DeviceRecord& r, unsigned long lp) { DeliverFromWorker(r, lp); },
                         [](int channel, const std::wstring& ip, DeviceRecord& r) {
                           return GetDeviceInfo(channel, ip, r);
                         },
                         [] { return g_pFirmwareUpgrader && g_pFirmwareUpgrader->IsRunning(); },
                         [](const DeviceRecord& r) {
                           if (g_pFirmwareUpgrader)
                             g_pFirmwareUpgrader->SetDeviceInfo(r[SLOT_MAC], r[SLOT_IP], r[SLOT_FIRMWARE]);
                         }}) {
  m_FollowsLanguage = true;
  for (JButton& b : m_Buttons) b.m_Style = jbutton::LAYOUT_TEXT;
  BatchEngine::Services services;
  services.clock = &ProductClock();
  services.report = &m_BatchUi;
  services.upgrader = g_pFirmwareUpgrader;
  m_Batch = std::make_unique<BatchEngine>(m_BatchUi, services);
  RegisterSystemCommands(*m_Batch);
  m_Batch->Register(CMD_IP_SET, [this] {
    return std::make_unique<IpSetOperationWin>(MainIpSetHost(*this, m_IpSetDiscovery, m_BatchUi));
  });
  RegisterDeviceSettings(*m_Batch, m_DeviceSettings);
  RegisterMaintenanceCommands(*m_Batch);
  m_Batch->Register(CMD_RANGE_SCAN, [this] {
    return std::make_unique<RangeScanOperationWin>(
        RangeScanHost{this, [this](const DeviceRecord& r, unsigned long lp) { DeliverFromWorker(r, lp); }});
  });
  // The grid's strip below the rows is the add/remove strip of the devices kept by hand.
  JGridTree::SetStripFactory(&Dlg_AddRemove::MakeForGrid);
  // The firmware dialog's network upgrade goes through the firmware check centre.
  SetFirmwareCentre([](CWnd* parent, const BatchSelection& rows, std::vector<std::wstring>* chosen) {
    return RunFirmwareCentre(parent, rows, chosen);
  });
}

Dlg_Main::~Dlg_Main() {
  // Nothing may still call into this window.
  m_QueryManualIps.RequestStop();
  m_QueryAddedDevices.RequestStop();
}

BOOL Dlg_Main::CreateMain(CWnd* frame) {
  m_UiThread = GetCurrentThreadId();
  // A child dialog in pixels of the frame's client area; its controls are placed by code.
  m_Template = std::make_unique<DialogTemplate>(WS_CHILD | DS_CONTROL | WS_CLIPCHILDREN, 0, 0, 500, 300, L"");
  m_Template->AddControl(L"BUTTON", L"", IDC_ABOUT, BS_OWNERDRAW, 5, 10, 40, 40);
  for (UINT id : kButtonIds) m_Template->AddControl(L"BUTTON", L"", static_cast<WORD>(id), BS_OWNERDRAW | WS_TABSTOP, 0, 0, 50, 14);
  m_Template->AddControl(L"COMBOBOX", L"", IDC_ADAPTERS,
                         CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
                         0, 0, 120, 100);
  m_Template->AddControl(L"COMBOBOX", L"", IDC_SEARCH_MODE,
                         CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
                         0, 0, 80, 60);
  m_Template->AddControl(L"EDIT", L"", IDC_USER, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 0, 60, 12);
  m_Template->AddControl(L"EDIT", L"", IDC_PASSWORD, ES_AUTOHSCROLL | ES_PASSWORD | WS_BORDER | WS_TABSTOP, 0, 0, 60, 12);
  return CreateIndirect(m_Template->Get(), frame);
}

void Dlg_Main::DoDataExchange(CDataExchange* dx) {
  Dlg_Base::DoDataExchange(dx);
  DDX_Control(dx, IDC_ABOUT, m_About);
  for (int i = 0; i < kButtonCount; ++i) DDX_Control(dx, static_cast<int>(kButtonIds[i]), m_Buttons[i]);
  DDX_Control(dx, IDC_ADAPTERS, m_Adapters);
  DDX_Control(dx, IDC_SEARCH_MODE, m_SearchMode);
  DDX_Control(dx, IDC_USER, g_UserEdit);
  DDX_Control(dx, IDC_PASSWORD, g_PasswordEdit);
}

JTreeCtrl* Dlg_Main::Tree() const { return g_pDeviceGrid ? g_pDeviceGrid->GetTree() : nullptr; }

BOOL Dlg_Main::OnInitDialog() {
  m_RefreshCount = 0;
  m_UiThread = GetCurrentThreadId();
  Dlg_Base::OnInitDialog();

  m_Adapters.SetFaceInParent(true);
  m_SearchMode.SetFaceInParent(true);
  m_About.MoveWindow(15, 30, 70, 80, FALSE);
  m_About.SetImages(334, 334, 334, 334, 70, 80);

  LoadSettings();

  g_UserEdit.SetWindowText(L"admin");
  g_PasswordEdit.SetWindowText(kDefaultPassword);
  FeedLogin();
  g_UserEdit.SetFont(&g_Font);
  g_PasswordEdit.SetFont(&g_Font);

  CRect client;
  GetClientRect(&client);
  if (g_pDeviceGrid) {
    CRect gridRect(0, kToolbarHeight, client.right, client.bottom > kToolbarHeight ? client.bottom : kToolbarHeight + 1);
    g_pDeviceGrid->Create(nullptr, L"", WS_CHILD | WS_VISIBLE, gridRect, this, kGridId);
    g_pDeviceGrid->Create();
    g_pDeviceGrid->SetColumns(g_ShowCameraName ? g_ColumnHeadersWithName : g_ColumnHeaders);
    // A row's link button opens the device's web page with the login.
    if (JTreeCtrl* tree = Tree())
      tree->SetLinkHandler([](const std::wstring& ip) {
        if (g_pHtmlDlg) g_pHtmlDlg->CallScript(ip);
      });
  }

  if (g_pDeviceSearcher) g_pDeviceSearcher->Start(this);

  std::vector<std::wstring> adapters;
  EnumLocalAdapters(adapters);
  for (const std::wstring& a : adapters) m_Adapters.AddString(a.c_str());
  m_Adapters.SetCurSel(0);

  // From here on the settings are this run's: they are written at close.
  g_Settings.Arm();
  return TRUE;
}

void Dlg_Main::LoadSettings() {
  std::map<std::wstring, std::wstring> manual;
  LoadManualIpSection(g_Settings.Document(), manual);
  m_List.SetManualDevices(manual);
  LoadManualAddedDevices(ExecutableFolder());
  LoadDeviceSettings(g_Settings.Document(), m_DeviceSettings);
  // Sections that nothing reads yet ([FW_DATA], [RS_DATA], ...) stay in the settings document
  // as loaded and are written back as they were.
}

void Dlg_Main::SaveSettings() {
  // The one write of the settings file at close: every section, the language last.
  SaveManualIpSection(g_Settings.Document(), m_List.ManualDevices());
  SaveDeviceSettings(g_Settings.Document(), m_DeviceSettings);
  WriteLanguageId(g_Settings.Document(), g_LanguageId);
  g_Settings.Save();
}

void Dlg_Main::FeedLogin() {
  SetUserLogin(g_UserEdit.GetWindowTextString().GetString(),
               g_PasswordEdit.GetWindowTextString().GetString());
}

std::wstring Dlg_Main::GetLocalIpString() const {
  int sel = m_Adapters.GetCurSel();
  if (sel < 0) return std::wstring();
  CString text;
  m_Adapters.GetLBText(sel, text);
  std::wstring t = text.GetString();
  std::size_t cut = t.find(L' ');
  return cut == std::wstring::npos ? t : t.substr(0, cut);
}

void Dlg_Main::LayoutToolbar() {
  int n = _wtoi(LoadLangString(634));
  if (n < 0 || n > kButtonCount) n = kButtonCount;
  int x = 135;
  for (int i = 0; i < kButtonCount; ++i) {
    if (i == n) x = 135;
    const int y = i < n ? 35 : (n == 0 ? 60 : 75);
    UINT png = 342;
    if (i == 0 || i == n) png = 343;
    else if (i == n - 1 || i == kButtonCount - 1) png = 344;
    CString caption = LoadLangString(kButtonIds[i]);
    m_Buttons[i].SetWindowText(caption);
    m_Buttons[i].MoveWindow(x, y, 30, 32, FALSE);
    // Layout 4 sizes the button to its caption plus 30 px; the 256-px strip image is drawn
    // whole and clipped to the button.
    m_Buttons[i].SetImages(png, png, png, png, 256, 32);
    CRect placed;
    m_Buttons[i].GetWindowRect(&placed);
    const int w = placed.Width();
    x += w;
  }
  LayoutStrip();
  if (auto* strip = g_pDeviceGrid ? dynamic_cast<Dlg_AddRemove*>(g_pDeviceGrid->GetStrip()) : nullptr)
    strip->LayoutStrip();
}

void Dlg_Main::LayoutStrip() {
  // Everything in the strip is placed from its texts in this language, measured in the skin
  // font: the search modes are the new language's, the adapters those listed.
  CClientDC screen(this);
  CFont* old = screen.SelectObject(&g_Font);
  auto width = [&](const CString& text) { return static_cast<int>(screen.GetTextExtent(text).cx); };
  ToolbarTexts t;
  t.adaptersLabel = width(LoadLangString(kTextAdapters));
  for (int i = 0; i < m_Adapters.GetCount(); ++i) {
    CString item;
    m_Adapters.GetLBText(i, item);
    t.adapterItems = std::max(t.adapterItems, width(item));
  }
  t.modeItems = std::max(width(LoadLangString(kTextBasicSearch)), width(LoadLangString(kTextAdvancedSearch)));
  t.account = width(LoadLangString(kTextAccount));
  t.password = width(LoadLangString(kTextPassword));
  TEXTMETRICW tm{};
  screen.GetTextMetrics(&tm);
  t.lineHeight = tm.tmHeight;
  screen.SelectObject(old);

  m_Strip = ComputeToolbarLayout(t);
  auto place = [](CWnd& w, const ToolbarRect& r, int height) { w.MoveWindow(r.x, r.y, r.w, height, FALSE); };
  place(m_Adapters, m_Strip.adapters, 200);  // the height of a list includes its drop-down
  place(m_SearchMode, m_Strip.mode, 200);
  place(g_UserEdit, m_Strip.account, m_Strip.account.h);
  place(g_PasswordEdit, m_Strip.password, m_Strip.password.h);
  for (JComboBox* c : {&m_Adapters, &m_SearchMode}) {
    // The field is as high as the strip lets it be, framed just inside it.
    c->SetItemHeight(-1, m_Strip.adapters.h - 6);
    c->UpdateFaceRect();
  }
}

void Dlg_Main::Relabel() {
  // Streams 1 and 2 start each language without a bitrate cap, in that language's words.
  for (int i = 0; i < 2; ++i) m_DeviceSettings.av.channels[i].MaxBitrate = LoadLangString(IDS_AV_UNLIMITED).GetString();
  // While a batch runs or a dialog is open, the rows are what the user works on: they stay,
  // relabelled where they are, in the search mode they were found in.
  const bool inPlace = (m_Batch && m_Batch->Busy()) || DialogOpen();
  const int mode = m_SearchMode.GetCurSel();
  LayoutToolbar();
  m_SearchMode.ResetContent();
  m_SearchMode.AddString(LoadLangString(kTextBasicSearch));
  m_SearchMode.AddString(LoadLangString(kTextAdvancedSearch));
  m_SearchMode.SetCurSel(inPlace && mode > 0 ? mode : 0);
  for (JButton& b : m_Buttons) b.m_BackColour = SKIN_WHITE;
  if (inPlace) RelabelRows();
  // The buttons, lists and fields have moved without repainting: the whole strip and every
  // control in it is drawn again, so that nothing of the last language's layout stays.
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  if (inPlace) return;
  ++m_RefreshCount;
  SearchDevices(m_SearchMode.GetCurSel() == 1);
}

bool Dlg_Main::DialogOpen() const {
  // A modal dialog or box disables the frame, its owner, until it closes.
  CWnd* frame = GetParent();
  return frame && frame->m_hWnd && !::IsWindowEnabled(frame->m_hWnd);
}

void Dlg_Main::RelabelRows() {
  if (!g_pDeviceGrid || !Tree()) return;
  g_pDeviceGrid->SetColumns(g_ShowCameraName ? g_ColumnHeadersWithName : g_ColumnHeaders);
  for (const auto& shown : m_StatusIds) OnDeviceStatus(static_cast<WPARAM>(shown.first), static_cast<LPARAM>(shown.second));
}

void Dlg_Main::Refresh() {
  Invalidate(FALSE);
  ++m_RefreshCount;
  SearchDevices(m_SearchMode.GetCurSel() == 1);
}

Dlg_Main::BusyScope::~BusyScope() {
  if (--m_w.m_BusyDepth > 0 || !m_w.m_CloseAsked) return;
  m_w.m_CloseAsked = false;
  if (CWnd* frame = m_w.GetParent()) frame->PostMessage(WM_CLOSE);
}

void Dlg_Main::SearchDevices(bool advanced) {
  // A search deletes every row: never while a batch reports to them.
  if (m_ShutDown || (m_Batch && m_Batch->Busy())) return;
  if (m_Searching) {
    m_SearchPending = true;
    return;
  }
  BusyScope busy(*this);
  m_Searching = true;
  RunSearch(advanced);
  while (m_SearchPending && !m_ShutDown) {
    m_SearchPending = false;
    RunSearch(m_SearchMode.GetCurSel() == 1);
  }
  m_SearchPending = false;
  m_Searching = false;
}

void Dlg_Main::RunSearch(bool advanced) {
  g_ShowCameraName = advanced;
  if (g_pDeviceSearcher) g_pDeviceSearcher->CloseSockets();
  // The previous search's queries end before their rows go.
  StopAndWait({&m_QueryManualIps, &m_QueryAddedDevices}, PumpMessages);
  if (JTreeCtrl* tree = Tree()) {
    tree->DeleteAllRows();
    g_pDeviceGrid->SetColumns(advanced ? g_ColumnHeadersWithName : g_ColumnHeaders);
    tree->SetChildRowsEnabled(advanced);
    if (JHeaderCtrl* header = g_pDeviceGrid->GetHeader()) header->SetCheckAll(false);
    g_pDeviceGrid->Relayout();
  }
  m_List.StartSearch(advanced);
  m_StatusIds.clear();
  StartQueryThreads();
  const std::wstring local = GetLocalIpString();
  if (g_pDeviceSearcher && !local.empty()) g_pDeviceSearcher->Search(port::ToLocal8(local));
  std::time_t now = std::time(nullptr);
  std::tm t = *std::localtime(&now);
  m_Export.Begin(ExecutableFolder(), ScanStamp(t));
  Invalidate(FALSE);
}

bool Dlg_Main::WatchSearch(const std::string& local, std::uint32_t userSearches) {
  if (!OnUiThread()) {
    const WatchSearchAsk ask{local, userSearches};
    return m_hWnd && SendMessage(WM_WATCH_SEARCH, 0, reinterpret_cast<LPARAM>(&ask)) != 0;
  }
  // The user's search owns the sockets from its start on, and its answers count for the watch.
  if (m_ShutDown || m_Searching || m_List.CurrentSearch() != userSearches || !g_pDeviceSearcher) return false;
  m_List.ClearSeenMacs();
  g_pDeviceSearcher->CloseSockets();
  g_pDeviceSearcher->Search(local);
  return true;
}

void Dlg_Main::RunCommand(UINT id) {
  // The operations that are built run through the batch engine.
  if (m_Batch && m_Batch->Execute(id)) return;
  switch (id) {
    case IDC_REFRESH:
      Refresh();
      return;
    case IDC_ABOUT: {
      Dlg_About about(this);
      about.DoModal();
      return;
    }
    default:
      return;
  }
}

void Dlg_Main::StartQueryThreads() {
  // Each thread walks its own copy of the kept devices: the [MANUAL_IP] devices, and those
  // of the manual device file and the range scans.
  DeviceQueryHooks hooks;
  hooks.query = [](int channel, const std::wstring& ip, DeviceRecord& r) { return GetDeviceInfo(channel, ip, r); };
  hooks.deliver = [this](const DeviceRecord& r, unsigned long lp) { DeliverFromWorker(r, lp); };
  const std::map<std::wstring, std::wstring> manual = m_List.ManualDevices();
  if (!manual.empty())
    m_QueryManualIps.Start([manual, hooks](const std::atomic<bool>& stop) {
      QueryDevices(manual, FOUND_BY_QUERY, false, hooks, stop);
    });
  const std::map<std::wstring, std::wstring> scanned = g_ManualMacMap.Snapshot();
  if (!scanned.empty())
    m_QueryAddedDevices.Start([scanned, hooks](const std::atomic<bool>& stop) {
      QueryDevices(scanned, FOUND_BY_SCAN, false, hooks, stop);
    });
}

void Dlg_Main::OnManualDevicesChanged(WPARAM change, LPARAM text) {
  const std::wstring ip = text ? reinterpret_cast<const wchar_t*>(text) : L"";
  const bool anyAddress = ip == L"0.0.0.0";
  if (change == 0) {
    if (anyAddress || ip.empty() || !m_Batch || m_ShutDown) return;
    QueryDeviceOperation query(ip);
    m_Batch->Run(query);
    return;
  }
  if (anyAddress) {
    for (RowHandle row : CheckedRows()) m_List.RemoveDeviceRow(GetCell(row, 0));
  } else if (!ip.empty()) {
    m_List.RemoveDeviceRow(ip);
  }
  Invalidate(FALSE);
}

void Dlg_Main::DeliverFromWorker(const DeviceRecord& record, unsigned long lParam) {
  port::pace::Scope timed(port::pace::kSendWait, WM_DEVICE_FOUND);
  port::pace::HandOver::Sent();
  if (m_hWnd) SendMessage(WM_DEVICE_FOUND, reinterpret_cast<WPARAM>(&record), static_cast<LPARAM>(lParam));
  port::pace::HandOver::Returned();
}

void Dlg_Main::Shutdown() {
  if (m_ShutDown) return;
  m_ShutDown = true;
  // A batch that runs is stopped and its threads waited for (its wait box then closes).
  if (m_Batch) m_Batch->Shutdown();
  // Every thread that reports to this window ends before anything it uses goes away; the
  // wait keeps handling messages so that a thread blocked in SendMessage can finish, and
  // every request in flight is abandoned at once.
  WorkerThread stopper;
  stopper.Start([](const std::atomic<bool>&) {
    if (g_pDeviceSearcher) g_pDeviceSearcher->Stop();
    if (g_pFirmwareUpgrader) g_pFirmwareUpgrader->Stop();
  });
  StopAndWait({&stopper, &m_QueryManualIps, &m_QueryAddedDevices}, PumpMessages);

  delete g_pFirmwareUpgrader;  // its threads have ended
  g_pFirmwareUpgrader = nullptr;
  delete g_pHtmlDlg;  // and with it the last page it opened
  g_pHtmlDlg = nullptr;
  if (g_pDeviceGrid) {
    if (g_pDeviceGrid->m_hWnd) g_pDeviceGrid->SendMessage(WM_CLOSE);
    delete g_pDeviceGrid;
    g_pDeviceGrid = nullptr;
  }
  delete g_pDeviceSearcher;
  g_pDeviceSearcher = nullptr;
  SaveSettings();
}

BOOL Dlg_Main::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_F5) {
    if (CWnd* frame = GetParent()) frame->PostMessage(WM_REFRESH_DEVICES);
    return TRUE;
  }
  return Dlg_Base::PreTranslateMessage(msg);
}

BOOL Dlg_Main::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (m_ShutDown) return TRUE;  // closing: no command starts
  const UINT id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  if (code == BN_CLICKED) {
    bool toolbar = id == IDC_ABOUT;
    for (UINT b : kButtonIds) toolbar = toolbar || b == id;
    if (toolbar) {
      RunCommand(id);
      return TRUE;
    }
  }
  if (code == CBN_SELCHANGE && id == IDC_SEARCH_MODE) {
    Refresh();
    return TRUE;
  }
  if (code == CBN_SELCHANGE && id == IDC_ADAPTERS) {
    SearchDevices(m_SearchMode.GetCurSel() == 1);
    return TRUE;
  }
  if (code == EN_CHANGE && (id == IDC_USER || id == IDC_PASSWORD)) {
    FeedLogin();
    return TRUE;
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}

LRESULT Dlg_Main::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DEVICE_FOUND: {
      port::pace::HandOver taken;
      if (static_cast<unsigned long>(lParam) == FOUND_IPSET_REPLY) {
        // The row is blocked, and what the device said goes to the batch that checks it.
        bool ok = false;
        const int at = m_List.OnIpSetReply(reinterpret_cast<const std::uint8_t*>(wParam), &ok);
        if (at >= 0) m_IpSetDiscovery.Acknowledged(static_cast<std::size_t>(at), ok);
        return 0;
      }
      if (!wParam || !Tree()) return 0;
      return static_cast<LRESULT>(m_List.OnDeviceFound(*reinterpret_cast<const DeviceRecord*>(wParam),
                                                       static_cast<unsigned long>(lParam)));
    }
    case WM_WATCH_SEARCH: {
      const auto* ask = reinterpret_cast<const WatchSearchAsk*>(lParam);
      return ask && WatchSearch(ask->local, ask->userSearches) ? 1 : 0;
    }
    case WM_CONFLICT_FOUND:
      m_List.ApplyConflict(static_cast<RowHandle>(wParam), static_cast<std::uint32_t>(lParam));
      return 0;
    case WM_MANUAL_DEVICES_CHANGED:
      OnManualDevicesChanged(wParam, lParam);
      return 0;
    case WM_DEVICE_STATUS:
      // A conflict status blocks its row, here on this thread.
      if (lParam == kStatusAddressConflict) BlockRowNow(static_cast<RowHandle>(wParam));
      // Kept for a change of language while the rows stay.
      if (Tree() && Tree()->HasRow(static_cast<RowHandle>(wParam)))
        m_StatusIds[static_cast<RowHandle>(wParam)] = static_cast<UINT>(lParam);
      return Dlg_Base::WindowProc(msg, wParam, lParam);
    case WM_TIMER:
      if (wParam != kRowCountTimer) return Dlg_Base::WindowProc(msg, wParam, lParam);
      ::KillTimer(m_hWnd, kRowCountTimer);
      m_RowCountTimer = 0;
      InvalidateRect(&kRowCountBox, FALSE);
      return 0;
    case WM_PAINT:
      if (PaintRowCountOnly()) return 0;
      return Dlg_Base::WindowProc(msg, wParam, lParam);
    case WM_ERASEBKGND:
      return 1;  // the paint covers the strip; the grid covers the rest
    case WM_SIZE: {
      LRESULT r = Dlg_Base::WindowProc(msg, wParam, lParam);
      const int w = LOWORD(lParam), h = HIWORD(lParam);
      if (g_pDeviceGrid && g_pDeviceGrid->m_hWnd)
        g_pDeviceGrid->MoveWindow(0, kToolbarHeight, w, h > kToolbarHeight ? h - kToolbarHeight : 1);
      return r;
    }
    case WM_LBUTTONDOWN: {
      CPoint p(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      for (JComboBox* c : {&m_Adapters, &m_SearchMode})
        if (c->m_hWnd && c->m_FaceRect.PtInRect(p)) {
          // The click is the face's: the dialog's default handling would close the list
          // that it opens.
          c->m_Open = true;
          c->SetFocus();
          InvalidateRect(&c->m_FaceRect, FALSE);
          c->ShowDropDown(TRUE);
          return 0;
        }
      return Dlg_Base::WindowProc(msg, wParam, lParam);
    }
    default:
      return Dlg_Base::WindowProc(msg, wParam, lParam);
  }
}

void Dlg_Main::DrawSkin(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  for (int x = 0; x < client.right; x += 1024) {
    CRect r(x, 0, x + 1024, 115);
    DrawPng(dc, 346, &r);
  }
  auto rect = [](const ToolbarRect& r) { return CRect(r.x, r.y, r.Right(), r.y + r.h); };
  CRect strip = rect(m_Strip.strip);
  DrawPng(dc, 351, &strip);
  // The white panel behind the buttons.
  dc->FillSolidRect(135, 35, std::max<int>(1024, client.right) - 135, 110 - 35, SKIN_WHITE);
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(RGB(0x56, 0x56, 0x56));
  CRect label = rect(m_Strip.adaptersLabel);
  dc->DrawText(LoadLangString(kTextAdapters), &label, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  dc->SetTextColor(SKIN_TEXT_COLOUR);
  CRect account = rect(m_Strip.accountLabel), password = rect(m_Strip.passwordLabel);
  dc->DrawText(LoadLangString(kTextAccount), &account, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  dc->DrawText(LoadLangString(kTextPassword), &password, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  for (JComboBox* c : {&m_Adapters, &m_SearchMode})
    if (c->m_hWnd) {
      FrameChild(dc, c);
      c->DrawFace(dc);
    }
  for (JButton& b : m_Buttons) {
    if (!b.m_hWnd) continue;
    CRect r;
    b.GetWindowRect(&r);
    ScreenToClient(&r);
    CRect under(r.left, r.bottom, r.right, r.bottom + 4);
    DrawPng(dc, 345, &under);
  }
  DrawRowCount(dc);
}

BOOL Dlg_Main::DrawBackground(CDC* target) {
  // Only the toolbar strip is the window's own to show; the grid covers the rest.
  CDC* mem = PrepareMemDC();
  CRect client;
  GetClientRect(&client);
  const int h = client.Height() < kToolbarHeight ? client.Height() : kToolbarHeight;
  if (mem && target && client.Width() > 0 && h > 0)
    KeyedBlt(target->m_hDC, 0, 0, client.Width(), h, mem->m_hDC, 0, 0, SKIN_KEY_COLOUR);
  return TRUE;
}

void Dlg_Main::DrawRowCount(CDC* dc) {
  dc->FillSolidRect(&kRowCountBox, SKIN_WHITE);
  wchar_t total[64];
  std::swprintf(total, 64, L"%ls %d", LoadLangString(kTextTotal).GetString(), m_List.RowCount());
  dc->SetTextColor(RGB(0x14, 0x60, 0xB2));
  CRect room(kRowCountBox);
  room.left += 3;
  dc->DrawText(total, -1, &room, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

bool Dlg_Main::PaintRowCountOnly() {
  // Every added row changes the count; repainting the whole skinned strip for it would
  // cost more than the row itself. When nothing else needs painting, only the box is drawn.
  RECT update;
  if (!::GetUpdateRect(m_hWnd, &update, FALSE)) return false;
  RECT joined;
  ::UnionRect(&joined, &update, &kRowCountBox);
  if (!::EqualRect(&joined, &kRowCountBox)) return false;
  CPaintDC paint(this);
  if (g_Font.m_hObject) paint.SelectObject(&g_Font);
  paint.SetBkMode(TRANSPARENT);
  DrawRowCount(&paint);
  return true;
}

// ---- the grid -------------------------------------------------------------

RowHandle Dlg_Main::InsertRow(RowHandle parent, const std::wstring& text, bool marker, bool checkBox) {
  return g_pDeviceGrid ? g_pDeviceGrid->InsertRow(text, marker, checkBox, parent) : 0;
}

void Dlg_Main::DeleteRow(RowHandle row) {
  if (JTreeCtrl* tree = Tree()) {
    tree->DeleteRow(row);
    g_pDeviceGrid->Relayout();
  }
}

std::wstring Dlg_Main::GetCell(RowHandle row, int cell) {
  JTreeCtrl* tree = Tree();
  return tree ? tree->GetCell(row, cell).value_or(std::wstring()) : std::wstring();
}

void Dlg_Main::SetCell(RowHandle row, int cell, const std::wstring& text) {
  if (JTreeCtrl* tree = Tree()) tree->SetCellText(row, cell, text);
}

void Dlg_Main::BlockRowNow(RowHandle row) {
  JTreeCtrl* tree = Tree();
  if (!tree || !tree->HasRow(row)) return;
  tree->SetBlocked(row, true);  // which disables its marker and link buttons too
}

void Dlg_Main::BlockRow(RowHandle row) {
  // Other threads report conflicts through ReportConflict, which comes here on this thread.
  if (OnUiThread()) BlockRowNow(row);
}

void Dlg_Main::DisableCheckBox(RowHandle row) {
  if (JTreeCtrl* tree = Tree()) tree->SetCheckBoxEnabled(row, false);
}

void Dlg_Main::ShowStatus(RowHandle row, int id) {
  if (m_hWnd) SendMessage(WM_DEVICE_STATUS, static_cast<WPARAM>(row), static_cast<LPARAM>(id));
}

void Dlg_Main::ReportConflict(RowHandle row, std::uint32_t search) {
  if (OnUiThread())
    m_List.ApplyConflict(row, search);
  else if (m_hWnd)
    SendMessage(WM_CONFLICT_FOUND, static_cast<WPARAM>(row), static_cast<LPARAM>(search));
}

void Dlg_Main::SetMarkerTip(RowHandle row, const std::wstring& tip) {
  if (JTreeCtrl* tree = Tree()) tree->SetMarkerTip(row, tip);
}

void Dlg_Main::SortRows(int cell) {
  if (JTreeCtrl* tree = Tree()) tree->SortByColumn(cell, true);
}

void Dlg_Main::SelectRow(RowHandle row) {
  if (JTreeCtrl* tree = Tree()) tree->ShowRow(row);
}

void Dlg_Main::RowAdded(const DeviceRecord& record) {
  if (g_pDeviceGrid) g_pDeviceGrid->Relayout();
  // The count is shown at the pace at which the grid shows the rows.
  if (!m_RowCountTimer) m_RowCountTimer = ::SetTimer(m_hWnd, kRowCountTimer, JTreeCtrl::kRedrawPaceMs, nullptr);
  m_Export.Append(record, m_List.ShowCameraName());
}

std::vector<RowHandle> Dlg_Main::CheckedRows() {
  std::vector<RowHandle> rows;
  if (JTreeCtrl* tree = Tree()) tree->GetCheckedRows(rows);
  return rows;
}

// ---- discovery (dispatcher thread) ------------------------------------------

void Dlg_Main::ParseDiscoveryReply(const std::uint8_t* reply) { m_Feed.ParseDiscoveryReply(reply); }

void Dlg_Main::AddDiscoveredDevice(const char* text) { m_Feed.AddDiscoveredDevice(text); }

void Dlg_Main::OnIpSetReply(const std::uint8_t* ack) {
  if (m_hWnd) SendMessage(WM_DEVICE_FOUND, reinterpret_cast<WPARAM>(ack), static_cast<LPARAM>(FOUND_IPSET_REPLY));
}
