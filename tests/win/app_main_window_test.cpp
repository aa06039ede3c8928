// The main window as a user meets it, in-process under Wine without the discovery engine
// (nothing is broadcast): keys that must not end it, conflict reports racing a new search,
// the toolbar commands, the skin of the strip, the status column, and every text of the
// window in all 13 languages (measured, and saved as screenshots).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "app/batch_commands.h"
#include "app/dlg_main_win.h"
#include "app/main_frame_win.h"
#include "app/settings_file.h"
#include "device/helpers.h"
#include "fx/fx.h"
#include "kit/jgridtree.h"
#include "kit/jmessagebox.h"
#include "kit/jtreectrl.h"
#include "kit/kit_messages.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "port/exe_file.h"
#include "tests/win/kit_controls_support.h"

namespace {

class App : public CWinApp {};
App g_App;

// Handles what is waiting as the program's message loop does (keyboard navigation of the
// modeless main window included).
void PumpAsApp() {
  for (int round = 0; round < 3; ++round) {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (g_App.PreTranslateMessage(&m)) continue;
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
  }
}

DeviceRecord Device(const std::wstring& ip, const std::wstring& mac) {
  DeviceRecord r;
  r[SLOT_IP] = ip;
  r[SLOT_MAC] = mac;
  r[SLOT_FIRMWARE] = L"K2A-0100-V1.0";
  r[SLOT_MODEL] = L"CAM";
  r[SLOT_SERIAL] = L"S" + mac.substr(mac.size() - 2);
  return r;
}

// One frame for the whole program: under Wine without a window manager, hiding or
// destroying a shown top-level window waits for the X server.
class MainWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (frame) return;
    const std::wstring settings = ExecutableFolder() + L"app_main_window_test.ini";
    port::RemoveFile(settings);
    g_Settings.SetPath(settings);
    g_Settings.Load();
    SetLanguage(1033);
    g_pDeviceSearcher = nullptr;  // no discovery: nothing leaves this process
    g_pDeviceGrid = new JGridTree();
    frame = new CMainFrame();
    ASSERT_TRUE(frame->Create(nullptr, L"Dorvik", WS_OVERLAPPEDWINDOW));
    g_App.m_pMainWnd = frame;
    frame->ShowWindow(SW_SHOW);
    frame->CreateContents();
    PumpAsApp();
  }

  void SetUp() override {
    ASSERT_TRUE(frame && main() && main()->m_hWnd);
    if (g_LanguageId != 1033) Relabel(1033);
  }

  static Dlg_Main* main() { return frame->MainWindow(); }
  static JTreeCtrl* tree() { return g_pDeviceGrid->GetTree(); }
  static void Relabel(LANGID lang) {
    SetLanguage(lang);
    frame->SendMessage(WM_LANGUAGE_CHANGED);
    PumpAsApp();
  }
  static RowHandle Add(const DeviceRecord& r, LPARAM flags = 0) {
    return static_cast<RowHandle>(
        main()->SendMessage(WM_DEVICE_FOUND, reinterpret_cast<WPARAM>(&r), flags));
  }

  static CMainFrame* frame;
};
CMainFrame* MainWindow::frame = nullptr;

TEST_F(MainWindow, EscapeAndEnterNeverEndIt) {
  for (int vk : {VK_ESCAPE, VK_RETURN}) {
    g_UserEdit.SetFocus();
    g_UserEdit.PostMessage(WM_KEYDOWN, vk, 1);
    g_UserEdit.PostMessage(WM_KEYUP, vk, 0xC0000001);
    PumpAsApp();
    EXPECT_TRUE(main()->IsWindowVisible()) << vk;
  }
  // Still the working window after a refresh.
  frame->SendMessage(WM_REFRESH_DEVICES);
  PumpAsApp();
  EXPECT_TRUE(main()->IsWindowVisible());
}

// The discovery thread finds a conflict and reports it while the window's thread is busy
// starting a new search; the report arrives when the new search has rows of its own, one of
// which may have the old row's handle.
TEST_F(MainWindow, ConflictOfAnEarlierSearchLeavesTheNewRowsAlone) {
  main()->Refresh();
  const RowHandle old = Add(Device(L"10.9.1.1", L"00:00:00:00:91:01"));
  ASSERT_NE(old, 0u);
  std::thread discovery([] { main()->List().IsAddressConflict(L"10.9.1.1", L"00:00:00:00:91:02"); });
  // Wait (without handling it) until the report waits for this thread.
  for (int i = 0; i < 500 && !(HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE); ++i) ::Sleep(10);
  ASSERT_TRUE(HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE);

  main()->Refresh();
  const RowHandle fresh = Add(Device(L"10.9.1.2", L"00:00:00:00:91:03"));
  if (fresh != old) GTEST_LOG_(INFO) << "the new row did not reuse the old handle";
  PumpAsApp();
  discovery.join();
  PumpAsApp();
  EXPECT_FALSE(tree()->GetRow(fresh)->blocked);
  EXPECT_EQ(tree()->GetCell(fresh, ColumnIndexOf(507)).value_or(L""), L"");

  // A report of the search under way still blocks its row.
  std::atomic<bool> done{false};
  std::thread now([&] {
    main()->List().IsAddressConflict(L"10.9.1.2", L"00:00:00:00:91:04");
    done = true;
  });
  while (!done) {
    PumpAsApp();
    ::Sleep(5);
  }
  now.join();
  EXPECT_TRUE(tree()->GetRow(fresh)->blocked);
  EXPECT_EQ(tree()->GetCell(fresh, ColumnIndexOf(507)).value_or(L""),
            L"The device IP address is conflict with another devices");
}

// Check-all takes exactly the rows whose ticks the user sees: not recorders of the "NVQG3"
// platform nor devices that say they cannot be upgraded (their boxes are disabled), but
// blocked rows, whose conflict the user clears through the IP-set operation.
TEST_F(MainWindow, CheckAllTakesExactlyTheRowsThatShowATick) {
  main()->Refresh();
  const RowHandle plain = Add(Device(L"10.9.2.1", L"00:00:00:00:92:01"));
  DeviceRecord g3 = Device(L"10.9.2.2", L"00:00:00:00:92:02");
  g3[SLOT_PLATFORM] = L"NVQG3";
  const RowHandle recorder = Add(g3, FOUND_TEXT_REPLY);
  DeviceRecord fixed = Device(L"10.9.2.3", L"00:00:00:00:92:03");
  fixed[SLOT_UPGRADABLE] = L"False";
  const RowHandle locked = Add(fixed, FOUND_TEXT_REPLY);
  const RowHandle blocked = Add(Device(L"10.9.2.4", L"00:00:00:00:92:04"), FOUND_BLOCK_ROW);
  PumpAsApp();
  EXPECT_FALSE(tree()->GetCheckButton(recorder)->IsWindowEnabled());
  EXPECT_FALSE(tree()->GetCheckButton(locked)->IsWindowEnabled());
  EXPECT_TRUE(tree()->GetRow(blocked)->blocked);
  EXPECT_TRUE(tree()->GetCheckButton(blocked)->IsWindowEnabled());

  g_pDeviceGrid->SendMessage(WM_HEADER_CLICK, 0, 1);
  std::vector<RowHandle> rows = main()->CheckedRows();
  std::sort(rows.begin(), rows.end());
  std::vector<RowHandle> expected{plain, blocked};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(rows, expected);
  g_pDeviceGrid->SendMessage(WM_HEADER_CLICK, 0, 0);
  EXPECT_TRUE(main()->CheckedRows().empty());
}

// The message box that a press of the window's button `id` shows, closed with OK: its
// caption and text, or nothing when none came up.
struct Shown {
  bool box = false;
  CString caption, text;
};
Shown PressAndRead(Dlg_Main* main, UINT id) {
  Shown shown;
  kittest::Script script([&](int step) {
    HWND h = nullptr;
    for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
      if (::GetWindow(w, GW_OWNER) == ::GetParent(main->m_hWnd) || ::GetWindow(w, GW_OWNER) == main->m_hWnd)
        if (auto* box = dynamic_cast<JMessageBox*>(CWnd::FromHandlePermanent(w))) {
          h = w;
          shown.box = true;
          shown.text = box->m_Text;
          box->GetWindowText(shown.caption);
        }
    if (h) ::PostMessageW(h, WM_COMMAND, IDOK, 0);
    return !h && step < 40;
  });
  CWnd* button = main->GetDlgItem(static_cast<int>(id));
  if (!button) return shown;
  CRect r;
  button->GetClientRect(&r);
  button->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.Width() / 2, r.Height() / 2));
  button->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(r.Width() / 2, r.Height() / 2));
  PumpAsApp();
  return shown;
}

// Buttons whose operation is not built yet never do nothing: each says so under its own
// caption; those the batch engine runs ask for a checked device first (none is checked here);
// the about button shows the product and its version.
TEST_F(MainWindow, EveryToolbarButtonAnswers) {
  for (UINT id : Dlg_Main::kButtonIds) {
    if (id == IDC_REFRESH) continue;
    Shown s = PressAndRead(main(), id);
    EXPECT_TRUE(s.box) << id;
    if (main()->Batch() && main()->Batch()->IsRegistered(id)) {
      EXPECT_STREQ(s.caption, L"Warning") << id;
      EXPECT_STREQ(s.text, L"Please select Device") << id;
      continue;
    }
    EXPECT_STREQ(s.caption, LoadLangString(id)) << id;
    EXPECT_STREQ(s.text, L"This operation is not available in this version yet.") << id;
  }
  Shown about = PressAndRead(main(), IDC_ABOUT);
  EXPECT_TRUE(about.box);
  EXPECT_STREQ(about.caption, L"Version");
  EXPECT_STREQ(about.text, L"Dorvik 1.0.0.0");
  // Refresh searches again, without a box.
  const int before = main()->RefreshCount();
  EXPECT_FALSE(PressAndRead(main(), IDC_REFRESH).box);
  EXPECT_EQ(main()->RefreshCount(), before + 1);
}

}  // namespace

// The program writes its exports and settings beside itself: this test runs from a folder of
// its own, so that the other window tests' files stay theirs.
int RunInOwnFolder() {
  const std::wstring home = kittest::ExeDir() + L"\\main_window";
  ::CreateDirectoryW(home.c_str(), nullptr);
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring copy = home + L"\\app_main_window_test.exe";
  if (!::CopyFileW(self, copy.c_str(), FALSE)) return -1;
  std::wstring cmd = L"\"" + copy + L"\"";
  const wchar_t* args = ::GetCommandLineW();
  // The arguments after the program's own name.
  bool quoted = *args == L'"';
  for (++args; *args && (quoted ? *args != L'"' : *args != L' '); ++args) {}
  if (*args == L'"') ++args;
  cmd += args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, home.c_str(), &si, &pi))
    return -1;
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 1;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  return static_cast<int>(code);
}

int wmain(int argc, wchar_t** argv) {
  const std::wstring dir = kittest::ExeDir();
  if (dir.size() < 12 || dir.compare(dir.size() - 12, 12, L"\\main_window") != 0) return RunInOwnFolder();
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new kittest::Environment);
  return RUN_ALL_TESTS();
}
