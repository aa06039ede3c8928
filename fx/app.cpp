#include "fx/app.h"

#include "port/pace_log.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }
HINSTANCE AfxGetInstanceHandle() { return ::GetModuleHandleW(nullptr); }

BOOL CWinApp::PreTranslateMessage(MSG* msg) {
  if (CWnd::WalkPreTranslateTree(nullptr, msg)) return TRUE;
  // Keyboard navigation of modeless dialogs: the top-level window under the
  // message, when it is a dialog.
  HWND top = msg->hwnd;
  while (top && (::GetWindowLongPtrW(top, GWL_STYLE) & WS_CHILD)) top = ::GetParent(top);
  for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
    wchar_t cls[16] = L"";
    ::GetClassNameW(h, cls, 16);
    if (lstrcmpW(cls, L"#32770") == 0 && ::IsDialogMessageW(h, msg)) return TRUE;
    if (h == top) break;
  }
  return FALSE;
}

int CWinApp::Run() {
  MSG msg;
  for (;;) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      m_exitCode = (int)msg.wParam;
      break;
    }
    if (got == -1) break;
    char cls[32] = "";
    if (port::pace::On()) ::GetClassNameA(msg.hwnd, cls, sizeof cls);
    port::pace::Scope timed(port::pace::kLoopMessage, msg.message, true, cls);
    if (PreTranslateMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return ExitInstance();
}

int AfxWinMain(HINSTANCE instance, const wchar_t* cmdLine, int cmdShow) {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  app->m_hInstance = instance;
  app->m_lpCmdLine = cmdLine ? cmdLine : L"";
  app->m_nCmdShow = cmdShow;
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}

const RECT CFrameWnd::rectDefault = {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};

BOOL CFrameWnd::Create(const wchar_t* className, const wchar_t* title, DWORD style,
                       const RECT& rect, CWnd* parent, HMENU menu, DWORD exStyle) {
  if (!CWnd::CreateEx(exStyle, className, title, style, rect, parent, 0)) return FALSE;
  if (menu) ::SetMenu(m_hWnd, menu);
  return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTW& cs) {
  if (!cs.lpszClass)
    cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, nullptr,
                                       (HBRUSH)(COLOR_WINDOW + 1));
  return TRUE;
}

LRESULT CFrameWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCDESTROY: {
      LRESULT r = CWnd::WindowProc(msg, wParam, lParam);
      // The main window's end ends the message loop.
      if (CWinApp* app = AfxGetApp())
        if (app->m_pMainWnd == this) {
          app->m_pMainWnd = nullptr;
          ::PostQuitMessage(0);
        }
      return r;
    }
    default:
      return CWnd::WindowProc(msg, wParam, lParam);
  }
}
