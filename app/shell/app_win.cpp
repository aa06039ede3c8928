#include "app/shell/app_win.h"

#include <commctrl.h>
#include <ole2.h>
#include <objidl.h>
#include <gdiplus.h>
#include <timeapi.h>

#include "app/shell/main_frame_win.h"
#include "app/settings_file/settings_file.h"
#include "app/batch/time_scale.h"
#include "device/device_searcher.h"
#include "device/firmware_upgrader.h"
#include "device/jsocket.h"
#include "kit/jgridtree.h"
#include "kit/jheaderctrl.h"
#include "kit/jhtmldlg.h"
#include "kit/kit_messages.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "kit/png_cache.h"
#include "port/net.h"

// The single global objects, made before the application object runs.
namespace {
struct GlobalObjects {
  GlobalObjects() {
    g_pDeviceGrid = new (std::nothrow) JGridTree();
    g_pHtmlDlg = new (std::nothrow) JHtmlDlg();
    g_pDeviceSearcher = new (std::nothrow) DeviceSearcher();
    // Its waits run on the program's clock (DORVIK_TIME_SCALE, app/batch/time_scale.h).
    g_pFirmwareUpgrader = new (std::nothrow) FirmwareUpgrader(nullptr, nullptr, &ProductClock());
  }
} g_GlobalObjects;
}  // namespace

APP theApp;

BOOL APP::InitInstance() {
  // A copy already running: show it and end this one, touching nothing.
  if (HWND running = ::FindWindowW(kFrameClassName, nullptr)) {
    ::PostMessageW(running, WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK);
    return FALSE;
  }

  // The program's pauses are a few milliseconds each (5 ms between two passes of the
  // discovery dispatcher, the polls of a connect or of an upload's answer): with the
  // system's default timer tick of 15.6 ms every one of them would last a whole tick.
  m_TimerPeriodSet = ::timeBeginPeriod(1) == TIMERR_NOERROR;
  Gdiplus::GdiplusStartupInput input;
  m_GdiplusStarted = Gdiplus::GdiplusStartup(&m_GdiplusToken, &input, nullptr) == Gdiplus::Ok;
  // The grid's header stretches its images over a band wider than the window: the one the
  // first paint shows comes first, those of the mouse over it last.
  if (m_GdiplusStarted) StartPngWarmUp(JHeaderCtrl::BandImages(), JHeaderCtrl::HoverBandImages());
  CreateSkinFonts();

  g_Settings.SetPath(SettingsFilePath());
  g_Settings.Load();
  SetLanguage(static_cast<LANGID>(ReadLanguageId(g_Settings.Document())));

  INITCOMMONCONTROLSEX icc{sizeof icc, 0xFF};
  ::InitCommonControlsEx(&icc);

  if (!port::NetInit()) {
    ::MessageBoxW(nullptr, LoadLangString(104), LoadLangString(128), MB_OK | MB_ICONSTOP);
    return FALSE;
  }
  // A probe that leaves only in part is the one discovery failure the user is told of.
  JSocket::SetSendFailHandler([] { ::MessageBoxW(nullptr, L"Send fail", L"", MB_OK); });
  m_OleStarted = SUCCEEDED(::OleInitialize(nullptr));
  if (!m_OleStarted) {
    ::MessageBoxW(nullptr, LoadLangString(100), LoadLangString(128), MB_OK | MB_ICONSTOP);
    return FALSE;
  }
  SetRegistryKey(L"Local AppWizard-Generated Applications");

  m_pFrame = new CMainFrame();
  if (!m_pFrame->Create(nullptr, LoadLangString(128), WS_OVERLAPPEDWINDOW)) return FALSE;
  m_pMainWnd = m_pFrame;
  g_pScreenDC = new CClientDC(m_pFrame);
  m_pFrame->ShowWindow(m_nCmdShow);
  m_pFrame->UpdateWindow();
  m_pFrame->CreateContents();
  return TRUE;
}

int APP::ExitInstance() {
  delete g_pScreenDC;
  g_pScreenDC = nullptr;
  // The settings file was written once, language last, by the main window's close.
  FreePngCache();
  delete m_pFrame;
  m_pFrame = nullptr;
  if (m_GdiplusStarted) Gdiplus::GdiplusShutdown(m_GdiplusToken);
  // Only a start that succeeded is undone: an unmatched end would close the thread's COM
  // apartment under whoever else opened it.
  if (m_OleStarted) ::OleUninitialize();
  m_OleStarted = false;
  if (m_TimerPeriodSet) ::timeEndPeriod(1);
  m_TimerPeriodSet = false;
  return CWinApp::ExitInstance();
}
