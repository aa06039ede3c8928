#include "fx/controls.h"

BOOL CStatic::Create(const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(L"STATIC", text, style, rect, parent, id);
}

BOOL CButton::Create(const wchar_t* caption, DWORD style, const RECT& rect, CWnd* parent,
                     UINT id) {
  return CWnd::Create(L"BUTTON", caption, style, rect, parent, id);
}

BOOL CButton::OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
  if (msg != WM_DRAWITEM) return FALSE;
  DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  *result = TRUE;
  return TRUE;
}

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(L"EDIT", L"", style, rect, parent, id);
}

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(L"LISTBOX", L"", style, rect, parent, id);
}

void CListBox::GetText(int i, CString& out) const {
  int n = (int)SendMessage(LB_GETTEXTLEN, (WPARAM)i);
  if (n <= 0) {
    out.Empty();
    return;
  }
  wchar_t* buf = out.GetBuffer(n + 1);
  int got = (int)SendMessage(LB_GETTEXT, (WPARAM)i, (LPARAM)buf);
  out.ReleaseBuffer(got < 0 ? 0 : got);
}

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(L"COMBOBOX", L"", style, rect, parent, id);
}

void CComboBox::GetLBText(int i, CString& out) const {
  int n = GetLBTextLen(i);
  if (n <= 0) {
    out.Empty();
    return;
  }
  wchar_t* buf = out.GetBuffer(n + 1);
  int got = (int)SendMessage(CB_GETLBTEXT, (WPARAM)i, (LPARAM)buf);
  out.ReleaseBuffer(got < 0 ? 0 : got);
}

BOOL CComboBox::OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
  switch (msg) {
    case WM_DRAWITEM:
      DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
      *result = TRUE;
      return TRUE;
    case WM_MEASUREITEM:
      MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
      *result = TRUE;
      return TRUE;
    case WM_COMPAREITEM:
      *result = CompareItem(reinterpret_cast<LPCOMPAREITEMSTRUCT>(lParam));
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL CScrollBar::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(L"SCROLLBAR", L"", style, rect, parent, id);
}

BOOL CScrollBar::GetScrollInfo(SCROLLINFO* si, UINT mask) const {
  si->cbSize = sizeof(SCROLLINFO);
  si->fMask = mask;
  return ::GetScrollInfo(m_hWnd, SB_CTL, si);
}

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
  RECT none{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
  none.right = none.left;
  none.bottom = none.top;
  BOOL ok = CWnd::CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | style,
                           none, parent, 0);
  if (ok)
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return ok;
}

void CToolTipCtrl::FillTool(TOOLINFOW& ti, CWnd* wnd, UINT_PTR toolId) const {
  ti = TOOLINFOW{};
  ti.cbSize = sizeof(TOOLINFOW);
  if (toolId == 0) {
    // The whole window is the tool; it is identified by its handle.
    HWND parent = ::GetParent(wnd->m_hWnd);
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = parent ? parent : wnd->m_hWnd;
    ti.uId = reinterpret_cast<UINT_PTR>(wnd->m_hWnd);
  } else {
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = wnd->m_hWnd;
    ti.uId = toolId;
  }
}

BOOL CToolTipCtrl::AddTool(CWnd* wnd, const wchar_t* text, LPCRECT rect, UINT_PTR toolId) {
  TOOLINFOW ti;
  FillTool(ti, wnd, toolId);
  if (rect) ti.rect = *rect;
  ti.lpszText = const_cast<wchar_t*>(text ? text : L"");
  return (BOOL)SendMessage(TTM_ADDTOOLW, 0, (LPARAM)&ti);
}

void CToolTipCtrl::DelTool(CWnd* wnd, UINT_PTR toolId) {
  TOOLINFOW ti;
  FillTool(ti, wnd, toolId);
  SendMessage(TTM_DELTOOLW, 0, (LPARAM)&ti);
}

void CToolTipCtrl::UpdateTipText(const wchar_t* text, CWnd* wnd, UINT_PTR toolId) {
  TOOLINFOW ti;
  FillTool(ti, wnd, toolId);
  ti.lpszText = const_cast<wchar_t*>(text ? text : L"");
  SendMessage(TTM_UPDATETIPTEXTW, 0, (LPARAM)&ti);
}

void CToolTipCtrl::SetToolRect(CWnd* wnd, UINT_PTR toolId, LPCRECT rect) {
  TOOLINFOW ti;
  FillTool(ti, wnd, toolId);
  if (rect) ti.rect = *rect;
  SendMessage(TTM_NEWTOOLRECTW, 0, (LPARAM)&ti);
}

void CToolTipCtrl::GetText(CString& text, CWnd* wnd, UINT_PTR toolId) const {
  wchar_t buf[1024] = L"";
  TOOLINFOW ti;
  FillTool(ti, wnd, toolId);
  ti.lpszText = buf;
  SendMessage(TTM_GETTEXTW, ARRAYSIZE(buf), (LPARAM)&ti);
  text = buf;
}

CRect CToolTipCtrl::GetToolRect(CWnd* wnd, UINT_PTR toolId) const {
  TOOLINFOW ti;
  FillTool(ti, wnd, toolId);
  if (!SendMessage(TTM_GETTOOLINFOW, 0, (LPARAM)&ti)) return CRect(0, 0, 0, 0);
  return CRect(ti.rect);
}

BOOL CIPAddressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(WC_IPADDRESSW, L"", style, rect, parent, id);
}

int CIPAddressCtrl::GetAddress(BYTE& f0, BYTE& f1, BYTE& f2, BYTE& f3) const {
  DWORD a = 0;
  int n = GetAddress(a);
  f0 = (BYTE)FIRST_IPADDRESS(a);
  f1 = (BYTE)SECOND_IPADDRESS(a);
  f2 = (BYTE)THIRD_IPADDRESS(a);
  f3 = (BYTE)FOURTH_IPADDRESS(a);
  return n;
}

BOOL CHeaderCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(WC_HEADERW, L"", style, rect, parent, id);
}

BOOL CHeaderCtrl::OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
  if (msg != WM_DRAWITEM) return FALSE;
  DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  *result = TRUE;
  return TRUE;
}

BOOL CTreeCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(WC_TREEVIEWW, L"", style, rect, parent, id);
}

HTREEITEM CTreeCtrl::InsertItem(const wchar_t* text, HTREEITEM parent, HTREEITEM after) {
  TVINSERTSTRUCTW ins{};
  ins.hParent = parent;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT;
  ins.item.pszText = const_cast<wchar_t*>(text ? text : L"");
  return InsertItem(&ins);
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM item, LPRECT rc, BOOL textOnly) const {
  // TVM_GETITEMRECT takes the item handle in the rectangle's first field.
  *reinterpret_cast<HTREEITEM*>(rc) = item;
  return (BOOL)SendMessage(TVM_GETITEMRECT, textOnly, (LPARAM)rc);
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const {
  TVITEMW it{};
  it.mask = TVIF_PARAM | TVIF_HANDLE;
  it.hItem = item;
  if (!SendMessage(TVM_GETITEMW, 0, (LPARAM)&it)) return 0;
  return (DWORD_PTR)it.lParam;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) {
  TVITEMW it{};
  it.mask = TVIF_PARAM | TVIF_HANDLE;
  it.hItem = item;
  it.lParam = (LPARAM)data;
  return (BOOL)SendMessage(TVM_SETITEMW, 0, (LPARAM)&it);
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const {
  wchar_t buf[1024] = L"";
  TVITEMW it{};
  it.mask = TVIF_TEXT | TVIF_HANDLE;
  it.hItem = item;
  it.pszText = buf;
  it.cchTextMax = 1024;
  SendMessage(TVM_GETITEMW, 0, (LPARAM)&it);
  return CString(buf);
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, const wchar_t* text) {
  TVITEMW it{};
  it.mask = TVIF_TEXT | TVIF_HANDLE;
  it.hItem = item;
  it.pszText = const_cast<wchar_t*>(text ? text : L"");
  return (BOOL)SendMessage(TVM_SETITEMW, 0, (LPARAM)&it);
}

BOOL CTreeCtrl::SetItemState(HTREEITEM item, UINT state, UINT mask) {
  TVITEMW it{};
  it.mask = TVIF_STATE | TVIF_HANDLE;
  it.hItem = item;
  it.state = state;
  it.stateMask = mask;
  return (BOOL)SendMessage(TVM_SETITEMW, 0, (LPARAM)&it);
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM item) const { return GetChildItem(item) != nullptr; }

HTREEITEM CTreeCtrl::HitTest(POINT pt, UINT* flags) const {
  TVHITTESTINFO hit{};
  hit.pt = pt;
  HTREEITEM item = (HTREEITEM)SendMessage(TVM_HITTEST, 0, (LPARAM)&hit);
  if (flags) *flags = hit.flags;
  return item;
}

