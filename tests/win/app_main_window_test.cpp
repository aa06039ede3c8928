// The main window as a user meets it, in-process under Wine without the discovery engine
// (nothing is broadcast): keys that must not end it, conflict reports racing a new search,
// the toolbar commands, the skin of the strip, the status column, and every text of the
// window in all 13 languages (measured, and saved as screenshots).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <atomic>
#include <string>
#include <thread>

#include "app/batch/batch_commands.h"
#include "app/shell/dlg_about_win.h"
#include "app/shell/dlg_language_win.h"
#include "app/device_list/dlg_add_remove_win.h"
#include "app/shell/dlg_main_win.h"
#include "app/range_scan/dlg_scan_win.h"
#include "app/shell/main_frame_win.h"
#include "app/settings_file/settings_file.h"
#include "device/helpers.h"
#include "device/http_port_map.h"
#include "fx/fx.h"
#include "kit/browser.h"
#include "kit/jgridtree.h"
#include "kit/jheaderctrl.h"
#include "kit/jhtmldlg.h"
#include "kit/jmessagebox.h"
#include "kit/jtreectrl.h"
#include "kit/kit_messages.h"
#include "kit/lang.h"
#include "kit/palette.h"
#include "port/exe_file.h"
#include "res/strings/av_strings.h"
#include "res/strings/kit_strings.h"
#include "tests/win/kit_controls_support.h"
#include "tests/win/label_fit.h"
#include "tests/win/window_shot.h"

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
  friend Dlg_Main* main_window();
  static JTreeCtrl* tree() { return g_pDeviceGrid->GetTree(); }
  static void Relabel(LANGID lang) {
    SetLanguage(lang);
    frame->SendMessage(WM_LANGUAGE_CHANGED);
    PumpAsApp();
  }
  // The switch as the user makes it: the language dialog, the language chosen, Apply.
  static void SwitchLanguage(LANGID lang) {
    Dlg_Language* dialog = frame->LanguageDialog();
    ASSERT_TRUE(dialog && dialog->m_hWnd);
    dialog->ShowOver(frame);
    for (int i = 0; i < dialog->m_Languages.GetCount(); ++i)
      if (dialog->m_Languages.GetItemData(i) == lang) dialog->m_Languages.SetCurSel(i);
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(Dlg_Language::IDC_APPLY, BN_CLICKED),
                        reinterpret_cast<LPARAM>(dialog->m_Apply.m_hWnd));
    PumpAsApp();
    EXPECT_FALSE(dialog->IsWindowVisible());
    EXPECT_EQ(g_LanguageId, lang);
  }
  static RowHandle Add(const DeviceRecord& r, LPARAM flags = 0) {
    return static_cast<RowHandle>(
        main()->SendMessage(WM_DEVICE_FOUND, reinterpret_cast<WPARAM>(&r), flags));
  }

  static CMainFrame* frame;
};
CMainFrame* MainWindow::frame = nullptr;
Dlg_Main* main_window() { return MainWindow::main(); }

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
  EXPECT_FALSE(tree()->GetRow(recorder)->checkBoxEnabled);
  EXPECT_FALSE(tree()->GetRow(locked)->checkBoxEnabled);
  EXPECT_TRUE(tree()->GetRow(blocked)->blocked);
  EXPECT_TRUE(tree()->GetRow(blocked)->checkBoxEnabled);

  g_pDeviceGrid->SendMessage(WM_HEADER_CLICK, 0, 1);
  std::vector<RowHandle> rows = main()->CheckedRows();
  std::sort(rows.begin(), rows.end());
  std::vector<RowHandle> expected{plain, blocked};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(rows, expected);
  g_pDeviceGrid->SendMessage(WM_HEADER_CLICK, 0, 0);
  EXPECT_TRUE(main()->CheckedRows().empty());
}

// The top strip as the skin draws it: both lists inside the combo strip with their frames
// on its edges, their closed faces drawn by the window itself (text and arrow image, what the
// lists show is the window's skin), the white panel behind the buttons; a click on a face
// reaches the window, which opens the list.
TEST_F(MainWindow, StripDrawsTheListFacesAndTheirClicksOpenThem) {
  CRect client;
  main()->GetClientRect(&client);
  std::vector<DrawnText> log;
  CDC::SetTextLog(&log);
  CDC* skin = main()->PrepareMemDC();
  CDC::SetTextLog(nullptr);
  ASSERT_TRUE(skin);
  main()->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpAsApp();
  wintest::ScreenShot shot(*main(), CRect(0, 0, client.Width(), Dlg_Main::kToolbarHeight));
  const COLORREF frameColour = RGB(0x5B, 0x8F, 0xC7);
  for (UINT id : {IDC_ADAPTERS, IDC_SEARCH_MODE}) {
    auto* combo = dynamic_cast<JComboBox*>(main()->GetDlgItem(static_cast<int>(id)));
    ASSERT_TRUE(combo);
    const CRect r = kittest::ChildRect(*main(), *combo);
    EXPECT_GE(r.left, 265 + 1) << id;
    EXPECT_EQ(r.top, 1) << id;
    EXPECT_EQ(r.bottom, 22) << id;
    EXPECT_EQ(shot.Pixel(r.left - 1, r.top + 10), frameColour) << id;
    EXPECT_EQ(shot.Pixel(r.right, r.top + 10), frameColour) << id;
    EXPECT_EQ(shot.Pixel(r.left + 10, r.top - 1), frameColour) << id;
    EXPECT_EQ(shot.Pixel(r.left + 10, r.bottom), frameColour) << id;
    // The face's text is drawn by the window, inside the face and before the arrow.
    CString shown;
    combo->GetWindowText(shown);
    bool drawn = false;
    for (const DrawnText& t : log)
      drawn = drawn || (t.text == shown.GetString() && kittest::ChildRect(*main(), *combo).PtInRect(CPoint(t.room.left, t.room.top)));
    EXPECT_TRUE(drawn) << id;
    // What stands there on the screen is the window's skin: its face, not a list's own look.
    int differ = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) differ += ::GetPixel(skin->m_hDC, x, y) != shot.Pixel(x, y);
    EXPECT_LT(differ, r.Width() * 2) << id;  // at most a focus mark
    // A click on the face goes to the window, which opens the list.
    POINT at{r.left + 8, r.top + 8};
    ::ClientToScreen(main()->m_hWnd, &at);
    EXPECT_EQ(combo->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)), HTTRANSPARENT) << id;
    main()->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 8, r.top + 8));
    EXPECT_TRUE(combo->m_Open) << id;
    EXPECT_TRUE(combo->SendMessage(CB_GETDROPPEDSTATE)) << id;
    combo->ShowDropDown(FALSE);
    PumpAsApp();
    EXPECT_FALSE(combo->m_Open) << id;
  }
  main()->ReleaseMemDC();
  // The white panel behind the buttons, beside and between their rows.
  for (CPoint p : {CPoint(1000, 40), CPoint(1000, 100), CPoint(140, 73)})
    EXPECT_EQ(shot.Pixel(p.x, p.y), RGB(255, 255, 255)) << p.x << "," << p.y;
}

int HeaderWidth(int item) {
  HDITEMW hd{};
  hd.mask = HDI_WIDTH;
  g_pDeviceGrid->GetHeader()->GetItem(item, &hd);
  return hd.cxy;
}

// The status column takes what the other columns leave, as the window grows and as it
// shrinks back; a status it shows shortened is the cell's tooltip, whole.
TEST_F(MainWindow, StatusColumnTakesWhatIsLeftAndTipsShortenedStatuses) {
  main()->Refresh();
  const RowHandle conflict = Add(Device(L"10.9.4.1", L"00:00:00:00:94:01"));
  const RowHandle busy = Add(Device(L"10.9.4.2", L"00:00:00:00:94:02"));
  main()->SendMessage(WM_DEVICE_STATUS, static_cast<WPARAM>(conflict), kStatusAddressConflict);
  main()->SendMessage(WM_DEVICE_STATUS, static_cast<WPARAM>(busy), 539);  // "Processing"
  PumpAsApp();
  const int last = g_pDeviceGrid->GetHeader()->GetItemCount() - 1;
  CRect grid;
  g_pDeviceGrid->GetClientRect(&grid);
  const int others = g_pDeviceGrid->TotalColumnWidth() - HeaderWidth(last);
  EXPECT_EQ(HeaderWidth(last), grid.Width() - others);

  CRect start;
  frame->GetWindowRect(&start);
  for (int width : {1400, start.Width(), 1100, start.Width()}) {
    frame->SetWindowPos(nullptr, 0, 0, width, start.Height(), SWP_NOMOVE | SWP_NOZORDER);
    PumpAsApp();
    g_pDeviceGrid->GetClientRect(&grid);
    EXPECT_EQ(HeaderWidth(last), grid.Width() - others) << width;
    EXPECT_EQ(g_pDeviceGrid->TotalColumnWidth(), grid.Width()) << width;
    EXPECT_FALSE(g_pDeviceGrid->GetScrollBar().IsWindowVisible()) << width;
    EXPECT_EQ(tree()->ColumnWidths().Get(last), HeaderWidth(last)) << width;
  }

  // The mouse over each status cell, then over another cell.
  auto tipOver = [&](RowHandle row, int x, CString* text) {
    CRect rc;
    tree()->GetItemRect(JTreeCtrl::ItemOf(row), &rc, FALSE);
    tree()->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, rc.top + 5));
    tree()->GetToolTip().GetText(*text, tree(), JTreeCtrl::kStatusTipId);
    return tree()->GetToolTip().GetToolRect(tree(), JTreeCtrl::kStatusTipId);
  };
  CString text;
  CRect cell = tipOver(conflict, others + 5, &text);
  EXPECT_STREQ(text, L"The device IP address is conflict with another devices");
  EXPECT_EQ(cell.left, others);
  EXPECT_EQ(cell.Width(), HeaderWidth(last));
  EXPECT_TRUE(tipOver(busy, others + 5, &text).IsRectEmpty());  // shown whole already
  EXPECT_TRUE(tipOver(conflict, 150, &text).IsRectEmpty());      // the IP address cell
}

struct Language {
  LANGID id;
  const wchar_t* code;
};
const Language kLanguages[] = {{1033, L"en"}, {1028, L"zh-TW"}, {2052, L"zh-CN"}, {1041, L"ja"},
                               {1029, L"cs"}, {1038, L"hu"},    {1045, L"pl"},    {1048, L"ro"},
                               {1049, L"ru"}, {1034, L"es"},    {1036, L"fr"},    {1040, L"it"},
                               {1043, L"nl"}};

// A language change lifts the bitrate cap of streams 1 and 2, in the new language's words (the
// video/audio page shows them as its "Unlimited" entry); stream 3 keeps the cap it was given.
TEST_F(MainWindow, LanguageChangeLiftsTheCapOfStreamsOneAndTwo) {
  AvSettings& av = main()->SettingsRecords().av;
  for (AvChannelSettings& c : av.channels) c.MaxBitrate = L"3M";
  for (LANGID lang : {LANGID(1038), LANGID(1041), LANGID(1033)}) {
    Relabel(lang);
    const std::wstring unlimited = LoadLangString(IDS_AV_UNLIMITED).GetString();
    EXPECT_EQ(av.channels[0].MaxBitrate, unlimited) << lang;
    EXPECT_EQ(av.channels[1].MaxBitrate, unlimited) << lang;
    EXPECT_EQ(av.channels[2].MaxBitrate, L"3M") << lang;
    if (lang != 1033) {
      EXPECT_NE(unlimited, L"Unlimited") << lang;
    }
  }
}

// Rows as a search leaves them: answers, a conflict pair, work under way and its outcomes.
void FillRows() {
  const wchar_t* macs[] = {L"00:0F:7C:00:93:01", L"00:0F:7C:00:93:02", L"00:0F:7C:00:93:03",
                           L"00:0F:7C:00:93:04", L"00:0F:7C:00:93:05", L"00:0F:7C:00:93:06"};
  const UINT statuses[] = {539, 520, 508, 513, 517, 517};
  for (int i = 0; i < 6; ++i) {
    DeviceRecord r = Device(i < 4 ? L"10.9.3." + std::to_wstring(i + 1) : L"10.9.3.9", macs[i]);
    r[SLOT_CAMERA_NAME] = L"Camera " + std::to_wstring(i + 1);
    r[SLOT_MULTICAST_IP] = L"239.0.3." + std::to_wstring(i + 1);
    const RowHandle row = static_cast<RowHandle>(
        main_window()->SendMessage(WM_DEVICE_FOUND, reinterpret_cast<WPARAM>(&r), 0));
    main_window()->SendMessage(WM_DEVICE_STATUS, static_cast<WPARAM>(row), statuses[i]);
  }
}

// Every text of the window fits in each of the 13 languages, switched to at run time through
// the language dialog, in both search modes; the window is saved as a screenshot in each
// (screenshots/main_window_<language>.png). Each switch relabels the window and searches again.
TEST_F(MainWindow, EveryTextFitsInEveryLanguage) {
  for (const Language& l : kLanguages) {
    const int searches = main()->RefreshCount();
    SwitchLanguage(l.id);
    EXPECT_GT(main()->RefreshCount(), searches) << labelfit::Utf8(l.code);
    EXPECT_STREQ(main()->GetDlgItem(static_cast<int>(IDC_REFRESH))->GetWindowTextString(), LoadLangString(IDC_REFRESH));
    // A switch always comes back to the basic search.
    EXPECT_EQ(main()->GetDlgItem(static_cast<int>(IDC_SEARCH_MODE))->SendMessage(CB_GETCURSEL), 0);
    // What the switch left on screen is what a full repaint draws: nothing of the last
    // language's layout stays behind the moved buttons, lists and fields.
    {
      CRect strip;
      main()->GetClientRect(&strip);
      strip.bottom = Dlg_Main::kToolbarHeight;
      wintest::ScreenShot shown(*main(), strip);
      main()->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      PumpAsApp();
      wintest::ScreenShot redrawn(*main(), strip);
      int differ = 0;
      for (int y = strip.top; y < strip.bottom; y += 2)
        for (int x = strip.left; x < strip.right; x += 2) differ += shown.Pixel(x, y) != redrawn.Pixel(x, y);
      EXPECT_EQ(differ, 0) << labelfit::Utf8(l.code);
    }
    for (bool advanced : {false, true}) {
      if (advanced) {
        CWnd* mode = main()->GetDlgItem(IDC_SEARCH_MODE);
        mode->SendMessage(CB_SETCURSEL, 1);
        main()->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SEARCH_MODE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(mode->m_hWnd));
      }
      FillRows();
      PumpAsApp();
      const std::vector<std::string> cut = labelfit::CutTexts(*main());
      EXPECT_TRUE(cut.empty()) << labelfit::Utf8(l.code) << (advanced ? " advanced" : "") << labelfit::Join(cut);
      frame->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
      PumpAsApp();
      CRect all;
      frame->GetClientRect(&all);
      wintest::ScreenShot shot(*frame, all);
      EXPECT_TRUE(shot.SavePng((std::wstring(L"main_window_") + l.code + (advanced ? L"_advanced" : L"")).c_str()));
    }
  }
}

// Ctrl+Alt+J opens the language dialog only while the program is in front.
TEST_F(MainWindow, HotKeyOpensTheLanguageDialogOnlyInFront) {
  Dlg_Language* dialog = frame->LanguageDialog();
  ASSERT_TRUE(dialog && dialog->m_hWnd);
  EXPECT_FALSE(dialog->IsWindowVisible());
  ::SetForegroundWindow(frame->m_hWnd);
  PumpAsApp();
  if (::GetForegroundWindow() != frame->m_hWnd) GTEST_SKIP() << "the frame cannot come to the front here";
  frame->SendMessage(WM_HOTKEY, WM_LANGUAGE_CHANGED, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'J'));
  PumpAsApp();
  EXPECT_TRUE(dialog->IsWindowVisible());
  dialog->SendMessage(WM_COMMAND, IDCANCEL, 0);  // Escape
  PumpAsApp();
  EXPECT_FALSE(dialog->IsWindowVisible());
  EXPECT_EQ(g_LanguageId, 1033);
  // With another window in front nothing opens.
  kittest::RecordingParent other;
  ASSERT_TRUE(other.Make(100, 100, WS_POPUP | WS_VISIBLE));
  ::SetForegroundWindow(other.m_hWnd);
  PumpAsApp();
  frame->SendMessage(WM_HOTKEY, WM_LANGUAGE_CHANGED, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'J'));
  PumpAsApp();
  EXPECT_FALSE(dialog->IsWindowVisible());
}

// A row's link button opens that device's web page with the login (the page the browser
// would get is read instead of starting one).
TEST_F(MainWindow, LinkButtonOpensTheDevicesPage) {
  std::vector<std::string> pages;
  SetBrowserLauncher([&](const std::wstring& target) {
    std::string bytes;
    ReadWholeFile(target, bytes);
    pages.push_back(bytes);
    return true;
  });
  g_pHtmlDlg = new JHtmlDlg();
  main()->Refresh();
  const RowHandle row = Add(Device(L"10.9.5.1", L"00:00:00:00:95:01"));
  g_HttpPortMap.Set(L"10.9.5.1", 8085);
  PumpAsApp();
  // The link is pressed where the screen shows it: the rows are painted first.
  tree()->FlushRedraw();
  tree()->UpdateWindow();
  const CPoint link = tree()->GetPartRect(row, JTreeCtrl::RowPart::Link).CenterPoint();
  ASSERT_NE(link, CPoint(0, 0));
  tree()->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(link.x, link.y));
  tree()->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(link.x, link.y));
  PumpAsApp();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NE(pages[0].find("click_link(\"10.9.5.1\", \"8085\", \"admin\", \"740912\");"), std::string::npos)
      << pages[0];
  delete g_pHtmlDlg;
  g_pHtmlDlg = nullptr;
  SetBrowserLauncher(nullptr);
  g_HttpPortMap.Clear();
}

// The message box that a press of the window's button `id` shows, closed with OK: its
// caption and text, or nothing when none came up.
struct Shown {
  bool box = false;
  bool scanDialog = false;  // the range scan's dialog came up instead (closed with Cancel)
  CString caption, text;
};
Shown PressAndRead(Dlg_Main* main, UINT id) {
  Shown shown;
  kittest::Script script([&](int step) {
    HWND h = nullptr;
    for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
      if (::GetWindow(w, GW_OWNER) != ::GetParent(main->m_hWnd) && ::GetWindow(w, GW_OWNER) != main->m_hWnd) continue;
      if (auto* box = dynamic_cast<JMessageBox*>(CWnd::FromHandlePermanent(w))) {
        h = w;
        shown.box = true;
        shown.text = box->m_Text;
        box->GetWindowText(shown.caption);
      } else if (auto* scan = dynamic_cast<Dlg_Scan*>(CWnd::FromHandlePermanent(w))) {
        shown.scanDialog = true;
        scan->GetWindowText(shown.caption);
        ::PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
        return false;
      }
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
    if (id == CMD_RANGE_SCAN) {
      // The scan needs no checked device: its dialog comes up at once.
      EXPECT_TRUE(s.scanDialog);
      EXPECT_STREQ(s.caption, LoadLangString(370));
      continue;
    }
    EXPECT_TRUE(s.box) << id;
    if (main()->Batch() && main()->Batch()->IsRegistered(id)) {
      EXPECT_STREQ(s.caption, L"Warning") << id;
      EXPECT_STREQ(s.text, L"Please select Device") << id;
      continue;
    }
    EXPECT_STREQ(s.caption, LoadLangString(id)) << id;
    EXPECT_STREQ(s.text, L"This operation is not available in this version yet.") << id;
  }
  // The about box: the version from the version resource.
  CString aboutCaption, aboutVersion;
  kittest::Script about([&](int step) {
    for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
      if (auto* box = dynamic_cast<Dlg_About*>(CWnd::FromHandlePermanent(w)))
        if (box->IsWindowVisible()) {
          box->GetWindowText(aboutCaption);
          aboutVersion = box->m_Version;
          box->PostMessage(WM_COMMAND, IDCANCEL, 0);
          return false;
        }
    return step < 40;
  });
  CWnd* aboutButton = main()->GetDlgItem(static_cast<int>(IDC_ABOUT));
  aboutButton->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  aboutButton->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  PumpAsApp();
  EXPECT_STREQ(aboutCaption, L"Version");
  EXPECT_STREQ(aboutVersion, L"Dorvik V1.0.00");
  // Refresh searches again, without a box.
  const int before = main()->RefreshCount();
  EXPECT_FALSE(PressAndRead(main(), IDC_REFRESH).box);
  EXPECT_EQ(main()->RefreshCount(), before + 1);
}

// The strip below the rows refuses an address that two device rows show (a conflict); one
// row with it would be that device, added again.
// A dialog that says in which language it looks its texts up while it handles a command.
class LanguageProbe : public Dlg_About {
 public:
  static constexpr UINT kProbe = 0x7F01;
  using Dlg_About::Dlg_About;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) != kProbe) return Dlg_About::OnCommand(wParam, lParam);
    seen = LoadLangString(IDC_REFRESH);
    return TRUE;
  }
  CString seen;
};

std::vector<std::wstring> HeaderTexts() {
  std::vector<std::wstring> out;
  JHeaderCtrl* header = g_pDeviceGrid->GetHeader();
  for (int i = 0; header && i < header->GetItemCount(); ++i) {
    wchar_t text[128] = L"";
    HDITEMW hd{};
    hd.mask = HDI_TEXT;
    hd.pszText = text;
    hd.cchTextMax = 128;
    if (header->GetItem(i, &hd)) out.push_back(text);
  }
  return out;
}

// A language chosen while a dialog is open: the main window takes it at once where it is (its
// rows, their headers and statuses) and searches nothing; the dialog keeps its own language
// until it closes.
TEST_F(MainWindow, ALanguageChosenWhileADialogIsOpenRelabelsTheRowsInPlace) {
  constexpr LANGID kFrench = 1036;
  ASSERT_STRNE(LoadLangStringIn(IDC_REFRESH, kFrench), LoadLangStringIn(IDC_REFRESH, 1033));
  ASSERT_STRNE(LoadLangStringIn(539, kFrench), LoadLangStringIn(539, 1033));
  ASSERT_STRNE(LoadLangStringIn(IDS_COLUMN_STATUS, kFrench), LoadLangStringIn(IDS_COLUMN_STATUS, 1033));
  FillRows();
  PumpAsApp();
  const std::vector<RowHandle> rows = tree()->GetAllRows();
  ASSERT_FALSE(rows.empty());
  const int statusCell = ColumnIndexOf(507, false);
  // Each row's status by its id, from the English text it shows.
  std::map<RowHandle, UINT> shown;
  for (RowHandle row : rows)
    for (UINT id : {539u, 520u, 508u, 513u, 517u})
      if (tree()->GetCell(row, statusCell).value_or(L"") == std::wstring(LoadLangStringIn(id, 1033))) shown[row] = id;
  ASSERT_EQ(shown.size(), rows.size());
  const int searches = main()->RefreshCount();
  LanguageProbe dialog(main());
  bool switched = false;
  kittest::Script script([&](int step) {
    if (!dialog.m_hWnd || !dialog.IsWindowVisible()) return step < 40;
    SwitchLanguage(kFrench);
    dialog.SendMessage(WM_COMMAND, LanguageProbe::kProbe, 0);
    switched = true;
    dialog.EndDialog(IDOK);
    return false;
  });
  dialog.DoModal();
  PumpAsApp();
  ASSERT_TRUE(switched);
  EXPECT_STREQ(dialog.seen, LoadLangStringIn(IDC_REFRESH, 1033));  // the dialog's own language
  EXPECT_EQ(main()->RefreshCount(), searches);                      // no search
  EXPECT_EQ(tree()->GetAllRows(), rows);
  for (const auto& row : shown)
    EXPECT_EQ(tree()->GetCell(row.first, statusCell).value_or(L""), std::wstring(LoadLangStringIn(row.second, kFrench)))
        << row.second;
  const std::vector<std::wstring> headers = HeaderTexts();
  for (UINT id : {IDS_COLUMN_STATUS, IDS_COLUMN_MAC_ADDRESS}) {
    EXPECT_NE(std::find(headers.begin(), headers.end(), std::wstring(LoadLangStringIn(id, kFrench))), headers.end()) << id;
    EXPECT_EQ(std::find(headers.begin(), headers.end(), std::wstring(LoadLangStringIn(id, 1033))), headers.end()) << id;
  }
  EXPECT_STREQ(main()->GetDlgItem(static_cast<int>(IDC_REFRESH))->GetWindowTextString(),
               LoadLangStringIn(IDC_REFRESH, kFrench));
  // Once nothing is open, a choice relabels the window and searches again.
  SwitchLanguage(1033);
  EXPECT_GT(main()->RefreshCount(), searches);
}

TEST_F(MainWindow, StripRefusesAnAddressOfConflictingDevices) {
  FillRows();  // 10.9.3.9 stands in two rows
  auto* strip = dynamic_cast<Dlg_AddRemove*>(g_pDeviceGrid->GetStrip());
  ASSERT_NE(strip, nullptr);
  strip->m_Address.SetAddress(MAKEIPADDRESS(10, 9, 3, 9));
  strip->m_Port.SetWindowText(L"80");
  CString text;
  kittest::Script script([&](int step) {
    for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
      if (auto* box = dynamic_cast<JMessageBox*>(CWnd::FromHandlePermanent(w)))
        if (box->IsWindowVisible()) {
          text = box->m_Text;
          box->PostMessage(WM_COMMAND, IDOK, 0);
          return false;
        }
    return step < 40;
  });
  strip->SendMessage(WM_COMMAND, MAKEWPARAM(Dlg_AddRemove::IDC_ADD, BN_CLICKED),
                     reinterpret_cast<LPARAM>(strip->m_Add.m_hWnd));
  PumpAsApp();
  EXPECT_STREQ(text, LoadLangString(554));
  EXPECT_EQ(strip->m_Address.AddressText(), L"10.9.3.9");  // the fields keep what was typed
  strip->m_Address.ClearAddress();
  strip->m_Port.SetWindowText(L"");
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
