// Backup, restore and device logs against simulated devices, through the batch engine, with
// the clocks of the workers and of the upgrade engine a hundred times faster than the real
// one: the files written (and kept), what each device was sent, and the id each row shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/batch/batch_engine.h"
#include "app/batch/config_backup.h"
#include "app/batch/device_log.h"
#include "app/batch/upgrade_batch.h"
#include "device/config_file.h"
#include "device/device_searcher.h"
#include "device/firmware_upgrader.h"
#include "device/helpers.h"
#include "device/http_port_map.h"
#include "device/login.h"
#include "dialogs/maintenance/backup_operation.h"
#include "dialogs/maintenance/debug_operation.h"
#include "dialogs/maintenance/restore_operation.h"
#include "port/text.h"
#include "tests/support/batch_fakes.h"
#include "tests/support/netns_lab.h"
#include "tests/support/read_file.h"
#include "tests/support/sim_suite.h"

namespace fs = std::filesystem;
using testlab::NetnsLab;

namespace {

std::wstring W(const std::string& s) { return port::FromLocal8(s); }

const char kSingle[] = "10.231.3.1";    // one channel, Profile ID 1234-77
const char kEncoder[] = "10.231.3.2";   // four channels
const char kBroken[] = "10.231.3.3";    // answers CONFIG_GET with status 500
const char kLong[] = "10.231.3.4";      // a configuration of 120000 bytes
const char kNoBox[] = "10.231.3.5";     // does not know GET_BLACKBOX_MSG
const char kOwnLogin[] = "10.231.3.6";  // refuses the user's login
const char kNoHttp[] = "10.231.3.7";    // no web server
const char kOddSerial[] = "10.231.3.8"; // its serial number holds "..\"
const char kLoader[] = "10.231.3.9";    // takes a boot-loader image
const char kOldLoader[] = "10.231.3.10"; // too old a firmware for one
const char kCut[] = "10.231.3.11";      // goes quiet half-way through its configuration

const char kDevices[] =
    "ip=10.231.3.1 mac=00:0F:7C:00:30:01 firmware=K7W-320-V3.13.01-QT model=CAM-1 serial=SER301 "
    "profile_id=1234-77 reboot_ms=300\n"
    "ip=10.231.3.2 mac=00:0F:7C:00:30:02 firmware=K5H-0400-V2.1 model=ENC-4 serial=ENC302 channel=1 "
    "profile_id=55 reboot_ms=300\n"
    "ip=10.231.3.2 mac=00:0F:7C:00:30:02 firmware=K5H-0400-V2.1 model=ENC-4 serial=ENC302 channel=2 http=off\n"
    "ip=10.231.3.2 mac=00:0F:7C:00:30:02 firmware=K5H-0400-V2.1 model=ENC-4 serial=ENC302 channel=3 http=off\n"
    "ip=10.231.3.2 mac=00:0F:7C:00:30:02 firmware=K5H-0400-V2.1 model=ENC-4 serial=ENC302 channel=4 http=off\n"
    "ip=10.231.3.3 mac=00:0F:7C:00:30:03 firmware=K7W-320-V3.13.01-QT serial=SER303 "
    "fail=/cgi-bin/update?USER=admin&PWD=740912&CHANNEL=1&CONFIG_GET:status500\n"
    "ip=10.231.3.4 mac=00:0F:7C:00:30:04 firmware=K7W-320-V3.13.01-QT serial=SER304 config_size=120000\n"
    "ip=10.231.3.5 mac=00:0F:7C:00:30:05 firmware=K7W-320-V3.13.01-QT serial=SER305 blackbox=unknown\n"
    "ip=10.231.3.6 mac=00:0F:7C:00:30:06 firmware=K7W-320-V3.13.01-QT serial=SER306 password=secret\n"
    "ip=10.231.3.7 mac=00:0F:7C:00:30:07 http=off\n"
    "ip=10.231.3.8 mac=00:0F:7C:00:30:08 firmware=K7W-320-V3.13.01-QT serial=..\\..\\SER308 blackbox_size=70000\n"
    "ip=10.231.3.9 mac=00:0F:7C:00:30:09 firmware=K7W-700-V6.09.05-LV serial=SER309 reboot_ms=300\n"
    "ip=10.231.3.10 mac=00:0F:7C:00:30:0A firmware=K7W-700-V6.08.10-LV serial=SER310 reboot_ms=300\n"
    "ip=10.231.3.11 mac=00:0F:7C:00:30:0B firmware=K7W-320-V3.13.01-QT serial=SER311 config_size=120000 "
    "fail=/cgi-bin/update?USER=admin&PWD=740912&CHANNEL=1&CONFIG_GET:cut\n";

// Every discovery record that arrives while an upgrade batch runs goes to the engine, as the
// main window does it.
class EngineFeed : public DiscoveryOwner {
 public:
  explicit EngineFeed(FirmwareUpgrader& engine) : m_engine(engine) {}
  void ParseDiscoveryReply(const std::uint8_t* reply) override {
    const auto* r = reinterpret_cast<const DiscoveryReply*>(reply);
    DeviceRecord rec;
    FillDeviceRecord(r->identity, r->model, rec);
    if (m_engine.IsRunning()) m_engine.SetDeviceInfo(rec[SLOT_MAC], rec[SLOT_IP], rec[SLOT_FIRMWARE]);
  }
  void AddDiscoveredDevice(const char*) override {}
  void OnIpSetReply(const std::uint8_t*) override {}

 private:
  FirmwareUpgrader& m_engine;
};

// An operation whose dialog is played by the test: it sees what the preparation found and
// makes the choice (false: cancelled).
template <typename Op>
class Played : public Op {
 public:
  std::function<bool(Op&)> dialog;
  bool RunDialog(BatchUi&, const BatchSelection&) override { return dialog ? dialog(*this) : true; }
};

class MaintenanceNetns : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_sim.Start(kDevices,
                {kSingle, kEncoder, kBroken, kLong, kNoBox, kOwnLogin, kNoHttp, kOddSerial, kLoader, kOldLoader, kCut});
  }
  static void TearDownTestSuite() { s_sim.Stop(); }

  void SetUp() override {
    if (!NetnsLab::Available()) GTEST_SKIP() << "needs root and the ip tool";
    ASSERT_TRUE(s_sim.Enter()) << "test network or simulator did not start";
    Login d = DefaultLogin();
    SetUserLogin(d.user, d.password);
    g_HttpPortMap.Clear();
    m_mark = s_sim.LogSize();
    m_folder = fs::path(s_sim.Lab()->Dir()) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(m_folder);
    m_upgrader.reset(new FirmwareUpgrader(nullptr, nullptr, &m_clock));
    BatchEngine::Services services;
    services.clock = &m_clock;
    services.report = &m_report;
    services.upgrader = m_upgrader.get();
    m_engine.reset(new BatchEngine(m_ui, services));
  }
  void TearDown() override {
    m_engine.reset();
    if (m_searcher) m_searcher->Stop();
    g_pDeviceSearcher = nullptr;
    m_searcher.reset();
    m_upgrader.reset();
    s_sim.Leave();
  }

  // Discovery, so that the upgrade engine sees restored devices come back.
  void StartDiscovery() {
    m_feed.reset(new EngineFeed(*m_upgrader));
    m_searcher.reset(new DeviceSearcher);
    g_pDeviceSearcher = m_searcher.get();
    m_searcher->Start(m_feed.get());
    m_searcher->Search(NetnsLab::kHostIp);
  }

  std::wstring Folder() const { return m_folder.wstring() + L"/"; }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(m_folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Content(const std::string& name) const { return testlab::ReadFile((m_folder / name).string()); }
  std::vector<std::string> Log(const std::string& needle) const { return s_sim.LogLinesSince(m_mark, needle); }

  static BatchRow Single(RowHandle row, const char* ip, const char* mac, const wchar_t* firmware = L"K7W-320-V3.13.01-QT") {
    return testlab::Row(row, W(ip), W(mac), false, firmware);
  }
  static BatchRow Encoder() {
    BatchRow r = testlab::Row(20, W(kEncoder), L"00:0F:7C:00:30:02", false, L"K5H-0400-V2.1");
    for (int ch = 1; ch <= 4; ++ch) r.channels.emplace_back(20 + ch, std::to_wstring(ch) + L" - " + W(kEncoder));
    return r;
  }
  std::string Today() const {
    return port::ToLocal8(BackupDateText(LocalNow()));
  }

  static testlab::SharedSimulator s_sim;
  std::size_t m_mark = 0;
  fs::path m_folder;
  testlab::RecordingClock m_clock{100};
  testlab::RecordingReport m_report;
  testlab::FakeBatchUi m_ui;
  std::unique_ptr<FirmwareUpgrader> m_upgrader;
  std::unique_ptr<BatchEngine> m_engine;
  std::unique_ptr<EngineFeed> m_feed;
  std::unique_ptr<DeviceSearcher> m_searcher;
};

testlab::SharedSimulator MaintenanceNetns::s_sim;

TEST_F(MaintenanceNetns, BackupAndFolderRestoreOfASingleAndAFourChannelDevice) {
  m_ui.selection.rows = {Single(10, kSingle, "00:0F:7C:00:30:01"), Encoder()};
  BackupOperation backup;
  backup.SetFolder(Folder());
  m_engine->Run(backup);
  const std::string day = Today();
  const std::vector<std::string> files = Files();
  EXPECT_EQ(files, (std::vector<std::string>{"Conf_000F7C003001_01_" + day + ".ini", "Conf_000F7C003002_00_" + day + ".ini",
                                             "Conf_000F7C003002_01_" + day + ".ini", "Conf_000F7C003002_02_" + day + ".ini",
                                             "Conf_000F7C003002_03_" + day + ".ini", "Conf_000F7C003002_04_" + day + ".ini"}));
  const std::string single = Content("Conf_000F7C003001_01_" + day + ".ini");
  EXPECT_EQ(single.substr(0, single.find("MAC=")), "#INFO,K7W-320,1234\n[CONFIG]\n");
  EXPECT_EQ(Content("Conf_000F7C003002_03_" + day + ".ini").rfind("#INFO,K7W-320,55\n[CONFIG]\nMAC=00:0F:7C:00:30:02\n", 0), 0u);
  EXPECT_NE(Content("Conf_000F7C003002_03_" + day + ".ini").find("CHANNEL=3\n"), std::string::npos);
  EXPECT_EQ(Content("Conf_000F7C003002_00_" + day + ".ini").substr(0, 17), "#INFO,K5H-040,55\n");
  for (RowHandle row : {10, 20, 21, 22, 23, 24}) EXPECT_EQ(m_report.Of(row), std::vector<int>{508}) << row;
  EXPECT_EQ(Log("CONFIG_GET").size(), 6u);

  // The same two restored from that folder: the device's own configurations, then the
  // encoder's channels one by one.
  StartDiscovery();
  m_ui.selection.rows = {Single(10, kSingle, "00:0F:7C:00:30:01"), Encoder()};
  RestoreChoice folder;
  folder.path = Folder();
  Played<RestoreOperation> restore;
  restore.dialog = [&](RestoreOperation& op) {
    EXPECT_TRUE(op.Prep().multiChannel);
    op.SetChoice(folder);
    return true;
  };
  m_engine->Run(restore);
  // The device's own row is its one channel: it hears the verdict twice.
  EXPECT_EQ(m_report.Of(10), (std::vector<int>{508, 518, 520, 519, 508, 508}));
  EXPECT_EQ(m_report.Of(20), (std::vector<int>{508, 518, 520, 519, 508, 508}));
  EXPECT_EQ(Log("upload 10.231.3.1 ok key=CONFIG_SET file=Conf_000F7C003001_01_" + day + ".ini size=" +
                std::to_string(single.size()))
                .size(),
            1u);
  EXPECT_EQ(Log("upload 10.231.3.2 ok key=CONFIG_SET file=Conf_000F7C003002_00_" + day + ".ini").size(), 1u);
  EXPECT_EQ(Log("config 10.231.3.1 restored ch=0 size=" + std::to_string(single.size())).size(), 1u);

  folder.channels = true;
  m_ui.selection.rows = {Encoder()};
  m_engine->Run(restore);
  for (int ch = 1; ch <= 4; ++ch) {
    EXPECT_EQ(Log("upload 10.231.3.2 ok key=CONFIG_SET file=Conf_000F7C003002_0" + std::to_string(ch) + "_" + day).size(),
              1u)
        << ch;
    EXPECT_EQ(m_report.Last(static_cast<RowHandle>(20 + ch)), 508) << ch;
  }
  EXPECT_EQ(m_report.Last(20), 508);
  EXPECT_EQ(Log(" bad ").size(), 0u);

  // A backup taken now holds what was restored.
  m_ui.selection.rows = {Single(10, kSingle, "00:0F:7C:00:30:01")};
  fs::remove(m_folder / ("Conf_000F7C003001_01_" + day + ".ini"));
  m_engine->Run(backup);
  const std::string again = Content("Conf_000F7C003001_01_" + day + ".ini");
  EXPECT_EQ(again, single);
}

TEST_F(MaintenanceNetns, FailedBackupKeepsTheEarlierFileAndLongOnesAreWhole) {
  const std::string day = Today();
  const std::string earlier = "#INFO,K7W-320,1\nEARLIER=1\n";
  std::ofstream(m_folder / ("Conf_000F7C003003_01_" + day + ".ini"), std::ios::binary) << earlier;
  std::ofstream(m_folder / ("Conf_000F7C00300B_01_" + day + ".ini"), std::ios::binary) << earlier;
  m_ui.selection.rows = {Single(30, kBroken, "00:0F:7C:00:30:03"), Single(40, kLong, "00:0F:7C:00:30:04"),
                         Single(70, kNoHttp, "00:0F:7C:00:30:07"), Single(80, kCut, "00:0F:7C:00:30:0B")};
  BackupOperation backup;
  backup.SetFolder(Folder());
  m_engine->Run(backup);
  EXPECT_EQ(m_report.Of(30), std::vector<int>{513});
  EXPECT_EQ(m_report.Of(40), std::vector<int>{508});
  EXPECT_EQ(m_report.Of(70), std::vector<int>{513});
  // A device that stops in the middle of its reply has not answered: its earlier file stays.
  EXPECT_EQ(m_report.Of(80), std::vector<int>{513});
  // The first request filled its buffer before the cut; the larger second one was cut.
  EXPECT_EQ(Log("cut 10.231.3.11 ").size(), 2u);
  EXPECT_EQ(Content("Conf_000F7C00300B_01_" + day + ".ini"), earlier);
  EXPECT_EQ(Content("Conf_000F7C003003_01_" + day + ".ini"), earlier);
  const std::string whole = Content("Conf_000F7C003004_01_" + day + ".ini");
  EXPECT_EQ(whole.size(), std::string("#INFO,K7W-320,\n").size() + 120000);
  EXPECT_EQ(whole.back(), '\n');
  EXPECT_EQ(Files().size(), 3u);
}

TEST_F(MaintenanceNetns, SingleFileRestoreIsCheckedThenSent) {
  const std::string day = Today();
  m_ui.selection.rows = {Single(10, kSingle, "00:0F:7C:00:30:01")};
  BackupOperation backup;
  backup.SetFolder(Folder());
  m_engine->Run(backup);
  const std::wstring file = Folder() + W("Conf_000F7C003001_01_" + day + ".ini");
  const std::string sent = Content("Conf_000F7C003001_01_" + day + ".ini");
  const std::wstring otherId = Folder() + L"other.ini";
  std::ofstream(m_folder / "other.ini") << "#INFO,K7W-320,9999\nX=1\n";

  StartDiscovery();
  Played<RestoreOperation> restore;
  restore.dialog = [&](RestoreOperation& op) {
    EXPECT_EQ(op.Prep().profileId, "1234");  // as the device tells it, cut at its dash
    EXPECT_EQ(SingleFileRefusal(op.Prep()), 0u);
    EXPECT_EQ(CheckRestoreFile(op.Prep(), false, otherId), 553u);
    EXPECT_EQ(CheckRestoreFile(op.Prep(), false, file), 0u);
    RestoreChoice one;
    one.singleFile = true;
    one.path = file;
    op.SetChoice(one);
    return true;
  };
  m_engine->Run(restore);
  EXPECT_EQ(m_report.Of(10), (std::vector<int>{508, 518, 520, 519, 508, 508}));
  EXPECT_EQ(Log("upload 10.231.3.1 ok key=CONFIG_SET file=Conf_000F7C003001_01_" + day + ".ini size=" +
                std::to_string(sent.size()))
                .size(),
            1u);

  // Two devices of which one tells no Profile ID: nothing to check the file's against.
  m_ui.selection.rows = {Single(10, kSingle, "00:0F:7C:00:30:01"), Single(40, kLong, "00:0F:7C:00:30:04")};
  restore.dialog = [&](RestoreOperation& op) {
    EXPECT_FALSE(op.Prep().profileKnown);
    EXPECT_EQ(op.Prep().modelCode, L"K7W-320");
    EXPECT_EQ(CheckRestoreFile(op.Prep(), false, otherId), 0u);
    return false;  // cancelled: nothing is sent
  };
  const std::size_t uploads = Log("upload ").size();
  m_engine->Run(restore);
  EXPECT_EQ(Log("upload ").size(), uploads);
}

TEST_F(MaintenanceNetns, DeviceLogsWithEveryVerdict) {
  BatchRow odd = Single(80, kOddSerial, "00:0F:7C:00:30:08");
  // The serial number as the device tells it.
  DeviceRecord record;
  ASSERT_EQ(HttpDeviceRequests().GetDeviceInfo(0, W(kOddSerial), record), 0u);
  odd.serial = record[SLOT_SERIAL];
  EXPECT_EQ(odd.serial, L"..\\..\\SER308");
  auto withSerial = [](BatchRow r, const wchar_t* serial) {
    r.serial = serial;
    return r;
  };
  m_ui.selection.rows = {withSerial(Single(10, kSingle, "00:0F:7C:00:30:01"), L"SER301"),
                         withSerial(Single(50, kNoBox, "00:0F:7C:00:30:05"), L"SER305"),
                         withSerial(Single(60, kOwnLogin, "00:0F:7C:00:30:06"), L"SER306"),
                         withSerial(Single(70, kNoHttp, "00:0F:7C:00:30:07"), L"SER307"), odd};
  Played<DebugOperation> logs;
  logs.dialog = [&](DebugOperation& op) {
    EXPECT_EQ(op.Platform(), L"K7W-320");
    EXPECT_EQ(CheckDebugApply(kDebugBlackBox, Folder(), op.Platform()), 0u);
    op.SetTask(kDebugBlackBox, Folder());
    return true;
  };
  m_engine->Run(logs);
  EXPECT_EQ(m_report.Of(10), std::vector<int>{508});
  EXPECT_EQ(m_report.Of(50), std::vector<int>{537});
  EXPECT_EQ(m_report.Of(60), std::vector<int>{538});
  EXPECT_EQ(m_report.Of(70), std::vector<int>{524});
  EXPECT_EQ(m_report.Of(80), std::vector<int>{508});
  const std::vector<std::string> files = Files();
  ASSERT_EQ(files.size(), 2u) << ::testing::PrintToString(files);
  EXPECT_EQ(files[0].rfind(".._.._SER308_", 0), 0u) << files[0];
  EXPECT_EQ(files[1].rfind("SER301_", 0), 0u) << files[1];
  EXPECT_EQ(Content(files[0]).size(), 70000u);
  EXPECT_EQ(Content(files[1]).substr(0, 12), "[0001] boot ");
  // Nothing was written beside the folder.
  for (const auto& e : fs::directory_iterator(m_folder.parent_path()))
    EXPECT_EQ(e.path().filename().string().find("SER308"), std::string::npos) << e.path();
}

TEST_F(MaintenanceNetns, BootLoaderImageGoesThroughTheUpgradeEngine) {
  StartDiscovery();
  const std::string image = (m_folder / "K7W-700-V6.10.01-LV.upg").string();
  std::ofstream(image, std::ios::binary) << std::string(50000, 'b');
  m_ui.selection.rows = {Single(90, kLoader, "00:0F:7C:00:30:09", L"K7W-700-V6.09.05-LV"),
                         Single(91, kOldLoader, "00:0F:7C:00:30:0A", L"K7W-700-V6.08.10-LV")};
  Played<DebugOperation> loader;
  loader.dialog = [&](DebugOperation& op) {
    EXPECT_EQ(op.Platform(), L"K7W-700");
    EXPECT_EQ(CheckDebugApply(kDebugBootloader, W(image), op.Platform()), 0u);
    op.SetTask(kDebugBootloader, W(image));
    return true;
  };
  m_engine->Run(loader);
  // Back with the image's firmware; the device below 6.08.30 is refused by the upgrade rule.
  EXPECT_EQ(m_report.Of(90), (std::vector<int>{518, 520, 519, 508, 508}));
  EXPECT_EQ(m_report.Of(91), (std::vector<int>{518, 521}));
  EXPECT_EQ(Log("upload 10.231.3.9 ok key=BOOTLOADER_FIRMWARE file=K7W-700-V6.10.01-LV.upg size=50000").size(), 1u);
  EXPECT_EQ(Log("upload 10.231.3.10").size(), 0u);
}

}  // namespace
