// The frame and the main window in-process under Wine, without the discovery engine (nothing
// is broadcast): start size, minimum height, the toolbar strip above the grid, rows and the
// CSV line from WM_DEVICE_FOUND, the tray route, and the settings file written at close.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdio>
#include <string>

#include "app/device_list/device_csv.h"
#include "app/shell/dlg_main_win.h"
#include "app/shell/main_frame_win.h"
#include "app/settings_file/settings_file.h"
#include "app/settings_file/utf16_text.h"
#include "device/device_searcher.h"
#include "device/helpers.h"
#include "fx/fx.h"
#include "kit/jgridtree.h"
#include "kit/jtreectrl.h"
#include "kit/kit_messages.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "port/exe_file.h"

namespace {

void Pump() {
  for (int round = 0; round < 3; ++round) {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
  }
}

class App : public CWinApp {};
App g_App;

struct Process {
  Process() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);
    Gdiplus::GdiplusStartupInput in;
    Gdiplus::GdiplusStartup(&token, &in, nullptr);
    CreateSkinFonts();
    SetLanguage(1033);
  }
  ULONG_PTR token = 0;
};

DeviceRecord Device(const wchar_t* ip, const wchar_t* mac, const wchar_t* name) {
  DeviceRecord r;
  r[SLOT_IP] = ip;
  r[SLOT_MAC] = mac;
  r[SLOT_CAMERA_NAME] = name;
  r[SLOT_FIRMWARE] = L"K2A-0100-V1.0";
  r[SLOT_MODEL] = L"CAM";
  r[SLOT_SERIAL] = L"S1";
  return r;
}

TEST(MainFrame, StartsSizedRowsExportAndSettingsAtClose) {
  static Process process;
  const std::wstring folder = ExecutableFolder();
  const std::wstring settings = folder + L"app_frame_test.ini";
  port::RemoveFile(settings);
  g_Settings.SetPath(settings);
  g_Settings.Load();
  g_pDeviceSearcher = nullptr;  // no discovery: nothing leaves this process
  g_pDeviceGrid = new JGridTree();

  CMainFrame* frame = new CMainFrame();
  ASSERT_TRUE(frame->Create(nullptr, L"Dorvik", WS_OVERLAPPEDWINDOW));
  g_App.m_pMainWnd = frame;
  frame->ShowWindow(SW_SHOW);
  frame->CreateContents();
  Pump();
  EXPECT_EQ(::FindWindowW(kFrameClassName, nullptr), frame->m_hWnd);

  CRect r;
  frame->GetWindowRect(&r);
  EXPECT_EQ(r.Width(), 1024);
  EXPECT_EQ(r.Height(), 768);
  // A drag lower than 283 px stops there; the width is free.
  RECT drag{100, 100, 140, 150};
  frame->SendMessage(WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&drag));
  EXPECT_EQ(drag.bottom - drag.top, 283);
  EXPECT_EQ(drag.right - drag.left, 40);

  Dlg_Main* main = frame->MainWindow();
  ASSERT_TRUE(main && main->m_hWnd);
  CRect grid;
  g_pDeviceGrid->GetWindowRect(&grid);
  main->ScreenToClient(&grid);
  EXPECT_EQ(grid.top, Dlg_Main::kToolbarHeight);
  EXPECT_EQ(main->RefreshCount(), 1);  // the relabel ran the first search
  frame->SendMessage(WM_REFRESH_DEVICES);
  EXPECT_EQ(main->RefreshCount(), 2);

  // Two answers with one IP and two MACs: two rows, both blocked.
  DeviceRecord a = Device(L"10.9.0.1", L"00:00:00:00:09:01", L"A");
  DeviceRecord b = Device(L"10.9.0.1", L"00:00:00:00:09:02", L"B");
  EXPECT_FALSE(main->List().IsAddressConflict(a[SLOT_IP], a[SLOT_MAC]));
  main->SendMessage(WM_DEVICE_FOUND, reinterpret_cast<WPARAM>(&a), 0);
  EXPECT_TRUE(main->List().IsAddressConflict(b[SLOT_IP], b[SLOT_MAC]));
  main->SendMessage(WM_DEVICE_FOUND, reinterpret_cast<WPARAM>(&b), 517);
  JTreeCtrl* tree = g_pDeviceGrid->GetTree();
  std::vector<RowHandle> rows = tree->GetAllRows();
  ASSERT_EQ(rows.size(), 2u);
  for (RowHandle row : rows) {
    EXPECT_TRUE(tree->GetRow(row)->blocked);
    EXPECT_EQ(tree->GetCell(row, 6).value_or(L""), L"The device IP address is conflict with another devices");
  }

  // Minimising hides to the tray; the tray double-click shows the frame again.
  frame->SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
  EXPECT_FALSE(frame->IsWindowVisible());
  frame->SendMessage(WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(frame->IsWindowVisible());

  frame->SendMessage(WM_CLOSE);
  Pump();
  EXPECT_EQ(g_pDeviceGrid, nullptr);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(settings, bytes));
  IniDocument doc;
  doc.Parse(bytes);
  EXPECT_EQ(doc.SectionNames(), SettingsSectionOrder());
  EXPECT_EQ(doc.GetInt(L"LANGUAGE", L"LANGUAGE", 0), 1033);
  port::RemoveFile(settings);
  delete frame;

  // The rows went to this search's export, header first, one line each.
  WIN32_FIND_DATAW fd;
  HANDLE h = ::FindFirstFileW((folder + L"Dorvik_*.csv").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::wstring newest;
  FILETIME best{};
  do {
    if (::CompareFileTime(&fd.ftLastWriteTime, &best) >= 0) {
      best = fd.ftLastWriteTime;
      newest = folder + fd.cFileName;
    }
  } while (::FindNextFileW(h, &fd));
  ::FindClose(h);
  ASSERT_TRUE(ReadWholeFile(newest, bytes));
  EXPECT_EQ(DecodeUtf16Le(bytes), CsvHeaderLine(false) + CsvDeviceLine(a, false) + CsvDeviceLine(b, false));
  port::RemoveFile(newest);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
