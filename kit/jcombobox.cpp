#include "kit/jcombobox.h"

#include "kit/jbutton_look.h"
#include "kit/jcombobox_rows.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "kit/png_cache.h"

namespace {
const COLORREF kRowFill = RGB(0xE8, 0xE8, 0xE8);
const COLORREF kRowSelected = RGB(0x50, 0xA2, 0xD8);
}  // namespace

JComboBox::JComboBox() : JObject(this) {}

JComboBox::~JComboBox() = default;

void JComboBox::UpdateFaceRect() {
  if (!m_hWnd) return;
  CRect r;
  GetWindowRect(&r);
  if (HWND parent = ::GetParent(m_hWnd)) {
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  m_FaceRect = r;
  jcombo::Box a = jcombo::ComputeArrowBox({r.left, r.top, r.right, r.bottom});
  m_ArrowRect = CRect(a.left, a.top, a.right, a.bottom);
}

void JComboBox::PreSubclassWindow() {
  UpdateFaceRect();
  CComboBox::PreSubclassWindow();
}

void JComboBox::DrawSkin(CDC* dc) {
  dc->SelectObject(&g_PenBlue);
  dc->SetTextColor(RGB(0, 0, 0));
}

void JComboBox::DrawItem(LPDRAWITEMSTRUCT dis) {
  int index = (int)dis->itemID;
  CString text;
  if (index >= 0) GetLBText(index, text);
  CDC* mem = PrepareMemDC();
  if (!mem) return;
  CRect item(dis->rcItem);
  int width = item.Width(), height = item.Height();
  if (index >= 0) {
    jcombo::RowBoxes rows = jcombo::ComputeRowBoxes(index, GetCount(), width, height);
    mem->Rectangle(rows.frame.left, rows.frame.top, rows.frame.right, rows.frame.bottom);
    CRect fill(rows.fill.left, rows.fill.top, rows.fill.right, rows.fill.bottom);
    mem->FillSolidRect(&fill, (dis->itemState & ODS_SELECTED) ? kRowSelected : kRowFill);
    CRect textRect(rows.text.left, rows.text.top, rows.text.right, rows.text.bottom);
    // A list that takes no input shows its choice greyed, as a disabled button its caption.
    const bool disabled = (dis->itemState & ODS_DISABLED) != 0;
    if (disabled) mem->SetTextColor(jbutton::kTextDisabled);
    mem->DrawText(text, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (disabled) mem->SetTextColor(RGB(0, 0, 0));
  }
  ::BitBlt(dis->hDC, 0, item.top, width, height, mem->GetSafeHdc(), 0, 0, SRCCOPY);
  ReleaseMemDC();
}

CRect JComboBox::FaceTextRect() const {
  return CRect(m_FaceRect.left + 5, m_FaceRect.top, m_ArrowRect.left - 2, m_FaceRect.bottom);
}

void JComboBox::DrawFace(CDC* parentDc) {
  CString text;
  GetWindowText(text);
  CRect r = FaceTextRect();
  parentDc->DrawText(text, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  DrawPng(parentDc, kArrowImage, &m_ArrowRect);
}

BOOL JComboBox::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg == WM_COMMAND) {
    if (HIWORD(wParam) == CBN_DROPDOWN) {
      m_Open = true;
    } else if (HIWORD(wParam) == CBN_CLOSEUP) {
      m_Open = false;
      if (HWND parent = ::GetParent(m_hWnd)) ::InvalidateRect(parent, &m_FaceRect, TRUE);
    }
    return FALSE;  // the parent may act on the notification too
  }
  return CComboBox::OnChildNotify(msg, wParam, lParam, result);
}

void JComboBox::PaintParentFace() {
  CPaintDC paint(this);
  CRect client;
  GetClientRect(&client);
  HWND parent = ::GetParent(m_hWnd);
  if (!parent || client.IsRectEmpty()) return;
  CDC mem;
  CBitmap bmp;
  if (!mem.CreateCompatibleDC(&paint) || !bmp.CreateCompatibleBitmap(&paint, client.Width(), client.Height()))
    return;
  CBitmap* old = mem.SelectObject(&bmp);
  mem.FillSolidRect(&client, SKIN_WHITE);
  // The parent paints its whole skin, shifted so that this combo's place lands at (0, 0).
  POINT at{0, 0};
  ::MapWindowPoints(m_hWnd, parent, &at, 1);
  ::SetViewportOrgEx(mem.m_hDC, -at.x, -at.y, nullptr);
  ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem.m_hDC), PRF_CLIENT);
  ::SetViewportOrgEx(mem.m_hDC, 0, 0, nullptr);
  if (::GetFocus() == m_hWnd) {
    CRect mark = FaceTextRect();
    mark.OffsetRect(-at.x, -at.y);
    mark.InflateRect(2, -2, 0, -2);
    ::DrawFocusRect(mem.m_hDC, &mark);
  }
  paint.BitBlt(0, 0, client.Width(), client.Height(), &mem, 0, 0, SRCCOPY);
  mem.SelectObject(old);
}

LRESULT JComboBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_FaceInParent) {
    switch (msg) {
      case WM_NCHITTEST:
        return HTTRANSPARENT;  // the parent's face takes the click
      case WM_PAINT:
        PaintParentFace();
        return 0;
      case WM_SETFOCUS:
      case WM_KILLFOCUS: {
        LRESULT r = CComboBox::WindowProc(msg, wParam, lParam);
        Invalidate(FALSE);
        return r;
      }
      default:
        break;
    }
  }
  switch (msg) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_CREATE:
    case WM_WINDOWPOSCHANGED: {
      // The face follows the combo when it is made here or moved later (pages shift
      // their controls sideways for the language after binding them).
      LRESULT r = CComboBox::WindowProc(msg, wParam, lParam);
      UpdateFaceRect();
      return r;
    }
    default:
      return CComboBox::WindowProc(msg, wParam, lParam);
  }
}
