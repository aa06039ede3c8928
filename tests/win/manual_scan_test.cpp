// The add/remove strip below the grid and the range-scan dialog on screen: every text fits
// in every language (screenshots in English, French, Hungarian and Japanese), the strip's
// checks and what it tells the main window, zones added up to ten and removed, and a scan
// under its wait box with live lines and the stop button. The scan's requests are faked:
// nothing leaves the machine.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/device_list/dlg_add_remove_win.h"
#include "app/range_scan/dlg_scan_win.h"
#include "app/range_scan/range_scan.h"
#include "device/http_port_map.h"
#include "kit/jmessagebox.h"
#include "kit/lang.h"
#include "port/stop_scope.h"
#include "tests/win/kit_controls_support.h"
#include "tests/win/label_fit.h"

namespace {

struct Language {
  LANGID id;
  const wchar_t* code;
};
const Language kLanguages[] = {{1033, L"en"}, {1028, L"zh-TW"}, {2052, L"zh-CN"}, {1041, L"ja"}, {1029, L"cs"},
                               {1038, L"hu"}, {1045, L"pl"},    {1048, L"ro"},    {1049, L"ru"}, {1034, L"es"},
                               {1036, L"fr"}, {1040, L"it"},    {1043, L"nl"}};
// Screenshots in English, in French and Hungarian (long words) and in Japanese.
bool Shot(const Language& l) { return l.id == 1033 || l.id == 1036 || l.id == 1038 || l.id == 1041; }


void SaveOnTop(CWnd& w, const std::wstring& name) {
  EXPECT_TRUE(kittest::SaveWindowOnTop(w, name)) << labelfit::Utf8(name);
}

// The shown message box of this thread, if any.
JMessageBox* ShownBox() {
  for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
    if (auto* box = dynamic_cast<JMessageBox*>(CWnd::FromHandlePermanent(w)))
      if (box->IsWindowVisible()) return box;
  return nullptr;
}

// A main window with a grid in it, and the strip the grid makes below its rows.
struct StripFixture : ::testing::Test {
  kittest::RecordingParent main;
  CWnd grid;
  std::unique_ptr<CWnd> made;
  Dlg_AddRemove* strip = nullptr;
  void SetUp() override {
    SetLanguage(1033);
    ASSERT_TRUE(main.Make(1040, 120, WS_POPUP | WS_VISIBLE));
    ASSERT_TRUE(grid.CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 1024, 100), &main, 2000));
    made.reset(Dlg_AddRemove::MakeForGrid(&grid));
    strip = dynamic_cast<Dlg_AddRemove*>(made.get());
    ASSERT_NE(strip, nullptr);
    strip->MoveWindow(0, 20, 1024, Dlg_AddRemove::kHeight);
    strip->ShowWindow(SW_SHOW);
    kittest::Pump();
  }
  void TearDown() override {
    made.reset();
    SetLanguage(1033);
  }
  // Presses a button of the strip; the message box it shows, if any, is read and closed.
  CString Press(UINT id) {
    CString text;
    kittest::Script script([&](int step) {
      if (JMessageBox* box = ShownBox()) {
        text = box->m_Text;
        box->PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return false;
      }
      return step < 10;
    });
    strip->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(strip->GetDlgItem(static_cast<int>(id))->m_hWnd));
    kittest::PumpFor(100);
    return text;
  }
  std::vector<kittest::RecordingParent::Entry> Told() {
    std::vector<kittest::RecordingParent::Entry> out;
    for (const auto& e : main.log)
      if (e.msg == WM_MANUAL_DEVICES_CHANGED) out.push_back(e);
    return out;
  }
};

TEST_F(StripFixture, EveryTextFitsInEveryLanguage) {
  for (const Language& l : kLanguages) {
    SetLanguage(l.id);
    strip->LayoutStrip();
    kittest::Pump();
    const std::vector<std::string> cut = labelfit::CutTexts(*strip);
    EXPECT_TRUE(cut.empty()) << labelfit::Utf8(l.code) << labelfit::Join(cut);
    EXPECT_LE(strip->NeededWidth(), 1024) << labelfit::Utf8(l.code);
    EXPECT_STREQ(strip->m_Remove.m_Caption, LoadLangString(1027));
    if (Shot(l)) {
      strip->m_Address.SetAddress(MAKEIPADDRESS(10, 231, 7, 5));
      strip->m_Port.SetWindowText(L"8080");
      SaveOnTop(*strip, std::wstring(L"add_remove_strip_") + l.code);
      strip->m_Address.ClearAddress();
      strip->m_Port.SetWindowText(L"");
    }
  }
}

TEST_F(StripFixture, AddIsCheckedAndToldToTheMainWindow) {
  g_HttpPortMap.Clear();
  // Refused: the field keeps what was typed and nothing is told.
  struct Case {
    LPARAM address;
    const wchar_t* port;
    UINT message;
  } refused[] = {{0, L"80", 1233}, {MAKEIPADDRESS(192, 168, 0, 255), L"80", 1233},
                 {MAKEIPADDRESS(10, 231, 7, 5), L"", 1231}, {MAKEIPADDRESS(10, 231, 7, 5), L"70000", 1232},
                 {MAKEIPADDRESS(10, 231, 7, 5), L"0", 1232}};
  for (const Case& c : refused) {
    if (c.address) strip->m_Address.SetAddress(static_cast<DWORD>(c.address));
    else strip->m_Address.ClearAddress();
    strip->m_Port.SetWindowText(c.port);
    EXPECT_STREQ(Press(Dlg_AddRemove::IDC_ADD), LoadLangString(c.message)) << c.message;
    EXPECT_STREQ(strip->m_Port.GetWindowTextString(), c.port);
  }
  EXPECT_TRUE(Told().empty());

  strip->m_Address.SetAddress(MAKEIPADDRESS(10, 231, 7, 5));
  strip->m_Port.SetWindowText(L"8080");
  EXPECT_STREQ(Press(Dlg_AddRemove::IDC_ADD), L"");
  ASSERT_EQ(Told().size(), 1u);
  EXPECT_EQ(Told()[0].wParam, 0u);
  EXPECT_STREQ(reinterpret_cast<const wchar_t*>(Told()[0].lParam), L"10.231.7.5");
  EXPECT_EQ(g_HttpPortMap.Get(L"10.231.7.5"), 8080);  // every request to it goes to 8080
  EXPECT_EQ(strip->m_Address.AddressText(), L"0.0.0.0");
  EXPECT_STREQ(strip->m_Port.GetWindowTextString(), L"");

  // Remove with the field blank stands for every checked device.
  EXPECT_STREQ(Press(Dlg_AddRemove::IDC_REMOVE), L"");
  ASSERT_EQ(Told().size(), 2u);
  EXPECT_EQ(Told()[1].wParam, 1u);
  EXPECT_STREQ(reinterpret_cast<const wchar_t*>(Told()[1].lParam), L"0.0.0.0");
  g_HttpPortMap.Clear();
}

// ---- the scan dialog ------------------------------------------------------------------------

const char kAnswer[] = "Firmware Version = A1D-310-V5.00.01\nProduction ID = P1\nCompany Name = X\n";

// Requests that find one device at 10.9.8.2 and hang everywhere else until stopped.
struct FakeScan {
  std::mutex lock;
  std::vector<std::wstring> reported;
  int saves = 0;
  RangeScanHooks Hooks() {
    RangeScanHooks h;
    h.get = [](const std::wstring& ip, int, const std::wstring&, char* reply, int size, int, int) {
      if (ip == L"10.9.8.2") {
        std::snprintf(reply, static_cast<std::size_t>(size), "%s", kAnswer);
        return static_cast<int>(std::strlen(kAnswer));
      }
      while (!port::StopRequested()) ::Sleep(10);
      return -1;
    };
    h.query = [](int, const std::wstring& ip, DeviceRecord& r) -> unsigned {
      r[SLOT_IP] = ip;
      r[SLOT_MAC] = L"00:0F:7C:00:98:02";
      return 0;
    };
    h.report = [this](const DeviceRecord& r, unsigned long) {
      std::lock_guard<std::mutex> l(lock);
      reported.push_back(r[SLOT_IP]);
    };
    h.save = [this](const std::map<std::wstring, std::wstring>&) {
      std::lock_guard<std::mutex> l(lock);
      ++saves;
    };
    return h;
  }
};

bool Open(const CWnd& w) { return w.m_hWnd && ::IsWindowVisible(w.m_hWnd); }

void Click(Dlg_Scan& d, UINT id) {
  d.PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(d.GetDlgItem(static_cast<int>(id))->m_hWnd));
}

TEST(ScanDialog, EveryTextFitsInEveryLanguageAndZonesGoUpToTen) {
  for (const Language& l : kLanguages) {
    SetLanguage(l.id);
    FakeScan fake;
    Dlg_Scan d(nullptr, fake.Hooks());
    bool checked = false;
    kittest::Script script([&](int step) {
      if (!Open(d)) return true;
      if (step < 3) {
        if (d.PanelCount() < 2) Click(d, Dlg_Scan::IDC_ADD_ZONE);
        return true;
      }
      EXPECT_EQ(d.PanelCount(), 2);
      EXPECT_FALSE(d.Panel(0)->m_Remove.IsWindowVisible()) << "the first zone stays";
      EXPECT_TRUE(d.Panel(1)->m_Remove.IsWindowVisible());
      d.Panel(0)->m_Start.SetAddress(MAKEIPADDRESS(192, 168, 0, 250));
      d.Panel(0)->m_End.SetAddress(MAKEIPADDRESS(192, 168, 1, 2));
      d.Panel(0)->m_Port.SetWindowText(L"80");
      kittest::Pump();
      std::vector<std::string> cut = labelfit::CutTexts(d);
      EXPECT_TRUE(cut.empty()) << labelfit::Utf8(l.code) << labelfit::Join(cut);
      if (Shot(l)) SaveOnTop(d, std::wstring(L"scan_dialog_") + l.code);
      if (l.id == 1033) {
        for (int i = 0; i < 12; ++i) d.OnBnClickedAddBlock();
        EXPECT_EQ(d.PanelCount(), kMaxScanZones);
        EXPECT_FALSE(d.m_AddZone.IsWindowEnabled()) << "no eleventh zone";
        // A removed zone goes; the others move up.
        d.Panel(1)->OnBnClickedRemove();
        kittest::Pump();
        EXPECT_EQ(d.PanelCount(), kMaxScanZones - 1);
        EXPECT_EQ(kittest::ChildRect(d.Container(), *d.Panel(1)).top - kittest::ChildRect(d.Container(), *d.Panel(0)).top,
                  Dlg_ScanBlock::kHeight);
        // Scrolled to the last zone: each zone, and the buttons, as a user sees them.
        d.Container().SetScrollPos(1000);
        d.Container().ScrollTo();
        kittest::Pump();
        for (int i = 0; i < d.PanelCount(); ++i) {
          cut = labelfit::CutTexts(*d.Panel(i));
          EXPECT_TRUE(cut.empty()) << "zone " << i << labelfit::Join(cut);
        }
        for (CWnd* b : {static_cast<CWnd*>(&d.m_AddZone), static_cast<CWnd*>(&d.m_Apply)}) {
          cut = labelfit::CutTexts(*b);
          EXPECT_TRUE(cut.empty()) << labelfit::Join(cut);
        }
        SaveOnTop(d, L"scan_dialog_ten_zones");
      }
      checked = true;
      d.EndDialog(IDCANCEL);
      return false;
    });
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    EXPECT_TRUE(checked) << labelfit::Utf8(l.code);
    EXPECT_EQ(fake.saves, 0) << "closed before Apply: nothing scanned";
  }
  SetLanguage(1033);
}

TEST(ScanDialog, AnEmptyPortIsRefusedBeforeAnythingStarts) {
  SetLanguage(1033);
  FakeScan fake;
  Dlg_Scan d(nullptr, fake.Hooks());
  CString message;
  kittest::Script script([&](int step) {
    if (!Open(d)) return true;
    if (JMessageBox* box = ShownBox()) {
      message = box->m_Text;
      box->PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return true;
    }
    if (step == 2) Click(d, Dlg_Scan::IDC_APPLY);
    if (step > 2 && !message.IsEmpty()) {
      d.EndDialog(IDCANCEL);
      return false;
    }
    return step < 100;
  });
  EXPECT_EQ(d.DoModal(), IDCANCEL);
  EXPECT_STREQ(message, LoadLangString(1231));
  EXPECT_EQ(fake.saves, 0);
}

// Two zones scanned under the wait box: a line each, the device found reported, the stop
// button ends the requests still hanging, what was found is saved and the dialog ends.
TEST(ScanDialog, ScansUnderTheWaitBoxUntilStopped) {
  for (const Language& l : kLanguages) {
    const LANGID lang = l.id;
    SetLanguage(lang);
    FakeScan fake;
    Dlg_Scan d(nullptr, fake.Hooks());
    bool sawLines = false, stopped = false;
    kittest::Script script([&](int step) {
      if (!Open(d)) return true;
      if (step == 2) {
        Click(d, Dlg_Scan::IDC_ADD_ZONE);
        return true;
      }
      if (step == 4) {
        d.Panel(0)->m_Start.SetAddress(MAKEIPADDRESS(10, 9, 8, 1));
        d.Panel(0)->m_End.SetAddress(MAKEIPADDRESS(10, 9, 8, 20));
        d.Panel(0)->m_Port.SetWindowText(L"80");
        d.Panel(1)->m_Start.SetAddress(MAKEIPADDRESS(10, 9, 9, 1));
        d.Panel(1)->m_End.SetAddress(MAKEIPADDRESS(10, 9, 9, 100));
        d.Panel(1)->m_Port.SetWindowText(L"8080");
        Click(d, Dlg_Scan::IDC_APPLY);
        return true;
      }
      JMessageBox* box = ShownBox();
      if (!box || stopped) return step < 300;
      // Both lines tell what their zone waits for.
      const std::wstring a = g_MessageBoxTexts.Get(0), b = g_MessageBoxTexts.Get(1);
      if (a.find(L"10.9.8.1") == std::wstring::npos || b.find(L"10.9.9.1") == std::wstring::npos) return step < 300;
      if (!sawLines) {
        sawLines = true;
        EXPECT_EQ(box->m_ExtraLines, 2);
        EXPECT_TRUE(box->m_Stop.IsWindowVisible());
        // Both lines drawn by the box's animation: the text it last drew holds them.
        for (int i = 0; i < 100 && (g_MessageBoxShownTexts.Get(0).find(L"10.9.8.1") == std::wstring::npos ||
                                    g_MessageBoxShownTexts.Get(1).find(L"10.9.9.1") == std::wstring::npos);
             ++i)
          kittest::PumpFor(20);
        // The box and the texts of every language fit.
        const std::vector<std::string> cut = labelfit::CutTexts(*box);
        EXPECT_TRUE(cut.empty()) << labelfit::Utf8(l.code) << labelfit::Join(cut);
        if (Shot(l)) {
          EXPECT_TRUE(kittest::SaveWindowsOnTop({&d, box}, std::wstring(L"scan_running_") + l.code));
        }
        return true;
      }
      stopped = true;
      box->PostMessage(WM_COMMAND, MAKEWPARAM(JMessageBox::IDC_STOP, BN_CLICKED),
                       reinterpret_cast<LPARAM>(box->m_Stop.m_hWnd));
      return true;
    }, 600);
    EXPECT_EQ(d.DoModal(), IDOK);
    EXPECT_TRUE(sawLines) << lang;
    EXPECT_TRUE(stopped) << lang;
    EXPECT_EQ(fake.reported, std::vector<std::wstring>{L"10.9.8.2"});
    EXPECT_EQ(fake.saves, 1);
  }
  SetLanguage(1033);
  g_HttpPortMap.Clear();
}

}  // namespace

KITTEST_MAIN()
