#include "app/shell/main_frame_win.h"

#include <dbghelp.h>

#include "app/shell/dlg_language_win.h"
#include "app/shell/dlg_main_win.h"
#include "kit/kit_messages.h"
#include "kit/lang.h"
#include "res/resource.h"

namespace {

constexpr int kMinFrameHeight = 283;
using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                         PMINIDUMP_EXCEPTION_INFORMATION,
                                         PMINIDUMP_USER_STREAM_INFORMATION,
                                         PMINIDUMP_CALLBACK_INFORMATION);
// Found once per process: a second failure writes no second dump.
MiniDumpWriteDumpFn g_DumpFn = nullptr;

}  // namespace

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() {
  delete m_pLanguageDlg;
  delete m_pMainDlg;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTW& cs) {
  HINSTANCE inst = AfxGetInstanceHandle();
  WNDCLASSEXW wc{};
  if (!::GetClassInfoExW(inst, kFrameClassName, &wc)) {
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = inst;
    wc.hIcon = ::LoadIconW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME));
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kFrameClassName;
    ::RegisterClassExW(&wc);
  }
  CFrameWnd::PreCreateWindow(cs);
  cs.lpszClass = kFrameClassName;
  return TRUE;
}

int CMainFrame::OnCreate(CREATESTRUCTW*) {
  HICON icon = ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
  SetIcon(icon, TRUE);
  SetIcon(icon, FALSE);
  ::SetUnhandledExceptionFilter(&CMainFrame::CrashDumpFilter);
  ::RegisterHotKey(m_hWnd, WM_LANGUAGE_CHANGED, MOD_CONTROL | MOD_ALT, 'J');
  return 0;
}

void CMainFrame::CreateContents() {
  ::SetMenu(m_hWnd, nullptr);
  SetWindowPos(nullptr, 0, 0, 1024, 768, SWP_NOMOVE | SWP_NOZORDER);
  CRect client;
  GetClientRect(&client);
  client.right -= 4;
  client.bottom -= 4;

  m_Tray.cbSize = sizeof m_Tray;
  m_Tray.hWnd = m_hWnd;
  m_Tray.uID = 0;
  m_Tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  m_Tray.uCallbackMessage = WM_TRAY_NOTIFY;
  m_Tray.hIcon = ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
  lstrcpynW(m_Tray.szTip, LoadLangString(128), ARRAYSIZE(m_Tray.szTip));

  m_pLanguageDlg = new Dlg_Language();
  m_pMainDlg = new Dlg_Main();
  if (m_pMainDlg->CreateMain(this)) {
    m_pMainDlg->MoveWindow(&client);
    m_pMainDlg->Relabel();
    m_pMainDlg->ShowWindow(SW_SHOW);
  }
  // Made now and left hidden: the hot key shows it.
  m_pLanguageDlg->CreateHidden(this);
}

void CMainFrame::OnHotKey(WPARAM id) {
  if (id != WM_LANGUAGE_CHANGED || ::GetForegroundWindow() != m_hWnd) return;
  if (m_pLanguageDlg && m_pLanguageDlg->m_hWnd) m_pLanguageDlg->ShowOver(this);
}

void CMainFrame::OnLanguageChanged() {
  lstrcpynW(m_Tray.szTip, LoadLangString(128), ARRAYSIZE(m_Tray.szTip));
  if (m_TrayShown) ::Shell_NotifyIconW(NIM_MODIFY, &m_Tray);
  SetWindowText(LoadLangString(128));
  if (m_pMainDlg) m_pMainDlg->Relabel();
}

void CMainFrame::RemoveTrayIcon() {
  if (m_TrayShown) ::Shell_NotifyIconW(NIM_DELETE, &m_Tray);
  m_TrayShown = false;
}

void CMainFrame::OnClose() {
  // The close waits while it handles messages: a second close (or Alt+F4) then is ignored.
  // A close while the main window's search waits is carried out when the search has
  // returned: nothing is shut down under a running search.
  if (m_Closing) return;
  if (m_pMainDlg && m_pMainDlg->Busy()) {
    m_pMainDlg->CloseWhenIdle();
    return;
  }
  m_Closing = true;
  if (m_pMainDlg) {
    m_pMainDlg->Shutdown();
    // The object itself goes with the frame: a close that comes while a command's box is
    // shown returns into that command, which is still running on it.
    m_pMainDlg->DestroyWindow();
  }
  if (m_pLanguageDlg && m_pLanguageDlg->m_hWnd) m_pLanguageDlg->DestroyWindow();
  RemoveTrayIcon();
  DestroyWindow();
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      LRESULT r = CFrameWnd::WindowProc(msg, wParam, lParam);
      if (r == -1) return -1;
      return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));
    }
    case WM_TRAY_NOTIFY:
      if (lParam == WM_LBUTTONDBLCLK) {
        RemoveTrayIcon();
        ShowWindow(IsIconic() ? SW_RESTORE : SW_SHOW);
        ::SetForegroundWindow(m_hWnd);
      }
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        ShowWindow(SW_HIDE);
        if (!m_TrayShown) m_TrayShown = ::Shell_NotifyIconW(NIM_ADD, &m_Tray) != FALSE;
        return 0;
      }
      return CFrameWnd::WindowProc(msg, wParam, lParam);
    case WM_SIZE: {
      LRESULT r = CFrameWnd::WindowProc(msg, wParam, lParam);
      if (m_pMainDlg && m_pMainDlg->m_hWnd) {
        const int w = LOWORD(lParam), h = HIWORD(lParam);
        m_pMainDlg->MoveWindow(0, 0, w > 4 ? w - 4 : 0, h > 4 ? h - 4 : 0);
      }
      return r;
    }
    case WM_SIZING: {
      LRESULT r = CFrameWnd::WindowProc(msg, wParam, lParam);
      RECT* rc = reinterpret_cast<RECT*>(lParam);
      if (rc && rc->bottom - rc->top < kMinFrameHeight) rc->bottom = rc->top + kMinFrameHeight;
      return r ? r : TRUE;
    }
    case WM_HOTKEY:
      OnHotKey(wParam);
      return CFrameWnd::WindowProc(msg, wParam, lParam);
    case WM_REFRESH_DEVICES:
      if (m_pMainDlg) m_pMainDlg->Refresh();
      return 0;
    case WM_LANGUAGE_CHANGED:
      OnLanguageChanged();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    default:
      return CFrameWnd::WindowProc(msg, wParam, lParam);
  }
}

LONG WINAPI CMainFrame::CrashDumpFilter(EXCEPTION_POINTERS* info) {
  if (g_DumpFn) return EXCEPTION_CONTINUE_SEARCH;
  HMODULE dll = ::LoadLibraryW(L"dbghelp.dll");
  if (!dll) return EXCEPTION_CONTINUE_SEARCH;
  g_DumpFn = reinterpret_cast<MiniDumpWriteDumpFn>(
      reinterpret_cast<void*>(::GetProcAddress(dll, "MiniDumpWriteDump")));
  if (!g_DumpFn) return EXCEPTION_CONTINUE_SEARCH;
  HANDLE file = ::CreateFileW(L"debugdmp.dmp", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return EXCEPTION_CONTINUE_SEARCH;
  MINIDUMP_EXCEPTION_INFORMATION mei{};
  mei.ThreadId = ::GetCurrentThreadId();
  mei.ExceptionPointers = info;
  mei.ClientPointers = FALSE;
  g_DumpFn(::GetCurrentProcess(), ::GetCurrentProcessId(), file, MiniDumpNormal,
           info ? &mei : nullptr, nullptr, nullptr);
  ::CloseHandle(file);
  return EXCEPTION_CONTINUE_SEARCH;
}
