// Drives a running Dorvik.exe from outside for the end-to-end test, as a user would:
//   dorvik_remote wait SECONDS   exit 0 once the main frame exists (1 after the time)
//   dorvik_remote advanced       choose "Advanced Search" in the search-mode list
//   dorvik_remote minimize       minimise the frame (it hides to the tray)
//   dorvik_remote visible        print 1 when the frame is shown, else 0
//   dorvik_remote foreground     print 1 when the frame is the foreground window, else 0
//   dorvik_remote close          post WM_CLOSE to the frame
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

constexpr wchar_t kFrameClass[] = L"Dorvik_By_Malo";
constexpr int kSearchModeId = 1116;

HWND Frame() { return ::FindWindowW(kFrameClass, nullptr); }

struct Look {
  int id;
  HWND found;
};

BOOL CALLBACK MatchId(HWND h, LPARAM p) {
  Look* l = reinterpret_cast<Look*>(p);
  if (::GetDlgCtrlID(h) == l->id) {
    l->found = h;
    return FALSE;
  }
  return TRUE;
}

HWND FindChildById(HWND parent, int id) {
  Look look{id, nullptr};
  ::EnumChildWindows(parent, &MatchId, reinterpret_cast<LPARAM>(&look));
  return look.found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const wchar_t* cmd = argv[1];
  if (!std::wcscmp(cmd, L"wait")) {
    int seconds = argc > 2 ? _wtoi(argv[2]) : 30;
    for (int i = 0; i < seconds * 10; ++i) {
      if (Frame() && FindChildById(Frame(), kSearchModeId)) return 0;
      ::Sleep(100);
    }
    return 1;
  }
  HWND frame = Frame();
  if (!frame) {
    std::fprintf(stderr, "no Dorvik window\n");
    return 1;
  }
  if (!std::wcscmp(cmd, L"advanced")) {
    HWND combo = FindChildById(frame, kSearchModeId);
    if (!combo) return 1;
    ::SendMessageW(combo, CB_SETCURSEL, 1, 0);
    ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(kSearchModeId, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
    return 0;
  }
  if (!std::wcscmp(cmd, L"minimize")) {
    ::SendMessageW(frame, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return 0;
  }
  if (!std::wcscmp(cmd, L"visible")) {
    std::printf("%d\n", ::IsWindowVisible(frame) ? 1 : 0);
    return 0;
  }
  if (!std::wcscmp(cmd, L"foreground")) {
    std::printf("%d\n", ::GetForegroundWindow() == frame ? 1 : 0);
    return 0;
  }
  if (!std::wcscmp(cmd, L"close")) {
    ::PostMessageW(frame, WM_CLOSE, 0, 0);
    return 0;
  }
  return 2;
}
