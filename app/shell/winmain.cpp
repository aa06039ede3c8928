// Entry point of Dorvik.exe: runs the application object.
#include <windows.h>

#include "app/shell/app_win.h"
#include "fx/app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR cmdLine, int cmdShow) {
  // Using the application object here links it (and the program's globals) in.
  theApp.m_hInstance = instance;
  return AfxWinMain(instance, cmdLine, cmdShow);
}
