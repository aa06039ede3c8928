#include "dialogs/device_settings/dlg_device_set_win.h"

#include <algorithm>

#include "app/batch/batch_commands.h"
#include "app/batch/batch_engine.h"
#include "fx/app.h"
#include "dialogs/device_settings/dlg_av_set_win.h"
#include "dialogs/device_settings/dlg_date_time_win.h"
#include "dialogs/device_settings/dlg_motion_win.h"
#include "dialogs/device_settings/dlg_url_win.h"
#include "kit/lang.h"

namespace {
constexpr int kMargin = 20;
const UINT kApplyImages[4] = {335, 338, 337, 336};  // normal, hover, pressed, disabled
constexpr int kApplyWidth = 109;
constexpr int kApplyHeight = 26;
constexpr int kApplyLeft = 261;
}  // namespace

Dlg_DeviceSet::Dlg_DeviceSet(DeviceSettings& records, const CheckedPlatforms& platforms)
    : Dlg_Base(IDD, nullptr),
      m_Records(records),
      m_Platforms(platforms),
      m_Template(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN, 0, 0, 300, 100),
      m_Apply(jbutton::LAYOUT_IMAGE) {
  m_Template.AddControl(L"BUTTON", L"", IDC_APPLY, BS_OWNERDRAW | WS_TABSTOP, 0, 0, 60, 14);
  InitModalIndirect(m_Template.Get());
  // The pages in tab order.
  m_Pages.push_back(std::make_unique<Dlg_DateTime>(&records.dateTime));
  m_Pages.push_back(std::make_unique<Dlg_Motion>(&records.motion));
  m_Pages.push_back(std::make_unique<Dlg_AVSet>(&records.av, platforms.family, platforms.newFirmware));
  m_Pages.push_back(std::make_unique<Dlg_URL>(&records.url));
}

Dlg_DeviceSet::~Dlg_DeviceSet() {
  // The pages are children of the tab control: they go while their objects live.
  for (auto& p : m_Pages)
    if (p->m_hWnd) p->DestroyWindow();
}

void Dlg_DeviceSet::DoDataExchange(CDataExchange* dx) {
  Dlg_Base::DoDataExchange(dx);
  DDX_Control(dx, IDC_APPLY, m_Apply);
}

BOOL Dlg_DeviceSet::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  // The client area of the short layout first; the tall one is centred over the owner, so
  // that growing never leaves the screen.
  CRect outer(0, 0, kClientWidth, kTallHeight);
  ::AdjustWindowRectEx(&outer, GetStyle(), FALSE, GetExStyle());
  CRect owner;
  if (CWnd* main = AfxGetMainWnd(); main && main->m_hWnd)
    main->GetWindowRect(&owner);
  else
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &owner, 0);
  SetWindowPos(nullptr, owner.left + (owner.Width() - outer.Width()) / 2,
               std::max(0L, owner.top + (owner.Height() - outer.Height()) / 2), outer.Width(), outer.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);

  m_Apply.SetImages(kApplyImages[0], kApplyImages[1], kApplyImages[2], kApplyImages[3], kApplyWidth, kApplyHeight);
  m_Tabs.CreateEx(WS_EX_CONTROLPARENT, nullptr, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                  CRect(kMargin, kMargin, kClientWidth - kMargin, kTallHeight - kMargin), this, 0);
  AddChildToRegion(&m_Tabs);
  AddChildToRegion(&m_Apply);
  for (auto& page : m_Pages) page->CreatePage(&m_Tabs);
  for (auto& page : m_Pages) m_Tabs.AddTab(page.get(), page->m_CaptionId, page->EnableBoxId());
  return TRUE;
}

void Dlg_DeviceSet::OnPageEnable(SettingsPage* page, bool enabled) {
  // A page that has gone, or one of another dialog, changes nothing.
  if (std::none_of(m_Pages.begin(), m_Pages.end(), [&](const auto& p) { return p.get() == page; })) return;
  if (!page->m_hWnd || !m_Tabs.m_hWnd) return;
  const int h = enabled ? kTallHeight : kShortHeight;
  CRect outer(0, 0, kClientWidth, h);
  ::AdjustWindowRectEx(&outer, GetStyle(), FALSE, GetExStyle());
  SetWindowPos(nullptr, 0, 0, outer.Width(), outer.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame inside the margins, less the button's row.
  const CRect room(kMargin, kMargin, kClientWidth - kMargin, h - 2 * kMargin);
  page->SetWindowPos(nullptr, 0, 0, room.Width() + 4, room.Height() - 27, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_Tabs.SetWindowPos(nullptr, 0, 0, room.Width() + 6, room.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_Apply.SetWindowPos(nullptr, kApplyLeft, enabled ? 533 : 140, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ResetChildRegion();
  AddChildToRegion(&m_Tabs);
  AddChildToRegion(&m_Apply);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Dlg_DeviceSet::OnBnClickedOk() {
  // A page that cannot give what it shows (a motion window out of shape) keeps the dialog
  // open with its message, and the records as they were.
  for (auto& page : m_Pages)
    if (page->m_hWnd && !page->Check()) return;
  for (auto& page : m_Pages)
    if (page->m_hWnd) page->Collect();
  if (AnyGroupEnabled(m_Records))
    EndDialog(IDOK);
  else
    Warn(kNothingEnabled);
}

BOOL Dlg_DeviceSet::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == IDC_APPLY && HIWORD(wParam) == BN_CLICKED) {
    OnBnClickedOk();
    return TRUE;
  }
  return Dlg_Base::OnCommand(wParam, lParam);
}

LRESULT Dlg_DeviceSet::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAGE_ENABLE) {
    OnPageEnable(reinterpret_cast<SettingsPage*>(wParam), lParam != 0);
    return 0;
  }
  return Dlg_Base::WindowProc(msg, wParam, lParam);
}

bool DeviceSettingsOperationWin::RunDialog(BatchUi&, const BatchSelection&) {
  Dlg_DeviceSet dialog(m_Records, m_Platforms);
  return dialog.DoModal() == IDOK;
}

void RegisterDeviceSettings(BatchEngine& engine, DeviceSettings& records) {
  engine.Register(CMD_DEVICE_SETTINGS, [&records] { return std::make_unique<DeviceSettingsOperationWin>(records); });
}
