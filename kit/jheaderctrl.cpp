#include "kit/jheaderctrl.h"

#include "device/helpers.h"
#include "kit/jtreectrl.h"
#include "kit/png_cache.h"
#include "kit/skin.h"

constexpr RECT JHeaderCtrl::kCheckAllBox;

JHeaderCtrl::JHeaderCtrl() : JObject(this) {}

JHeaderCtrl::~JHeaderCtrl() = default;

void JHeaderCtrl::DrawSkin(CDC* dc) {
  if (!m_GridPen.GetSafeHandle()) m_GridPen.CreatePen(PS_SOLID, 1, RGB(0x85, 0x85, 0x85));
  dc->SelectObject(&m_GridPen);
  dc->SelectObject(&g_Font);
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(RGB(0xFF, 0xFF, 0xFF));
}

void JHeaderCtrl::SetCheckAll(bool on) {
  if (on == m_Sort.CheckAllOn()) return;
  m_Sort.SetCheckAll(on);
  if (m_hWnd) {
    CRect box(kCheckAllBox);
    InvalidateRect(&box, FALSE);
  }
}

void JHeaderCtrl::SendToGrid(UINT msg, WPARAM wParam, LPARAM lParam, bool post) {
  HWND grid = ::GetParent(m_hWnd);
  if (!grid) return;
  if (post)
    ::PostMessageW(grid, msg, wParam, lParam);
  else
    ::SendMessageW(grid, msg, wParam, lParam);
}

void JHeaderCtrl::OnColumnClick(int column) {
  bool ascending = true;
  if (!m_Sort.OnColumnClick(column, g_ShowCameraName, &ascending)) return;
  SendToGrid(WM_HEADER_CLICK, (WPARAM)column, ascending ? 1 : 0, false);
}

std::vector<PngSize> JHeaderCtrl::BandImages() { return {{PNG_HEADER_NORMAL, kBandWidth, kHeight}}; }

std::vector<PngSize> JHeaderCtrl::HoverBandImages() {
  return {{PNG_HEADER_HOT, kBandWidth, kHeight}, {PNG_HEADER_PRESSED, kBandWidth, kHeight}};
}

void JHeaderCtrl::DrawHeaderItem(NMCUSTOMDRAW* cd) {
  const int item = (int)cd->dwItemSpec;
  CRect rc(cd->rc);
  const int w = rc.Width(), h = rc.Height();
  CDC* mem = PrepareMemDC();
  if (!mem) return;

  UINT image = PNG_HEADER_NORMAL;
  if (rc.PtInRect(m_HoverPoint)) {
    m_FocusedItem = item;
    if (HeaderItemCanHighlight(item, g_ShowCameraName))
      image = (cd->uItemState & CDIS_SELECTED) ? PNG_HEADER_PRESSED : PNG_HEADER_HOT;
  }
  CRect band(0, 0, kBandWidth, kHeight);
  DrawPng(mem, image, &band);

  wchar_t text[256] = {0};
  HDITEMW hd{};
  hd.mask = HDI_TEXT;
  hd.pszText = text;
  hd.cchTextMax = 255;
  GetItem(item, &hd);
  CRect textRc(0, 0, w, h);
  mem->DrawText(text, -1, &textRc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);

  mem->MoveTo(w - 1, 0);
  mem->LineTo(w - 1, h);

  if (item == 0) {
    CRect box(kCheckAllBox);
    DrawPng(mem, m_Sort.CheckAllOn() ? PNG_CHECK_ON : PNG_CHECK_OFF, &box);
  }
  ::BitBlt(cd->hdc, rc.left, rc.top, w, h, mem->GetSafeHdc(), 0, 0, SRCCOPY);
  ReleaseMemDC();
}

void JHeaderCtrl::OnMouseMove(UINT, CPoint point) {
  m_HoverPoint = point;
  if (!m_LeaveTracking) {
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = m_hWnd;
    m_LeaveTracking = ::TrackMouseEvent(&tme) != FALSE;
  }
  if (!m_Tracking) Invalidate(FALSE);
}

void JHeaderCtrl::OnMouseLeave() {
  m_LeaveTracking = false;
  m_HoverPoint = CPoint(-1, -1);
  Invalidate(FALSE);
}

void JHeaderCtrl::OnLButtonDown(UINT, CPoint point) {
  CRect box(kCheckAllBox);
  if (box.PtInRect(point)) {
    bool on = m_Sort.ToggleCheckAll();
    SendToGrid(WM_HEADER_CLICK, 0, on ? 1 : 0, true);
  }
}

BOOL JHeaderCtrl::OnSetCursor() {
  if (HeaderKeepsArrowCursor(m_FocusedItem)) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    return TRUE;
  }
  return FALSE;
}

LRESULT JHeaderCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
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
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      return Default();
    default:
      return CHeaderCtrl::WindowProc(msg, wParam, lParam);
  }
}

BOOL JHeaderCtrl::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg != WM_NOTIFY) return CHeaderCtrl::OnChildNotify(msg, wParam, lParam, result);
  NMHDR* nm = reinterpret_cast<NMHDR*>(lParam);
  switch (nm->code) {
    case NM_CUSTOMDRAW: {
      NMCUSTOMDRAW* cd = reinterpret_cast<NMCUSTOMDRAW*>(lParam);
      if (cd->dwDrawStage == CDDS_PREPAINT) {
        *result = CDRF_NOTIFYITEMDRAW;
        return TRUE;
      }
      if (cd->dwDrawStage == CDDS_ITEMPREPAINT) {
        DrawHeaderItem(cd);
        *result = CDRF_SKIPDEFAULT;
        return TRUE;
      }
      *result = CDRF_DODEFAULT;
      return TRUE;
    }
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA: {
      NMHEADERW* hd = reinterpret_cast<NMHEADERW*>(lParam);
      if (!HeaderDividerDragAllowed(hd->iItem)) {
        *result = TRUE;  // refuse the drag
        return TRUE;
      }
      m_Tracking = true;
      *result = FALSE;
      return TRUE;
    }
    case HDN_ENDTRACKW:
    case HDN_ENDTRACKA: {
      NMHEADERW* hd = reinterpret_cast<NMHEADERW*>(lParam);
      int width = 0;
      if (hd->pitem && (hd->pitem->mask & HDI_WIDTH)) {
        width = hd->pitem->cxy;
      } else {
        CRect rc;
        GetItemRect(hd->iItem, &rc);
        width = rc.Width();
      }
      SendToGrid(WM_HEADER_WIDTH, (WPARAM)hd->iItem, width, false);
      m_Tracking = false;
      *result = 0;
      return TRUE;
    }
    case HDN_ITEMCLICKW:
    case HDN_ITEMCLICKA: {
      NMHEADERW* hd = reinterpret_cast<NMHEADERW*>(lParam);
      if (hd->iItem != 0) OnColumnClick(hd->iItem);
      *result = 0;
      return TRUE;
    }
    case NM_RELEASEDCAPTURE:
      SendToGrid(WM_GRID_RELAYOUT, 0, 0, false);
      *result = 0;
      return TRUE;
    default:
      return FALSE;
  }
}
