#include "kit/jscrollbar.h"

#include <windowsx.h>

#include <algorithm>

#include "fx/gdi.h"

namespace {
constexpr UINT_PTR kRepeatTimer = 0x7D11;

// A small filled triangle in the middle of an arrow's square, pointing up or down.
void DrawArrow(CDC& dc, const CRect& box, bool up, COLORREF colour) {
  const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
  const int half = std::max(1, std::min(box.Width(), box.Height()) / 4);
  const int d = up ? -1 : 1;
  POINT pts[3] = {{cx - half, cy - d * half / 2}, {cx + half, cy - d * half / 2}, {cx, cy + d * (half + 1) / 2}};
  CBrush brush;
  CPen pen;
  brush.CreateSolidBrush(colour);
  pen.CreatePen(PS_SOLID, 1, colour);
  CBrush* oldBrush = dc.SelectObject(&brush);
  CPen* oldPen = dc.SelectObject(&pen);
  dc.Polygon(pts, 3);
  dc.SelectObject(oldPen);
  dc.SelectObject(oldBrush);
}
}  // namespace

BOOL JScrollBar::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(nullptr, L"", style, rect, parent, id);
}

RowBarLayout JScrollBar::Layout() const {
  CRect client(0, 0, 0, 0);
  if (m_hWnd) GetClientRect(&client);
  GridRowScroll shown = m_Scroll;
  if (m_Held == RowBarPart::Thumb) shown.first = m_TrackPos;
  return ComputeRowBar(client.Width(), client.Height(), shown);
}

BOOL JScrollBar::SetScrollInfo(const SCROLLINFO* si, BOOL redraw) {
  if (!si) return FALSE;
  GridRowScroll s = m_Scroll;
  if (si->fMask & SIF_RANGE) s.rows = std::max(0, si->nMax - si->nMin + 1);
  if (si->fMask & SIF_PAGE) s.page = static_cast<int>(std::min<UINT>(si->nPage, 0x7FFFFFFF));
  if (si->fMask & SIF_POS) s.first = si->nPos;
  s.first = std::clamp(s.first, 0, s.Last());
  if (s == m_Scroll) return TRUE;
  m_Scroll = s;
  if (redraw && m_hWnd) Invalidate(FALSE);
  return TRUE;
}

BOOL JScrollBar::GetScrollInfo(SCROLLINFO* si, UINT mask) const {
  if (!si) return FALSE;
  si->fMask = mask;
  if (mask & SIF_RANGE) {
    si->nMin = 0;
    si->nMax = std::max(0, m_Scroll.rows - 1);
  }
  if (mask & SIF_PAGE) si->nPage = static_cast<UINT>(std::max(0, m_Scroll.page));
  if (mask & SIF_POS) si->nPos = m_Scroll.first;
  if (mask & SIF_TRACKPOS) si->nTrackPos = m_Held == RowBarPart::Thumb ? m_TrackPos : m_Scroll.first;
  return TRUE;
}

void JScrollBar::Notify(UINT code, int pos) {
  if (HWND parent = ::GetParent(m_hWnd))
    ::SendMessageW(parent, WM_VSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(m_hWnd));
}

void JScrollBar::Press(int y) {
  const RowBarLayout l = Layout();
  const RowBarPart part = RowBarPartAt(l, y);
  if (part == RowBarPart::None) return;
  m_Held = part;
  SetCapture();
  if (part == RowBarPart::Thumb) {
    m_TrackPos = m_Scroll.first;
    m_GrabOffset = y - l.thumbTop;
  } else {
    Step(part);
    ::SetTimer(m_hWnd, kRepeatTimer, kRepeatDelayMs, nullptr);
  }
  Invalidate(FALSE);
}

void JScrollBar::Step(RowBarPart part) {
  switch (part) {
    case RowBarPart::LineUp: Notify(SB_LINEUP); break;
    case RowBarPart::LineDown: Notify(SB_LINEDOWN); break;
    case RowBarPart::PageUp: Notify(SB_PAGEUP); break;
    case RowBarPart::PageDown: Notify(SB_PAGEDOWN); break;
    default: break;
  }
}

void JScrollBar::Repeat() {
  // Held down, the part repeats while the mouse is on it: the track stops once the thumb
  // has come under the mouse.
  POINT at;
  if (!::GetCursorPos(&at)) return;
  ScreenToClient(&at);
  CRect client;
  GetClientRect(&client);
  if (at.x >= client.left && at.x < client.right && RowBarPartAt(Layout(), at.y) == m_Held) Step(m_Held);
}

void JScrollBar::Drag(int y) {
  const int pos = RowBarFirstAt(Layout(), m_Scroll, y - m_GrabOffset);
  if (pos == m_TrackPos) return;
  m_TrackPos = pos;
  Invalidate(FALSE);
  Notify(SB_THUMBTRACK, pos);
}

void JScrollBar::Release() {
  if (m_Held == RowBarPart::None) return;
  const RowBarPart was = m_Held;
  ::KillTimer(m_hWnd, kRepeatTimer);
  if (was == RowBarPart::Thumb) Notify(SB_THUMBPOSITION, m_TrackPos);
  m_Held = RowBarPart::None;
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  Notify(SB_ENDSCROLL);
  Invalidate(FALSE);
}

void JScrollBar::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  const RowBarLayout l = Layout();
  const int w = client.Width();
  const bool enabled = l.thumb;
  CRect up(0, 0, w, l.upBottom), down(0, l.downTop, w, l.height);
  dc.FillSolidRect(&up, m_Held == RowBarPart::LineUp ? kTrackColour : kArrowBack);
  dc.FillSolidRect(&down, m_Held == RowBarPart::LineDown ? kTrackColour : kArrowBack);
  if (up.Height() > 2) DrawArrow(dc, up, true, enabled ? kArrowColour : kDisabledArrow);
  if (down.Height() > 2) DrawArrow(dc, down, false, enabled ? kArrowColour : kDisabledArrow);
  if (!l.thumb) {
    dc.FillSolidRect(0, l.upBottom, w, l.downTop - l.upBottom, kTrackColour);
    return;
  }
  dc.FillSolidRect(0, l.upBottom, w, l.thumbTop - l.upBottom, kTrackColour);
  dc.FillSolidRect(0, l.thumbBottom, w, l.downTop - l.thumbBottom, kTrackColour);
  dc.FillSolidRect(1, l.thumbTop, std::max(0, w - 2), l.thumbBottom - l.thumbTop,
                   m_Held == RowBarPart::Thumb ? kPressedColour : kThumbColour);
  dc.FillSolidRect(0, l.thumbTop, 1, l.thumbBottom - l.thumbTop, kTrackColour);
  if (w > 1) dc.FillSolidRect(w - 1, l.thumbTop, 1, l.thumbBottom - l.thumbTop, kTrackColour);
}

LRESULT JScrollBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      Press(GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSEMOVE:
      if (m_Held == RowBarPart::Thumb) Drag(GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      Release();
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != m_hWnd) Release();
      return 0;
    case WM_TIMER:
      if (wParam != kRepeatTimer) return CWnd::WindowProc(msg, wParam, lParam);
      ::SetTimer(m_hWnd, kRepeatTimer, kRepeatMs, nullptr);
      Repeat();
      return 0;
    default:
      return CWnd::WindowProc(msg, wParam, lParam);
  }
}
