#include "kit/jobject.h"

#include <optional>

#include "kit/palette.h"

JObject::JObject(CWnd* owner) : m_pOwner(owner) { m_ChildRegion.CreateRectRgn(0, 0, 0, 0); }

JObject::~JObject() { ReleaseMemDC(); }

void JObject::DrawSkin(CDC*) {}

void JObject::ReleaseMemDC() {
  if (m_MemDC.m_hDC) ::RestoreDC(m_MemDC.m_hDC, 1);  // the objects selected into it go back
  if (m_MemDC.m_hDC && m_OldBitmap) ::SelectObject(m_MemDC.m_hDC, m_OldBitmap);
  m_OldBitmap = nullptr;
  m_MemDC.DeleteDC();
  m_MemBitmap.DeleteObject();
}

CDC* JObject::PrepareMemDC() {
  if (m_pOwner && m_pOwner->m_hWnd) m_pOwner->GetClientRect(&m_ClientRect);
  int w = m_ClientRect.right - m_ClientRect.left;
  int h = m_ClientRect.bottom - m_ClientRect.top;
  // A zero-sized client still gets a 1 x 1 bitmap, so the DC is usable.
  w = w > 0 ? w : 1;
  h = h > 0 ? h : 1;
  if (m_MemDC.m_hDC && w == m_MemSize.cx && h == m_MemSize.cy) {
    // Kept from the last time at the same size: back to the state it was made in.
    ::RestoreDC(m_MemDC.m_hDC, -1);
  } else {
    ReleaseMemDC();
    std::optional<CClientDC> screen;
    CDC* compatible = g_pScreenDC && g_pScreenDC->m_hDC ? g_pScreenDC : &screen.emplace(nullptr);
    if (!m_MemBitmap.CreateCompatibleBitmap(compatible, w, h) || !m_MemDC.CreateCompatibleDC(compatible)) {
      ReleaseMemDC();
      return nullptr;
    }
    m_OldBitmap = ::SelectObject(m_MemDC.m_hDC, m_MemBitmap.m_hObject);
    m_MemSize = {w, h};
  }
  ::SaveDC(m_MemDC.m_hDC);
  if (g_Font.m_hObject) m_MemDC.SelectObject(&g_Font);
  m_MemDC.SelectStockObject(NULL_BRUSH);
  m_MemDC.FillSolidRect(&m_ClientRect, SKIN_WHITE);
  m_MemDC.SetBkMode(TRANSPARENT);

  DrawSkin(&m_MemDC);

  CBrush key(SKIN_KEY_COLOUR);
  m_MemDC.FillRgn(&m_ChildRegion, &key);
  return &m_MemDC;
}

void JObject::AddChildToRegion(CWnd* child) {
  if (!child || !child->m_hWnd || !m_pOwner) return;
  if (!(child->GetStyle() & WS_VISIBLE)) return;
  RECT rc;
  child->GetWindowRect(&rc);
  m_pOwner->ScreenToClient(&rc);
  CRgn part;
  part.CreateRectRgnIndirect(&rc);
  m_ChildRegion.CombineRgn(&m_ChildRegion, &part, RGN_OR);
}

void JObject::ResetChildRegion() { m_ChildRegion.SetRectRgn(0, 0, 0, 0); }

int JObject::DrawTextAt(CDC* dc, int x, int y, const wchar_t* text, bool rightAlign,
                        bool large) {
  if (!dc) return x;
  if (!text) text = L"";
  if (large && g_BoldFont.m_hObject) dc->SelectObject(&g_BoldFont);
  RECT rc{0, 0, 0, 0};
  dc->DrawText(text, -1, &rc, DT_CALCRECT | DT_NOPREFIX);
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  rc.top = y;
  rc.bottom = y + h;
  rc.left = rightAlign ? x - w : x;
  rc.right = rc.left + w;
  // Placed by its measurement but never clipped to it: a glyph may reach past its advance.
  dc->DrawText(text, -1, &rc, DT_NOPREFIX | DT_NOCLIP);
  if (g_Font.m_hObject) dc->SelectObject(&g_Font);
  return rc.right;
}

void JObject::FrameChild(CDC* dc, CWnd* child) {
  if (!dc || !child || !child->m_hWnd || !m_pOwner) return;
  RECT rc;
  child->GetWindowRect(&rc);
  m_pOwner->ScreenToClient(&rc);
  ::InflateRect(&rc, 1, 1);
  // The frame pen stays selected, as for the other outlines of a skin.
  dc->SelectObject(&g_PenFrame);
  dc->Rectangle(&rc);
}
