// Thin wrappers of the system's controls. Create* members make the control as
// a child window bound to the object; the rest send the control's messages.
// Owner-drawn controls get DrawItem / MeasureItem from the reflected
// WM_DRAWITEM / WM_MEASUREITEM of their parent (see CWnd::OnChildNotify).
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "fx/wnd.h"

class CStatic : public CWnd {
 public:
  BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xffff);
};

class CButton : public CWnd {
 public:
  BOOL Create(const wchar_t* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int GetCheck() const { return (int)SendMessage(BM_GETCHECK); }
  void SetCheck(int check) { SendMessage(BM_SETCHECK, (WPARAM)check); }
  UINT GetState() const { return (UINT)SendMessage(BM_GETSTATE); }
  void SetState(BOOL highlight) { SendMessage(BM_SETSTATE, (WPARAM)highlight); }
  UINT GetButtonStyle() const { return GetStyle() & 0xff; }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) { SendMessage(BM_SETSTYLE, style, redraw); }
  // Owner-drawn buttons (BS_OWNERDRAW) draw themselves here.
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CEdit : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void SetSel(int start, int end, BOOL noScroll = FALSE) {
    SendMessage(EM_SETSEL, (WPARAM)start, (LPARAM)end);
    if (!noScroll) SendMessage(EM_SCROLLCARET);
  }
  void GetSel(int& start, int& end) const {
    SendMessage(EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
  }
  void ReplaceSel(const wchar_t* text, BOOL canUndo = FALSE) {
    SendMessage(EM_REPLACESEL, canUndo, (LPARAM)text);
  }
  void LimitText(int max = 0) { SendMessage(EM_LIMITTEXT, (WPARAM)max); }
  BOOL SetReadOnly(BOOL readOnly = TRUE) { return (BOOL)SendMessage(EM_SETREADONLY, readOnly); }
  int GetLineCount() const { return (int)SendMessage(EM_GETLINECOUNT); }
  void SetPasswordChar(wchar_t ch) { SendMessage(EM_SETPASSWORDCHAR, ch); }
};

class CListBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int AddString(const wchar_t* s) { return (int)SendMessage(LB_ADDSTRING, 0, (LPARAM)s); }
  int InsertString(int i, const wchar_t* s) { return (int)SendMessage(LB_INSERTSTRING, (WPARAM)i, (LPARAM)s); }
  int DeleteString(int i) { return (int)SendMessage(LB_DELETESTRING, (WPARAM)i); }
  void ResetContent() { SendMessage(LB_RESETCONTENT); }
  int GetCount() const { return (int)SendMessage(LB_GETCOUNT); }
  int GetCurSel() const { return (int)SendMessage(LB_GETCURSEL); }
  int SetCurSel(int i) { return (int)SendMessage(LB_SETCURSEL, (WPARAM)i); }
  void GetText(int i, CString& out) const;
  DWORD_PTR GetItemData(int i) const { return (DWORD_PTR)SendMessage(LB_GETITEMDATA, (WPARAM)i); }
  int SetItemData(int i, DWORD_PTR d) { return (int)SendMessage(LB_SETITEMDATA, (WPARAM)i, (LPARAM)d); }
};

class CComboBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int AddString(const wchar_t* s) { return (int)SendMessage(CB_ADDSTRING, 0, (LPARAM)s); }
  int InsertString(int i, const wchar_t* s) { return (int)SendMessage(CB_INSERTSTRING, (WPARAM)i, (LPARAM)s); }
  int DeleteString(UINT i) { return (int)SendMessage(CB_DELETESTRING, i); }
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
  int GetCount() const { return (int)SendMessage(CB_GETCOUNT); }
  int GetCurSel() const { return (int)SendMessage(CB_GETCURSEL); }
  int SetCurSel(int i) { return (int)SendMessage(CB_SETCURSEL, (WPARAM)i); }
  int GetLBTextLen(int i) const { return (int)SendMessage(CB_GETLBTEXTLEN, (WPARAM)i); }
  void GetLBText(int i, CString& out) const;
  int FindString(int after, const wchar_t* s) const { return (int)SendMessage(CB_FINDSTRING, (WPARAM)after, (LPARAM)s); }
  int FindStringExact(int after, const wchar_t* s) const { return (int)SendMessage(CB_FINDSTRINGEXACT, (WPARAM)after, (LPARAM)s); }
  int SelectString(int after, const wchar_t* s) { return (int)SendMessage(CB_SELECTSTRING, (WPARAM)after, (LPARAM)s); }
  DWORD_PTR GetItemData(int i) const { return (DWORD_PTR)SendMessage(CB_GETITEMDATA, (WPARAM)i); }
  int SetItemData(int i, DWORD_PTR d) { return (int)SendMessage(CB_SETITEMDATA, (WPARAM)i, (LPARAM)d); }
  int GetItemHeight(int i) const { return (int)SendMessage(CB_GETITEMHEIGHT, (WPARAM)i); }
  int SetItemHeight(int i, UINT h) { return (int)SendMessage(CB_SETITEMHEIGHT, (WPARAM)i, (LPARAM)h); }
  BOOL GetDroppedState() const { return (BOOL)SendMessage(CB_GETDROPPEDSTATE); }
  void ShowDropDown(BOOL show = TRUE) { SendMessage(CB_SHOWDROPDOWN, show); }
  void GetDroppedControlRect(LPRECT rc) const { SendMessage(CB_GETDROPPEDCONTROLRECT, 0, (LPARAM)rc); }
  // Owner-drawn combo boxes (CBS_OWNERDRAWFIXED / VARIABLE).
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
  virtual int CompareItem(LPCOMPAREITEMSTRUCT) { return 0; }
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CScrollBar : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int GetScrollPos() const { return ::GetScrollPos(m_hWnd, SB_CTL); }
  int SetScrollPos(int pos, BOOL redraw = TRUE) { return ::SetScrollPos(m_hWnd, SB_CTL, pos, redraw); }
  void GetScrollRange(int* minPos, int* maxPos) const { ::GetScrollRange(m_hWnd, SB_CTL, minPos, maxPos); }
  void SetScrollRange(int minPos, int maxPos, BOOL redraw = TRUE) {
    ::SetScrollRange(m_hWnd, SB_CTL, minPos, maxPos, redraw);
  }
  BOOL GetScrollInfo(SCROLLINFO* si, UINT mask = SIF_ALL) const;
  BOOL SetScrollInfo(SCROLLINFO* si, BOOL redraw = TRUE) {
    return ::SetScrollInfo(m_hWnd, SB_CTL, si, redraw) != 0;
  }
  void ShowScrollBar(BOOL show = TRUE) { ::ShowScrollBar(m_hWnd, SB_CTL, show); }
  BOOL EnableScrollBar(UINT arrows = ESB_ENABLE_BOTH) { return ::EnableScrollBar(m_hWnd, SB_CTL, arrows); }
};

class CToolTipCtrl : public CWnd {
 public:
  BOOL Create(CWnd* parent, DWORD style = 0);
  // A tool for a whole child window (TTF_IDISHWND | TTF_SUBCLASS), or for a
  // rectangle of `wnd` with the given id when rect is given.
  BOOL AddTool(CWnd* wnd, const wchar_t* text, LPCRECT rect = nullptr, UINT_PTR toolId = 0);
  void DelTool(CWnd* wnd, UINT_PTR toolId = 0);
  void UpdateTipText(const wchar_t* text, CWnd* wnd, UINT_PTR toolId = 0);
  // Moves a rectangle tool of `wnd` (an empty rectangle: the tool covers nothing).
  void SetToolRect(CWnd* wnd, UINT_PTR toolId, LPCRECT rect);
  // The text and rectangle of a tool.
  void GetText(CString& text, CWnd* wnd, UINT_PTR toolId = 0) const;
  CRect GetToolRect(CWnd* wnd, UINT_PTR toolId) const;
  void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, (LPARAM)msg); }
  void SetDelayTime(DWORD type, int ms) { SendMessage(TTM_SETDELAYTIME, type, MAKELPARAM(ms, 0)); }
  int SetMaxTipWidth(int width) { return (int)SendMessage(TTM_SETMAXTIPWIDTH, 0, (LPARAM)width); }
  void Activate(BOOL active) { SendMessage(TTM_ACTIVATE, active); }
  int GetToolCount() const { return (int)SendMessage(TTM_GETTOOLCOUNT); }
  void Pop() { SendMessage(TTM_POP); }

 private:
  void FillTool(TOOLINFOW& ti, CWnd* wnd, UINT_PTR toolId) const;
};

class CIPAddressCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  // The number of non-blank fields.
  int GetAddress(BYTE& f0, BYTE& f1, BYTE& f2, BYTE& f3) const;
  int GetAddress(DWORD& address) const { return (int)SendMessage(IPM_GETADDRESS, 0, (LPARAM)&address); }
  void SetAddress(BYTE f0, BYTE f1, BYTE f2, BYTE f3) {
    SendMessage(IPM_SETADDRESS, 0, (LPARAM)MAKEIPADDRESS(f0, f1, f2, f3));
  }
  void SetAddress(DWORD address) { SendMessage(IPM_SETADDRESS, 0, (LPARAM)address); }
  void ClearAddress() { SendMessage(IPM_CLEARADDRESS); }
  BOOL IsBlank() const { return (BOOL)SendMessage(IPM_ISBLANK); }
  void SetFieldFocus(WORD field) { SendMessage(IPM_SETFOCUS, field); }
  void SetFieldRange(int field, BYTE lo, BYTE hi) { SendMessage(IPM_SETRANGE, (WPARAM)field, MAKEIPRANGE(lo, hi)); }
};

class CHeaderCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int GetItemCount() const { return (int)SendMessage(HDM_GETITEMCOUNT); }
  int InsertItem(int pos, HDITEMW* item) { return (int)SendMessage(HDM_INSERTITEMW, (WPARAM)pos, (LPARAM)item); }
  BOOL DeleteItem(int pos) { return (BOOL)SendMessage(HDM_DELETEITEM, (WPARAM)pos); }
  BOOL GetItem(int pos, HDITEMW* item) const { return (BOOL)SendMessage(HDM_GETITEMW, (WPARAM)pos, (LPARAM)item); }
  BOOL SetItem(int pos, HDITEMW* item) { return (BOOL)SendMessage(HDM_SETITEMW, (WPARAM)pos, (LPARAM)item); }
  BOOL GetItemRect(int pos, LPRECT rc) const { return (BOOL)SendMessage(HDM_GETITEMRECT, (WPARAM)pos, (LPARAM)rc); }
  BOOL Layout(HDLAYOUT* layout) { return (BOOL)SendMessage(HDM_LAYOUT, 0, (LPARAM)layout); }
  // Owner-drawn items (HDF_OWNERDRAW).
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CTreeCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  HTREEITEM InsertItem(const TVINSERTSTRUCTW* ins) {
    return (HTREEITEM)SendMessage(TVM_INSERTITEMW, 0, (LPARAM)ins);
  }
  HTREEITEM InsertItem(const wchar_t* text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
  BOOL DeleteItem(HTREEITEM item) { return (BOOL)SendMessage(TVM_DELETEITEM, 0, (LPARAM)item); }
  BOOL DeleteAllItems() { return (BOOL)SendMessage(TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT); }
  HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
    return (HTREEITEM)SendMessage(TVM_GETNEXTITEM, code, (LPARAM)item);
  }
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
  HTREEITEM GetPrevSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUS); }
  HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
  HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
  HTREEITEM GetNextVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXTVISIBLE); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  BOOL SelectItem(HTREEITEM item) { return (BOOL)SendMessage(TVM_SELECTITEM, TVGN_CARET, (LPARAM)item); }
  BOOL SelectSetFirstVisible(HTREEITEM item) {
    return (BOOL)SendMessage(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, (LPARAM)item);
  }
  BOOL GetItemRect(HTREEITEM item, LPRECT rc, BOOL textOnly) const;
  DWORD_PTR GetItemData(HTREEITEM item) const;
  BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
  CString GetItemText(HTREEITEM item) const;
  BOOL SetItemText(HTREEITEM item, const wchar_t* text);
  UINT GetItemState(HTREEITEM item, UINT mask) const {
    return (UINT)SendMessage(TVM_GETITEMSTATE, (WPARAM)item, (LPARAM)mask);
  }
  BOOL SetItemState(HTREEITEM item, UINT state, UINT mask);
  BOOL ItemHasChildren(HTREEITEM item) const;
  BOOL Expand(HTREEITEM item, UINT code) { return (BOOL)SendMessage(TVM_EXPAND, code, (LPARAM)item); }
  SHORT GetItemHeight() const { return (SHORT)SendMessage(TVM_GETITEMHEIGHT); }
  SHORT SetItemHeight(SHORT h) { return (SHORT)SendMessage(TVM_SETITEMHEIGHT, (WPARAM)h); }
  UINT GetCount() const { return (UINT)SendMessage(TVM_GETCOUNT); }
  UINT GetVisibleCount() const { return (UINT)SendMessage(TVM_GETVISIBLECOUNT); }
  UINT GetIndent() const { return (UINT)SendMessage(TVM_GETINDENT); }
  void SetIndent(UINT indent) { SendMessage(TVM_SETINDENT, indent); }
  COLORREF SetBkColor(COLORREF c) { return (COLORREF)SendMessage(TVM_SETBKCOLOR, 0, (LPARAM)c); }
  COLORREF SetTextColor(COLORREF c) { return (COLORREF)SendMessage(TVM_SETTEXTCOLOR, 0, (LPARAM)c); }
  BOOL SortChildren(HTREEITEM parent) { return (BOOL)SendMessage(TVM_SORTCHILDREN, 0, (LPARAM)parent); }
  BOOL SortChildrenCB(LPTVSORTCB sort) { return (BOOL)SendMessage(TVM_SORTCHILDRENCB, 0, (LPARAM)sort); }
  HTREEITEM HitTest(POINT pt, UINT* flags = nullptr) const;
  BOOL EnsureVisible(HTREEITEM item) { return (BOOL)SendMessage(TVM_ENSUREVISIBLE, 0, (LPARAM)item); }
};
