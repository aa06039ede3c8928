#include "kit/rwnd.h"

#include <algorithm>

RWnd::RWnd() : JObject(this) {}

RWnd::~RWnd() = default;

int RWnd::OnCreate(LPCREATESTRUCTW) {
  CRect client;
  GetClientRect(&client);
  m_ScrollBar.Create(WS_CHILD | SBS_VERT | SBS_RIGHTALIGN, client, this, 0);
  return 0;
}

void RWnd::AddChild(Dlg_Base* child, int width, int y, int height) {
  if (!child) return;
  child->SetWindowPos(nullptr, 0, y, width - kScrollBarWidth, height,
                      SWP_SHOWWINDOW | SWP_NOZORDER);
  m_Children.push_back(child);
}

void RWnd::RemoveChild(Dlg_Base* child) {
  auto it = std::find(m_Children.begin(), m_Children.end(), child);
  if (it == m_Children.end()) return;
  m_Children.erase(it);
  if (child->m_hWnd) child->SendMessage(WM_CLOSE);
  if (m_hWnd) {
    CClientDC dc(this);
    CRect client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, RGB(0xFF, 0xFF, 0xFF));
  }
  SetScrollRange();
  Invalidate(TRUE);
}

void RWnd::SetScrollRange() {
  if (!m_hWnd) return;
  CRect client;
  GetClientRect(&client);
  int total = 0;
  if (!m_Children.empty()) {
    CRect first;
    m_Children.front()->GetClientRect(&first);
    int h = first.Height(), w = first.Width();
    for (size_t i = 0; i < m_Children.size(); ++i)
      m_Children[i]->MoveWindow(0, (int)i * h, w, h, TRUE);
    total = (int)m_Children.size() * h;
  }
  // When everything fits there is nothing to scroll: the range is 0..0, so that a
  // position left over from a longer list goes back to the top.
  int maxPos = std::max(0, total - client.Height());
  m_ScrollBar.SetScrollRange(0, maxPos, TRUE);
  m_ScrollBar.MoveWindow(client.Width() - kScrollBarWidth, 0, kScrollBarWidth, client.Height(),
                         TRUE);
  m_ScrollBar.ShowWindow(total > client.Height() ? SW_SHOW : SW_HIDE);
  m_ScrollBar.SetScrollPos(m_ScrollBar.GetScrollPos(), TRUE);
  ScrollTo();
}

void RWnd::SetScrollPos(int pos) {
  if (m_ScrollBar.m_hWnd) m_ScrollBar.SetScrollPos(pos, TRUE);
}

void RWnd::ScrollTo() {
  int pos = GetScrollPos();
  int y = 0;
  for (Dlg_Base* c : m_Children) {
    CRect r;
    c->GetClientRect(&r);
    c->MoveWindow(0, y - pos, r.Width(), r.Height(), FALSE);
    y += r.Height();
  }
  for (Dlg_Base* c : m_Children)
    c->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  if (m_hWnd) Invalidate(TRUE);
}

void RWnd::OnVScroll(UINT code, UINT pos) {
  int cur = GetScrollPos();
  bool set = true;
  int next = cur;
  switch (code) {
    case SB_LINEUP:
    case SB_PAGEUP:
    case SB_TOP:
      next = cur - kScrollStep;
      break;
    case SB_LINEDOWN:
    case SB_PAGEDOWN:
    case SB_BOTTOM:
      next = cur + kScrollStep;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      next = (int)pos;
      break;
    default:
      set = false;
      break;
  }
  if (set) m_ScrollBar.SetScrollPos(next, TRUE);
  ScrollTo();
}

void RWnd::StartAll(void* argument) {
  for (Dlg_Base* c : m_Children) c->StartScan(argument);
}

bool RWnd::AreAllInputsValid() {
  bool all = true;
  for (Dlg_Base* c : m_Children) {
    bool ok = c->IsInputValid();  // every panel is asked, even after a false
    all = all && ok;
  }
  return all;
}

void RWnd::StopAll() {
  for (Dlg_Base* c : m_Children) c->SetRunning(false);
}

std::vector<CString> RWnd::GetChildren() const {
  std::vector<CString> out;
  for (Dlg_Base* c : m_Children) {
    const RWndRow* row = dynamic_cast<const RWndRow*>(c);
    if (!row || !row->IsRowChecked()) continue;
    std::vector<CString> texts = row->GetRowTexts();
    out.insert(out.end(), texts.begin(), texts.end());
  }
  return out;
}

LRESULT RWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      LRESULT r = Default();
      if (r == -1) return r;
      OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lParam));
      return r;
    }
    case WM_VSCROLL:
      OnVScroll(LOWORD(wParam), HIWORD(wParam));
      return Default();
    case WM_ERASEBKGND:
      return FALSE;
    case WM_PAINT: {
      // The children paint themselves; what they leave (the scroll bar's column while it is
      // hidden, the room below the last child) is white.
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(m_hWnd, &ps);
      for (Dlg_Base* c : m_Children) {
        if (!c->m_hWnd || !c->IsWindowVisible()) continue;
        CRect r;
        c->GetWindowRect(&r);
        ScreenToClient(&r);
        ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
      }
      if (m_ScrollBar.m_hWnd && m_ScrollBar.IsWindowVisible()) {
        CRect r;
        m_ScrollBar.GetWindowRect(&r);
        ScreenToClient(&r);
        ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
      }
      CRect client;
      GetClientRect(&client);
      ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      ::EndPaint(m_hWnd, &ps);
      return 0;
    }
    default:
      return CWnd::WindowProc(msg, wParam, lParam);
  }
}
