#include "kit/jcombobox.h"

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
    mem->DrawText(text, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  ::BitBlt(dis->hDC, 0, item.top, width, height, mem->GetSafeHdc(), 0, 0, SRCCOPY);
  ReleaseMemDC();
}

void JComboBox::DrawFace(CDC* parentDc) {
  CString text;
  GetWindowText(text);
  CRect r(m_FaceRect);
  r.left += 5;
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

LRESULT JComboBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
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
