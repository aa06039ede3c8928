// Closing and refreshing the main window while its device queries hang, in-process under
// Wine without the discovery engine (nothing is broadcast). The kept devices are listeners on
// loopback addresses that take connections and never answer: each query would wait out its
// 90 s time-out. A watchdog ends the process if the window's thread hangs.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "device/firmware_upgrader.h"
#include "kit/kit_messages.h"
#include "port/stop_scope.h"
#include "tests/win/hanging_devices.h"

namespace {

using hanging::MsSince;
using hanging::PumpOnce;
using hanging::PumpUntil;

class App : public CWinApp {};
App g_App;

constexpr int kDevices = 20;

// Ends the process when a step does not finish in time: a hung window thread cannot fail a
// test any other way.
class Watchdog {
 public:
  Watchdog() : m_thread([this] { Run(); }) {}
  ~Watchdog() {
    m_quit = true;
    m_thread.join();
  }
  void Arm(const char* step, int seconds) {
    m_step = step;
    m_deadline = MsNow() + seconds * 1000LL;
  }
  void Disarm() { m_deadline = 0; }

 private:
  static long long MsNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  void Run() {
    while (!m_quit) {
      long long d = m_deadline;
      if (d && MsNow() > d) {
        std::fprintf(stderr, "HUNG: %s\n", m_step.load());
        std::fflush(stderr);
        ::ExitProcess(3);
      }
      ::Sleep(50);
    }
  }
  std::atomic<bool> m_quit{false};
  std::atomic<long long> m_deadline{0};
  std::atomic<const char*> m_step{""};
  std::thread m_thread;
};

class HangingDevices : public ::testing::Test {
 protected:
  void SetUp() override {
    dog.Arm("start", 60);
    program.reset(new hanging::Program(g_App, kDevices, L"app_close_test.ini"));
    ASSERT_EQ(program->Error(), "");
    frame = program->Frame();
    main = program->Main();
    ::Sleep(300);  // the first search's query thread now waits on the first device
    dog.Disarm();
  }
  void TearDown() override {
    dog.Disarm();
    program.reset();
  }

  // Posts the messages and pumps until the frame is gone. The main window was destroyed once,
  // after the close's own work (the grid gone, the settings written), and not from inside a
  // search.
  void CloseWith(const std::vector<std::pair<UINT, WPARAM>>& messages) {
    dog.Arm("close", 30);
    s_main = main->m_hWnd;
    s_mainObject = main;
    s_destroyed = 0;
    s_destroyedEarly = false;
    HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, &WatchDestroy, nullptr, ::GetCurrentThreadId());
    auto t0 = std::chrono::steady_clock::now();
    for (const auto& m : messages) frame->PostMessage(m.first, m.second);
    EXPECT_TRUE(PumpUntil([&] { return !program->FrameAlive(); }, 20000));
    EXPECT_LT(MsSince(t0), 5000);
    PumpOnce();
    ::UnhookWindowsHookEx(hook);
    dog.Disarm();
    EXPECT_EQ(s_destroyed, 1);
    EXPECT_FALSE(s_destroyedEarly) << "the main window was destroyed while its close still ran";
    EXPECT_EQ(g_pDeviceGrid, nullptr);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(program->SettingsPath(), bytes));
    IniDocument doc;
    doc.Parse(bytes);
    EXPECT_EQ(doc.SectionNames(), SettingsSectionOrder());
    EXPECT_EQ(doc.Entries(L"MANUAL_IP").size(), 3u * kDevices);
  }

  static LRESULT CALLBACK WatchDestroy(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_DESTROY && m->hwnd == s_main) {
      ++s_destroyed;
      if (g_pDeviceGrid || s_mainObject->Busy()) s_destroyedEarly = true;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static HWND s_main;
  static Dlg_Main* s_mainObject;
  static int s_destroyed;
  static bool s_destroyedEarly;

  Watchdog dog;
  std::unique_ptr<hanging::Program> program;
  CMainFrame* frame = nullptr;
  Dlg_Main* main = nullptr;
};

HWND HangingDevices::s_main = nullptr;
Dlg_Main* HangingDevices::s_mainObject = nullptr;
int HangingDevices::s_destroyed = 0;
bool HangingDevices::s_destroyedEarly = false;

TEST_F(HangingDevices, RefreshesNeverWaitForThemNorNestAndACloseDuringOneWaitsForIt) {
  // A refresh abandons the queries in flight instead of waiting them out.
  dog.Arm("refresh", 30);
  int count = main->RefreshCount();
  auto t0 = std::chrono::steady_clock::now();
  frame->SendMessage(WM_REFRESH_DEVICES);
  EXPECT_LT(MsSince(t0), 5000);
  EXPECT_EQ(main->RefreshCount(), count + 1);
  ::Sleep(200);

  // Two refreshes in a row: the second arrives while the first waits, and runs after it.
  dog.Arm("refresh twice", 30);
  count = main->RefreshCount();
  frame->PostMessage(WM_REFRESH_DEVICES);
  frame->PostMessage(WM_REFRESH_DEVICES);
  EXPECT_TRUE(PumpUntil([&] { return main->RefreshCount() == count + 2 && !main->Busy(); }, 20000));
  dog.Disarm();
  ::Sleep(200);

  // A close that arrives while a refresh waits is carried out when the refresh is over.
  CloseWith({{WM_REFRESH_DEVICES, 0}, {WM_CLOSE, 0}});
}

TEST_F(HangingDevices, ASecondCloseWhileClosingIsIgnored) {
  // The close waits for the queries while handling messages: a second WM_CLOSE and an Alt+F4
  // arrive then.
  CloseWith({{WM_CLOSE, 0}, {WM_SYSCOMMAND, SC_CLOSE}, {WM_CLOSE, 0}});
}

// An upgrade worker reports to the main window with SendMessage, as the batch's do.
class WindowEvents : public UpgradeEvents {
 public:
  explicit WindowEvents(HWND w) : m_w(w) {}
  void OnDeviceStatus(UpgradeRow row, int id) override {
    ::SendMessageW(m_w, WM_DEVICE_STATUS, static_cast<WPARAM>(row), id);
    ++statuses;
  }
  void OnDeviceAddress(UpgradeRow, std::wstring) override {}
  void OnDeviceFirmware(UpgradeRow, std::wstring) override {}
  std::atomic<int> statuses{0};

 private:
  HWND m_w;
};

// The device's information request hangs until the worker is told to stop.
class HangingIo : public UpgradeIo {
 public:
  int GetCgi(const std::wstring&, const std::wstring&, char*, int, int) override {
    for (int i = 0; i < 6000 && !port::StopRequested(); ++i) ::Sleep(5);
    return -1;
  }
  int GetUrl(const std::wstring&, int, char*, int) override { return 0; }
};

class NoSearch : public UpgradeRediscovery {
 public:
  void SearchAgain() override {}
};

TEST_F(HangingDevices, AnUpgradeWorkerThatReportsDuringTheCloseIsNotWaitedForWithoutMessages) {
  HangingIo io;
  NoSearch search;
  WindowEvents events(main->m_hWnd);
  g_pFirmwareUpgrader = new FirmwareUpgrader(&io, &search);
  g_pFirmwareUpgrader->BeginBatch();
  UpgradeJob job;
  job.row = 7;
  job.kind = UPGRADE_FIRMWARE;
  job.owner = &events;
  job.ip = L"127.0.0.1";
  job.mac = L"00:0F:7C:00:0C:99";
  g_pFirmwareUpgrader->StartDevice(job);
  dog.Arm("upgrade start", 30);
  ASSERT_TRUE(PumpUntil([&] { return events.statuses >= 1; }, 10000));  // "Upgrading"
  // The close stops the engine; the worker's last report needs the window's thread.
  CloseWith({{WM_CLOSE, 0}});
  EXPECT_EQ(g_pFirmwareUpgrader, nullptr);
  EXPECT_EQ(events.statuses.load(), 2);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
