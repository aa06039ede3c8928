#include "app/shell/dlg_about_win.h"

#include <algorithm>

#include "app/shell/program_version.h"
#include "app/shell/program_version_win.h"
#include "kit/palette.h"
#include "res/resource.h"

namespace {

constexpr int kIconX = 20, kIconY = 20, kIconSize = 32;
constexpr int kMinClientWidth = 240, kClientHeight = 80;
constexpr int kMargin = 24;

}  // namespace

Dlg_About::Dlg_About(CWnd* parent)
    : Dlg_Base(IDD, parent),
      m_Template(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 160, 60) {
  m_Template.AddControl(L"STATIC", L"", IDC_ICON_IMAGE, SS_ICON, 10, 10, 20, 20);
  InitModalIndirect(m_Template.Get(), parent);
}

BOOL Dlg_About::OnInitDialog() {
  Dlg_Base::OnInitDialog();
  unsigned long ms = 0, ls = 0;
  m_Version = ProgramFileVersion(&ms, &ls) ? AboutVersionText(ms, ls).c_str() : L"";

  CWnd* icon = GetDlgItem(IDC_ICON_IMAGE);
  if (icon) {
    HICON image = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                  IMAGE_ICON, kIconSize, kIconSize, LR_SHARED));
    icon->SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(image));
    icon->MoveWindow(kIconX, kIconY, kIconSize, kIconSize, FALSE);
  }
  // Wide enough for the version line in the skin's font.
  int textWidth = 0;
  {
    CClientDC dc(this);
    CFont* old = dc.SelectObject(&g_Font);
    CRect r(0, 0, 0, 0);
    dc.DrawText(m_Version, &r, DT_CALCRECT | DT_NOPREFIX);
    textWidth = r.Width();
    dc.SelectObject(old);
  }
  CRect window, client;
  GetWindowRect(&window);
  GetClientRect(&client);
  const int width = std::max(kMinClientWidth, kTextX + textWidth + kMargin);
  SetWindowPos(nullptr, 0, 0, width + window.Width() - client.Width(), kClientHeight + window.Height() - client.Height(),
               SWP_NOMOVE | SWP_NOZORDER);
  CenterWindow();
  ResetChildRegion();
  if (icon) AddChildToRegion(icon);
  return TRUE;
}

void Dlg_About::DrawSkin(CDC* dc) { DrawTextAt(dc, kTextX, kTextY, m_Version); }

HBRUSH Dlg_About::OnCtlColor(CDC*, CWnd*, UINT) { return static_cast<HBRUSH>(g_BrushWhite.m_hObject); }
