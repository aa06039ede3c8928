// CWinApp (the one application object and its message loop) and CFrameWnd
// (a top-level window of our own class).
#pragma once
#include <windows.h>

#include "fx/wnd.h"

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // FALSE ends the program before the message loop.
  virtual BOOL InitInstance() { return TRUE; }
  // The program's exit code.
  virtual int ExitInstance() { return m_exitCode; }
  // The message loop: every message passes the PreTranslateMessage chain of
  // the windows under it, then the dialog manager of its top-level dialog
  // window, then TranslateMessage / DispatchMessage. Ends on WM_QUIT.
  virtual int Run();
  virtual BOOL PreTranslateMessage(MSG* msg);

  // Kept only; the program stores its settings in its own file.
  void SetRegistryKey(const wchar_t* key) { m_registryKey = key ? key : L""; }

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  const wchar_t* m_lpCmdLine = L"";
  int m_nCmdShow = SW_SHOWNORMAL;
  CString m_registryKey;

 protected:
  int m_exitCode = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
// Runs the application object: InitInstance, Run when it succeeded, ExitInstance.
int AfxWinMain(HINSTANCE instance, const wchar_t* cmdLine, int cmdShow);

class CFrameWnd : public CWnd {
 public:
  // A top-level overlapped window; className null uses a class of our own
  // (PreCreateWindow may name another).
  BOOL Create(const wchar_t* className, const wchar_t* title,
              DWORD style = WS_OVERLAPPEDWINDOW, const RECT& rect = rectDefault,
              CWnd* parent = nullptr, HMENU menu = nullptr, DWORD exStyle = 0);
  BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  static const RECT rectDefault;
};
