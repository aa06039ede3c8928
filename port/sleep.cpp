#include "port/sync.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace port {

void SleepMs(int ms) {
  if (ms < 0) ms = 0;
#ifdef _WIN32
  // The system's own sleep. The C++ library's sleep_for waits on the thread's event with a
  // time-out instead, which under Wine oversleeps by about half a millisecond, a tenth of
  // the pause between two passes of the discovery dispatcher.
  ::Sleep(static_cast<DWORD>(ms));
#else
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
}

}  // namespace port
