// APP: the application object. Single instance, GDI+, fonts, language, sockets and OLE at
// start; the language written and GDI+ shut down at the end.
#pragma once
#include <windows.h>

#include "fx/app.h"

class CMainFrame;

class APP : public CWinApp {
 public:
  BOOL InitInstance() override;
  int ExitInstance() override;

 private:
  ULONG_PTR m_GdiplusToken = 0;
  bool m_GdiplusStarted = false;
  bool m_OleStarted = false;
  bool m_TimerPeriodSet = false;  // the system timer ticks every millisecond for the program
  CMainFrame* m_pFrame = nullptr;
};

extern APP theApp;
