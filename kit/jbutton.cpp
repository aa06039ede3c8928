#include "kit/jbutton.h"

#include "kit/lang.h"
#include "kit/png_cache.h"

JButton::JButton(unsigned style) : JObject(this), m_Style(style) {}

JButton::~JButton() = default;

BOOL JButton::PreCreateWindow(CREATESTRUCTW& cs) {
  cs.style = (cs.style & ~(DWORD)BS_TYPEMASK) | BS_OWNERDRAW;
  return CButton::PreCreateWindow(cs);
}

void JButton::PreSubclassWindow() {
  if ((GetStyle() & BS_TYPEMASK) != BS_OWNERDRAW) SetButtonStyle(BS_OWNERDRAW, FALSE);
  CButton::PreSubclassWindow();
}

void JButton::SetImages(UINT normal, UINT hover, UINT pressed, UINT disabled, int imageWidth,
                        int height, int tag, bool imageAtRight) {
  GetWindowText(m_Caption);
  if (m_Caption.IsEmpty()) m_Caption = LoadLangString((UINT)GetDlgCtrlID());

  CRect measured(0, 0, 0, 0);
  CDC* mem = PrepareMemDC();
  if (mem) mem->DrawText(m_Caption, &measured, DT_CALCRECT | DT_NOPREFIX);

  jbutton::Geometry g = jbutton::ComputeGeometry(m_Style, measured.Width(), measured.Height(),
                                                 imageWidth, height, imageAtRight);
  CRect now;
  GetWindowRect(&now);
  if (now.Width() != g.button.Width() || now.Height() != g.button.Height())
    SetWindowPos(nullptr, 0, 0, g.button.Width(), g.button.Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_TextRect = CRect(g.text.left, g.text.top, g.text.right, g.text.bottom);
  m_Tag = tag;
  m_ImageRect = CRect(g.image.left, g.image.top, g.image.right, g.image.bottom);
  m_Images[0] = normal;
  m_Images[1] = hover;
  m_Images[2] = pressed;
  m_Images[3] = disabled;
  RedrawNow();
}

void JButton::SetWindowText(const wchar_t* text) {
  m_Caption = text ? text : L"";
  CWnd::SetWindowText(text);
}

void JButton::SetChecked(bool checked) {
  m_Checked = checked;
  RedrawNow();
}

void JButton::DrawItem(LPDRAWITEMSTRUCT dis) {
  jbutton::Look look =
      jbutton::ChooseLook((dis->itemState & ODS_DISABLED) != 0, (dis->itemState & ODS_SELECTED) != 0,
                          m_Checked, m_Hover, m_PressedTextColour);
  CRect item(dis->rcItem);
  CDC* mem = PrepareMemDC();
  if (!mem) return;
  mem->FillSolidRect(&item, m_BackColour);
  DrawPng(mem, m_Images[look.image], &m_ImageRect);
  mem->SetTextColor(look.textColour);
  CRect text(m_TextRect);
  if (m_Caption.Find(L'\n') >= 0)
    mem->DrawText(m_Caption, &text, DT_NOPREFIX);
  else
    mem->DrawText(m_Caption, &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  ::BitBlt(dis->hDC, item.left, item.top, item.Width(), item.Height(), mem->GetSafeHdc(),
           item.left, item.top, SRCCOPY);
}

static void SetHandCursor() { ::SetCursor(::LoadCursorW(nullptr, IDC_HAND)); }

void JButton::OnMouseMove(UINT, CPoint) {
  if (!m_Hover) {
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = m_hWnd;
    ::TrackMouseEvent(&tme);
    m_Hover = true;
    RedrawNow();
  }
  SetHandCursor();
}

void JButton::OnMouseLeave() {
  m_Hover = false;
  RedrawNow();
}

void JButton::OnLButtonDown(UINT, CPoint) {
  if (m_Style & jbutton::STYLE_TOGGLE) {
    m_Checked = !m_Checked;
    m_FlipPending = true;
    RedrawNow();
  }
  HWND parent = ::GetParent(m_hWnd);
  if (parent) ::SendMessageW(parent, WM_JBUTTON_CLICK, (WPARAM)this, 0);
  SetHandCursor();
}

bool JButton::OnLButtonUp(UINT, CPoint point) {
  SetHandCursor();
  const bool pending = m_FlipPending;
  m_FlipPending = false;
  // Released on the button, the button class itself sends BN_CLICKED.
  CRect client;
  GetClientRect(&client);
  return pending && !client.PtInRect(point);
}

LRESULT JButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEMOVE:
      OnMouseMove((UINT)wParam, CPoint(lParam));
      return Default();
    case WM_MOUSELEAVE:
      OnMouseLeave();
      return Default();
    case WM_LBUTTONDOWN:
      OnLButtonDown((UINT)wParam, CPoint(lParam));
      return Default();
    case WM_LBUTTONDBLCLK: {
      // The button class turns a quick second press of an owner-drawn button into a
      // double-click notification instead of a click: treat it as another press.
      HWND self = m_hWnd;
      OnLButtonDown((UINT)wParam, CPoint(lParam));
      if (!::IsWindow(self)) return 0;
      return ::CallWindowProcW(m_pfnSuper ? m_pfnSuper : ::DefWindowProcW, self, WM_LBUTTONDOWN,
                             wParam, lParam);
    }
    case WM_LBUTTONUP: {
      HWND self = m_hWnd;
      const bool tell = OnLButtonUp((UINT)wParam, CPoint(lParam));
      const LRESULT r = Default();
      HWND parent = ::IsWindow(self) ? ::GetParent(self) : nullptr;
      if (tell && parent)
        ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(self), BN_CLICKED), (LPARAM)self);
      return r;
    }
    case WM_ERASEBKGND:
      return TRUE;
    default:
      return CButton::WindowProc(msg, wParam, lParam);
  }
}
