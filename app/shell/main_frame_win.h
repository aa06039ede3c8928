// CMainFrame: the top-level window of the program (class "Dorvik_By_Malo"): 1024 x 768 at
// start, hides to a tray icon when minimised, the hot key Ctrl+Alt+J, the crash dump, and
// the main window filling its client area.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "fx/app.h"

class Dlg_Language;
class Dlg_Main;

constexpr wchar_t kFrameClassName[] = L"Dorvik_By_Malo";

class CMainFrame : public CFrameWnd {
 public:
  CMainFrame();
  ~CMainFrame() override;

  BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Sizes the frame, prepares the tray icon and creates the main window.
  void CreateContents();
  Dlg_Main* MainWindow() const { return m_pMainDlg; }
  Dlg_Language* LanguageDialog() const { return m_pLanguageDlg; }

  static LONG WINAPI CrashDumpFilter(EXCEPTION_POINTERS* info);

 private:
  int OnCreate(CREATESTRUCTW* cs);
  void OnClose();
  void RemoveTrayIcon();
  // Ctrl+Alt+J with this frame in front: the language dialog.
  void OnHotKey(WPARAM id);
  // Every window relabelled in the new language; the main window searches again.
  void OnLanguageChanged();

  Dlg_Main* m_pMainDlg = nullptr;
  Dlg_Language* m_pLanguageDlg = nullptr;
  bool m_Closing = false;
  NOTIFYICONDATAW m_Tray{};
  bool m_TrayShown = false;
};
