// The application object's start and end under Wine: a second copy hands over to the
// running one and ends without undoing what it never started.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <cstring>

#include "app/shell/app_win.h"
#include "app/shell/main_frame_win.h"
#include "kit/kit_messages.h"

namespace {

// Calls of the program to OLE's start and end, counted through this executable's import
// table (Wine forgives an unmatched end; Windows closes the thread's COM apartment).
int g_OleStarts = 0;
int g_OleEnds = 0;
HRESULT WINAPI CountedOleInitialize(LPVOID reserved) {
  ++g_OleStarts;
  return ::OleInitialize(reserved);
}
void WINAPI CountedOleUninitialize() { ++g_OleEnds; }

// Points this executable's import of `dll`!`name` at `replacement`.
bool PatchImport(const char* dll, const char* name, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
    if (_stricmp(reinterpret_cast<char*>(base + imp->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(byName->Name), name) != 0) continue;
      DWORD old;
      ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      return true;
    }
  }
  return false;
}

// Stands in for the running copy's frame: records the tray message it is posted.
LRESULT CALLBACK RunningCopy(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TRAY_NOTIFY) ::SetPropW(h, L"tray", reinterpret_cast<HANDLE>(lp));
  return ::DefWindowProcW(h, msg, wp, lp);
}

TEST(AppInstance, SecondCopyEndsWithoutEndingOle) {
  ASSERT_TRUE(PatchImport("ole32.dll", "OleInitialize", reinterpret_cast<void*>(&CountedOleInitialize)));
  ASSERT_TRUE(PatchImport("ole32.dll", "OleUninitialize", reinterpret_cast<void*>(&CountedOleUninitialize)));

  WNDCLASSW wc{};
  wc.lpfnWndProc = RunningCopy;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kFrameClassName;
  ASSERT_TRUE(::RegisterClassW(&wc));
  HWND running = ::CreateWindowW(kFrameClassName, L"Dorvik", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                 nullptr, wc.hInstance, nullptr);
  ASSERT_TRUE(running);

  EXPECT_FALSE(theApp.InitInstance());
  theApp.ExitInstance();

  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);
  EXPECT_EQ(reinterpret_cast<LPARAM>(::GetPropW(running, L"tray")), WM_LBUTTONDBLCLK);
  // The second copy started no OLE, so it ends none.
  EXPECT_EQ(g_OleStarts, 0);
  EXPECT_EQ(g_OleEnds, 0);
  ::DestroyWindow(running);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
