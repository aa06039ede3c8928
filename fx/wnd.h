// CWnd: a C++ object bound to one window handle.
//
// Message flow: every window that has a CWnd object (made through Create /
// CreateEx / CDialog, or attached with SubclassWindow / SubclassDlgItem /
// DDX_Control) has its window procedure replaced by one static procedure that
// finds the object in a handle map and calls the virtual WindowProc. Each class
// overrides WindowProc with one switch over the messages it handles, calls its
// handler members there, and passes everything else to its base class's
// WindowProc. What no class handles reaches Default(), the window's original
// procedure. Exceptions never leave the static procedure.
#pragma once
#include <windows.h>

#include <functional>

#include "fx/fxstring.h"
#include "fx/gdi.h"
#include "fx/types.h"

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;

  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // ---- binding ------------------------------------------------------------
  // Object of a handle: the bound object, else a temporary wrapper (not bound:
  // its messages are not routed to it). Null for a null handle.
  static CWnd* FromHandle(HWND h);
  // Bound object of a handle, or null.
  static CWnd* FromHandlePermanent(HWND h);
  // Binds this object to an existing window and routes its messages here.
  BOOL SubclassWindow(HWND h);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();
  // Binds without routing messages (the handle is only wrapped).
  BOOL Attach(HWND h);
  HWND Detach();

  // ---- creation -----------------------------------------------------------
  // Class name null: a class of our own with the default procedure, arrow
  // cursor and no background brush. System classes ("BUTTON", WC_TREEVIEWW...)
  // are bound before their first message, so WM_CREATE reaches OnCreate.
  virtual BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName,
                        DWORD style, const RECT& rect, CWnd* parent, UINT id,
                        void* param = nullptr);
  virtual BOOL Create(const wchar_t* className, const wchar_t* windowName, DWORD style,
                      const RECT& rect, CWnd* parent, UINT id, void* param = nullptr);
  virtual BOOL DestroyWindow();
  // Called before the window is created; may change the class, styles and size.
  virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
  // Called when an existing window becomes bound to this object.
  virtual void PreSubclassWindow() {}
  // Called after the last message (WM_NCDESTROY) when the handle is gone.
  virtual void PostNcDestroy() {}

  // ---- messages -----------------------------------------------------------
  // The one message handler of each class (see above).
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The window's original procedure with the message being handled now.
  LRESULT Default();
  // Filters a message of the loop before it is dispatched; TRUE eats it.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // Gives every bound window from msg->hwnd up to `stop` (included) a
  // PreTranslateMessage call, innermost first, until one eats the message.
  static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);

  // WM_COMMAND and WM_NOTIFY after the sending control has declined them (see
  // OnChildNotify). Return TRUE when handled.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  // A notification from this window to its parent, reflected back to it first:
  // WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_DELETEITEM,
  // WM_COMPAREITEM, WM_HSCROLL, WM_VSCROLL and the WM_CTLCOLOR* messages.
  // Return TRUE (and set *result) to stop the parent from handling it.
  virtual BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // WM_CTLCOLOR*: the default reflects to the control, else Default().
  virtual HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor);

  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_hWnd, msg, wParam, lParam);
  }
  BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessageW(m_hWnd, msg, wParam, lParam);
  }

  // ---- window state -------------------------------------------------------
  CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
  CWnd* SetParent(CWnd* parent) { return FromHandle(::SetParent(m_hWnd, parent ? parent->m_hWnd : nullptr)); }
  CWnd* GetOwner() const { return FromHandle(::GetWindow(m_hWnd, GW_OWNER)); }
  CWnd* GetTopLevelParent() const;
  CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  int SetDlgCtrlID(int id) { return (int)::SetWindowLongPtrW(m_hWnd, GWLP_ID, id); }
  BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

  DWORD GetStyle() const { return (DWORD)::GetWindowLongPtrW(m_hWnd, GWL_STYLE); }
  DWORD GetExStyle() const { return (DWORD)::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE); }
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);

  void GetClientRect(LPRECT rc) const { ::GetClientRect(m_hWnd, rc); }
  void GetWindowRect(LPRECT rc) const { ::GetWindowRect(m_hWnd, rc); }
  void ScreenToClient(LPPOINT p) const { ::ScreenToClient(m_hWnd, p); }
  void ScreenToClient(LPRECT rc) const;
  void ClientToScreen(LPPOINT p) const { ::ClientToScreen(m_hWnd, p); }
  void ClientToScreen(LPRECT rc) const;
  void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) {
    ::MoveWindow(m_hWnd, x, y, w, h, repaint);
  }
  void MoveWindow(LPCRECT rc, BOOL repaint = TRUE) {
    ::MoveWindow(m_hWnd, rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top, repaint);
  }
  BOOL SetWindowPos(const CWnd* after, int x, int y, int w, int h, UINT flags) {
    return ::SetWindowPos(m_hWnd, after ? after->m_hWnd : nullptr, x, y, w, h, flags);
  }
  BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
  void InvalidateRect(LPCRECT rc, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rc, erase); }
  BOOL RedrawWindow(LPCRECT rc = nullptr, CRgn* rgn = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
    return ::RedrawWindow(m_hWnd, rc, rgn ? (HRGN)rgn->m_hObject : nullptr, flags);
  }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
  static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
  static CWnd* GetForegroundWindow() { return FromHandle(::GetForegroundWindow()); }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
  void BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
  void CenterWindow(CWnd* alternateOwner = nullptr);
  CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }

  void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text ? text : L""); }
  void GetWindowText(CString& out) const;
  CString GetWindowTextString() const;
  int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
  void SetDlgItemText(int id, const wchar_t* text) { ::SetDlgItemTextW(m_hWnd, id, text); }
  void GetDlgItemText(int id, CString& out) const;
  UINT GetDlgItemInt(int id, BOOL* ok = nullptr, BOOL isSigned = TRUE) const {
    return ::GetDlgItemInt(m_hWnd, id, ok, isSigned);
  }
  void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE) {
    ::SetDlgItemInt(m_hWnd, id, value, isSigned);
  }
  void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
  UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }

  void SetFont(CFont* font, BOOL redraw = TRUE);
  CFont* GetFont() const;
  HICON SetIcon(HICON icon, BOOL big) {
    return (HICON)::SendMessageW(m_hWnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, (LPARAM)icon);
  }
  CDC* GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
  int ReleaseDC(CDC* dc) { return ::ReleaseDC(m_hWnd, dc->m_hDC); }
  HMENU GetMenu() const { return ::GetMenu(m_hWnd); }
  BOOL SetMenu(HMENU menu) { return ::SetMenu(m_hWnd, menu); }

 protected:
  // Original procedure of a subclassed window (what Default() calls).
  WNDPROC m_pfnSuper = nullptr;

 private:
  struct CurrentMsg {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  CurrentMsg m_current{0, 0, 0};
  bool m_temporary = false;

  static LRESULT CALLBACK StaticWndProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam);
  // Runs `make` (which creates one window) with this object bound to the first
  // window created, before that window's first message.
  HWND CreateHooked(const std::function<HWND()>& make);
  void Bind(HWND h, bool route);
  void Unbind();
  LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
  bool ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  friend class CDialog;
  friend struct WndRegistry;
};

// Registers (once) and returns the name of a window class of our own with the
// default window procedure, for frames and custom windows.
const wchar_t* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr,
                                   HBRUSH background = nullptr, HICON icon = nullptr);
