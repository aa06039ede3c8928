// Entry point of Dorvik.exe.
#include <windows.h>

#include "port/net.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (!port::NetInit()) return 1;
  return 0;
}
