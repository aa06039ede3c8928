// Handles what is waiting for the user-interface thread, sent messages included, so that
// threads blocked in SendMessage to it can go on while it waits for them.
#pragma once
#include <windows.h>

inline void PumpMessages() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(m.wParam));
      return;
    }
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}
