#include "fx/wnd.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <typeinfo>
#include <unordered_map>

#include "port/pace_log.h"

// Handle-to-object map of every bound window. Window objects are used on the
// thread that made them, but worker threads may look a window up (to post to
// it or draw into it), so the map is guarded.
struct WndRegistry {
  std::mutex lock;
  std::unordered_map<HWND, CWnd*> map;

  static WndRegistry& Get() {
    static WndRegistry r;
    return r;
  }
  void Add(HWND h, CWnd* w) {
    std::lock_guard<std::mutex> g(lock);
    map[h] = w;
  }
  void Remove(HWND h, CWnd* w) {
    std::lock_guard<std::mutex> g(lock);
    auto it = map.find(h);
    if (it != map.end() && it->second == w) map.erase(it);
  }
  CWnd* Find(HWND h) {
    std::lock_guard<std::mutex> g(lock);
    auto it = map.find(h);
    return it == map.end() ? nullptr : it->second;
  }
};

namespace {

// The object being created on this thread, bound by the CBT hook to the first
// window that the creation call makes (before that window's first message).
thread_local CWnd* t_pending = nullptr;

}  // namespace

CWnd::~CWnd() {
  if (m_hWnd && !m_temporary) {
    HWND h = m_hWnd;
    bool routed = m_pfnSuper != nullptr;
    Unbind();
    if (routed && ::IsWindow(h)) ::DestroyWindow(h);
  }
}

CWnd* CWnd::FromHandlePermanent(HWND h) {
  if (!h) return nullptr;
  return WndRegistry::Get().Find(h);
}

CWnd* CWnd::FromHandle(HWND h) {
  if (!h) return nullptr;
  if (CWnd* w = FromHandlePermanent(h)) return w;
  thread_local std::map<HWND, std::unique_ptr<CWnd>> temps;
  auto& slot = temps[h];
  if (!slot) {
    slot.reset(new CWnd);
    slot->m_temporary = true;
  }
  slot->m_hWnd = h;
  return slot.get();
}

void CWnd::Bind(HWND h, bool route) {
  m_hWnd = h;
  WndRegistry::Get().Add(h, this);
  if (route) {
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWndProc)));
  }
}

void CWnd::Unbind() {
  if (!m_hWnd) return;
  if (m_pfnSuper && ::IsWindow(m_hWnd) &&
      ::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC) ==
          reinterpret_cast<LONG_PTR>(&CWnd::StaticWndProc)) {
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  }
  WndRegistry::Get().Remove(m_hWnd, this);
  m_pfnSuper = nullptr;
  m_hWnd = nullptr;
}

BOOL CWnd::SubclassWindow(HWND h) {
  if (!h || m_hWnd || FromHandlePermanent(h)) return FALSE;
  Bind(h, true);
  PreSubclassWindow();
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  HWND h = ::GetDlgItem(parent->m_hWnd, (int)id);
  return h ? SubclassWindow(h) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  HWND h = m_hWnd;
  Unbind();
  return h;
}

BOOL CWnd::Attach(HWND h) {
  if (!h || m_hWnd) return FALSE;
  Bind(h, false);
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (h) {
    WndRegistry::Get().Remove(h, this);
    m_hWnd = nullptr;
  }
  return h;
}

LRESULT CALLBACK CWnd::CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && t_pending) {
    CWnd* w = t_pending;
    t_pending = nullptr;
    w->Bind(reinterpret_cast<HWND>(wParam), true);
    w->PreSubclassWindow();
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTW& cs) {
  if (!cs.lpszClass) cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS);
  return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName,
                    DWORD style, const RECT& rect, CWnd* parent, UINT id, void* param) {
  if (m_hWnd) return FALSE;
  CREATESTRUCTW cs{};
  cs.dwExStyle = exStyle;
  cs.lpszClass = className;
  cs.lpszName = windowName;
  cs.style = (LONG)style;
  cs.x = rect.left;
  cs.y = rect.top;
  if (rect.left == CW_USEDEFAULT) {
    cs.cx = CW_USEDEFAULT;  // default placement and size
    cs.cy = CW_USEDEFAULT;
  } else {
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
  }
  cs.hwndParent = parent ? parent->m_hWnd : nullptr;
  cs.hMenu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
  cs.hInstance = ::GetModuleHandleW(nullptr);
  cs.lpCreateParams = param;
  if (!PreCreateWindow(cs)) return FALSE;

  HWND h = CreateHooked([&] {
    return ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, (DWORD)cs.style, cs.x,
                             cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance,
                             cs.lpCreateParams);
  });
  return h != nullptr;
}

HWND CWnd::CreateHooked(const std::function<HWND()>& make) {
  CWnd* saved = t_pending;
  t_pending = this;
  HHOOK hook = ::SetWindowsHookExW(WH_CBT, &CWnd::CbtHook, nullptr, ::GetCurrentThreadId());
  HWND h = make();
  if (hook) ::UnhookWindowsHookEx(hook);
  bool boundByHook = (t_pending == nullptr);
  t_pending = saved;
  if (!h) {
    if (m_hWnd) Unbind();
    return nullptr;
  }
  if (!boundByHook && !m_hWnd) SubclassWindow(h);
  return h;
}

BOOL CWnd::Create(const wchar_t* className, const wchar_t* windowName, DWORD style,
                  const RECT& rect, CWnd* parent, UINT id, void* param) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id, param);
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWnd* w = FromHandlePermanent(h);
  if (!w || !w->m_pfnSuper) return ::DefWindowProcW(h, msg, wParam, lParam);
  // Only the outermost message of a thread is timed: what it calls is part of its time.
  static thread_local int depth = 0;
  struct Depth {
    ~Depth() { --depth; }
  } nested;
  const bool outermost = depth++ == 0;
  port::pace::Scope timed(port::pace::kWindowMessage, msg, outermost,
                          outermost && port::pace::On() ? typeid(*w).name() : nullptr);
  try {
    return w->Dispatch(msg, wParam, lParam);
  } catch (...) {
    // A failing handler must not unwind through the system's code.
    return 0;
  }
}

LRESULT CWnd::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r;
  {
    // Default() of a nested message must not see this one, nor this one the
    // nested one; the guard also restores it when a handler throws.
    struct Restore {
      CurrentMsg& slot;
      CurrentMsg saved;
      ~Restore() { slot = saved; }
    } restore{m_current, m_current};
    m_current = {msg, wParam, lParam};
    r = WindowProc(msg, wParam, lParam);
  }
  if (msg == WM_NCDESTROY) {
    // The window is gone: forget the handle, then let the object finish
    // (a self-owning object may delete itself in PostNcDestroy).
    Unbind();
    PostNcDestroy();
  }
  return r;
}

LRESULT CWnd::Default() {
  WNDPROC proc = m_pfnSuper ? m_pfnSuper : ::DefWindowProcW;
  return ::CallWindowProcW(proc, m_hWnd, m_current.msg, m_current.wParam, m_current.lParam);
}

bool CWnd::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  HWND child = nullptr;
  switch (msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
      child = reinterpret_cast<HWND>(lParam);
      break;
    case WM_NOTIFY:
      child = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
      break;
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (dis->CtlType != ODT_MENU) child = dis->hwndItem;
      break;
    }
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (mis->CtlType != ODT_MENU) child = ::GetDlgItem(m_hWnd, (int)mis->CtlID);
      break;
    }
    case WM_DELETEITEM:
      child = reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->hwndItem;
      break;
    case WM_COMPAREITEM:
      child = reinterpret_cast<COMPAREITEMSTRUCT*>(lParam)->hwndItem;
      break;
    default:
      if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC)
        child = reinterpret_cast<HWND>(lParam);
      break;
  }
  if (!child || child == m_hWnd) return false;
  CWnd* w = FromHandlePermanent(child);
  if (!w) return false;
  *result = 0;
  return w->OnChildNotify(msg, wParam, lParam, result) != FALSE;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  switch (msg) {
    case WM_COMMAND:
      if (lParam && ReflectToChild(msg, wParam, lParam, &result)) return result;
      if (OnCommand(wParam, lParam)) return 0;
      return Default();
    case WM_NOTIFY:
      if (ReflectToChild(msg, wParam, lParam, &result)) return result;
      if (OnNotify(wParam, lParam, &result)) return result;
      return Default();
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
      if (ReflectToChild(msg, wParam, lParam, &result)) return result;
      return Default();
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lParam && ReflectToChild(msg, wParam, lParam, &result)) return result;
      return Default();
    default:
      if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
        return reinterpret_cast<LRESULT>(
            OnCtlColor(CDC::FromHandle(reinterpret_cast<HDC>(wParam)),
                       FromHandle(reinterpret_cast<HWND>(lParam)), msg - WM_CTLCOLORMSGBOX));
      }
      return Default();
  }
}

BOOL CWnd::OnCommand(WPARAM, LPARAM) { return FALSE; }
BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }
BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) {
  LRESULT result = 0;
  if (ReflectToChild(m_current.msg, m_current.wParam, m_current.lParam, &result))
    return reinterpret_cast<HBRUSH>(result);
  return reinterpret_cast<HBRUSH>(Default());
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg) {
  for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
    CWnd* w = FromHandlePermanent(h);
    if (w && w->PreTranslateMessage(msg)) return TRUE;
    if (h == stop) break;
  }
  return FALSE;
}

CWnd* CWnd::GetTopLevelParent() const {
  HWND h = m_hWnd;
  while (h && (::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) h = ::GetParent(h);
  return FromHandle(h);
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags) {
  DWORD style = GetStyle();
  DWORD next = (style & ~remove) | add;
  if (next == style) return FALSE;
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (LONG_PTR)next);
  if (swpFlags)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
  return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags) {
  DWORD style = GetExStyle();
  DWORD next = (style & ~remove) | add;
  if (next == style) return FALSE;
  ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, (LONG_PTR)next);
  if (swpFlags)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
  return TRUE;
}

void CWnd::ScreenToClient(LPRECT rc) const {
  ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rc), 2);
}

void CWnd::ClientToScreen(LPRECT rc) const {
  ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(rc), 2);
}

void CWnd::CenterWindow(CWnd* alternateOwner) {
  RECT me{}, area{};
  ::GetWindowRect(m_hWnd, &me);
  HWND over = alternateOwner ? alternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
  if (GetStyle() & WS_CHILD) {
    over = ::GetParent(m_hWnd);
    ::GetClientRect(over, &area);
    ::MapWindowPoints(nullptr, over, reinterpret_cast<POINT*>(&me), 2);
  } else if (over && ::IsWindowVisible(over) && !::IsIconic(over)) {
    ::GetWindowRect(over, &area);
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  int w = me.right - me.left, h = me.bottom - me.top;
  int x = area.left + ((area.right - area.left) - w) / 2;
  int y = area.top + ((area.bottom - area.top) - h) / 2;
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::GetWindowText(CString& out) const {
  int n = ::GetWindowTextLengthW(m_hWnd);
  if (n <= 0) {
    out.Empty();
    return;
  }
  wchar_t* buf = out.GetBuffer(n + 1);
  int got = ::GetWindowTextW(m_hWnd, buf, n + 1);
  out.ReleaseBuffer(got);
}

CString CWnd::GetWindowTextString() const {
  CString s;
  GetWindowText(s);
  return s;
}

void CWnd::GetDlgItemText(int id, CString& out) const {
  HWND h = ::GetDlgItem(m_hWnd, id);
  if (!h) {
    out.Empty();
    return;
  }
  FromHandle(h)->GetWindowText(out);
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
  ::SendMessageW(m_hWnd, WM_SETFONT, (WPARAM)(font ? font->m_hObject : nullptr), redraw);
}

CFont* CWnd::GetFont() const {
  return CFont::FromHandle((HFONT)::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
}

const wchar_t* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background,
                                   HICON icon) {
  static std::mutex lock;
  static std::map<std::wstring, bool> names;
  if (!cursor) cursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wchar_t name[96];
  wsprintfW(name, L"Fx:%x:%x:%x:%x", classStyle, (UINT)(UINT_PTR)cursor,
            (UINT)(UINT_PTR)background, (UINT)(UINT_PTR)icon);
  std::lock_guard<std::mutex> g(lock);
  auto it = names.find(name);
  if (it == names.end()) {
    WNDCLASSW wc{};
    wc.style = classStyle;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    ::RegisterClassW(&wc);
    it = names.emplace(name, true).first;
  }
  return it->first.c_str();
}
