// Whole upgrade jobs against simulated devices on a private test network: the upload, the
// reboot, the device found again by discovery, and the verdicts, with the engine's clock
// running a hundred times faster than the real one.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "device/device_searcher.h"
#include "device/firmware_upgrader.h"
#include "device/http_port_map.h"
#include "port/text.h"
#include "tests/support/netns_lab.h"
#include "tests/support/read_file.h"

using testlab::NetnsLab;

namespace {

void WriteBytes(const std::string& path, std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string data(size, '\0');
  for (auto& c : data) c = static_cast<char>(rng());
  std::ofstream(path, std::ios::binary) << data;
}

// Every row's reports in order; `onStatus` may act on a report (on the worker's thread).
class RowLog : public UpgradeEvents {
 public:
  std::function<void(UpgradeRow, int)> onStatus;
  void OnDeviceStatus(UpgradeRow row, int id) override {
    if (onStatus) onStatus(row, id);
    Add(row, std::to_string(id));
  }
  void OnDeviceAddress(UpgradeRow row, std::wstring ip) override { Add(row, "A:" + port::ToLocal8(ip)); }
  void OnDeviceFirmware(UpgradeRow row, std::wstring fw) override { Add(row, "F:" + port::ToLocal8(fw)); }
  std::vector<std::string> Row(UpgradeRow row) {
    std::lock_guard<std::mutex> l(m_lock);
    return m_rows[row];
  }

 private:
  void Add(UpgradeRow row, const std::string& e) {
    std::lock_guard<std::mutex> l(m_lock);
    m_rows[row].push_back(e);
  }
  std::mutex m_lock;
  std::map<UpgradeRow, std::vector<std::string>> m_rows;
};

// The main window's part in an upgrade: every discovery record that arrives while a batch
// runs goes to the engine.
class EngineFeed : public DiscoveryOwner {
 public:
  explicit EngineFeed(FirmwareUpgrader*& engine) : m_engine(engine) {}
  void ParseDiscoveryReply(const std::uint8_t* reply) override {
    const auto* r = reinterpret_cast<const DiscoveryReply*>(reply);
    DeviceRecord rec;
    FillDeviceRecord(r->identity, r->model, rec);
    if (m_engine && m_engine->IsRunning()) m_engine->SetDeviceInfo(rec[SLOT_MAC], rec[SLOT_IP], rec[SLOT_FIRMWARE]);
  }
  void AddDiscoveredDevice(const char*) override {}
  void OnIpSetReply(const std::uint8_t*) override {}

 private:
  FirmwareUpgrader*& m_engine;
};

using Seq = std::vector<std::string>;

class UpgradeNetns : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!NetnsLab::Available()) GTEST_SKIP() << "needs root and the ip tool";
    lab.reset(new NetnsLab(2));
    ASSERT_TRUE(lab->Ok()) << lab->Error();
    fw = lab->Dir() + "/fw/";
    std::system(("mkdir -p " + fw + "old " + fw + "conf").c_str());
    WriteBytes(fw + "old/K7W-320-V3.13.01-QT.upg", 1000, 1);
    WriteBytes(fw + "K7W-320-V3.14.00-QT.upg", 3 * 1024 * 1024 + 17, 2);
    std::ofstream(fw + "K7W-320-V3.14.00-QT.md5") << "d41d8cd98f00b204e9800998ecf8427e\n";
    for (const char* c : {"Conf_000F7C000112_01_20261201.ini", "Conf_000F7C000112_02_20261201.ini"})
      std::ofstream(fw + "conf/" + c) << "#INFO,K7W-320,1\nVIDEO_FPS_NUM=25\n";
  }
  void TearDown() override {
    if (searcher) searcher->Stop();
    engine = nullptr;
    g_pDeviceSearcher = nullptr;
    lab.reset();
  }

  static std::string Ip(int i) { return "10.231.1." + std::to_string(i); }
  static std::string Mac(int i) {
    char b[32];
    std::snprintf(b, sizeof b, "00:0F:7C:00:01:%02X", i);
    return b;
  }
  std::string Device(int i, const std::string& firmware, const std::string& extra) {
    firmwareOf[i] = firmware;
    return "ip=" + Ip(i) + " mac=" + Mac(i) + " firmware=" + firmware + " model=CAM-" + std::to_string(i) +
           " reboot_ms=1500 " + extra + "\n";
  }

  // Starts the simulator with these device lines in namespace `ns`; the test thread enters
  // the host namespace and discovery runs there.
  pid_t StartDevices(int ns, const std::vector<std::string>& lines, const std::vector<std::string>& ips) {
    std::string conf = lab->Dir() + "/devices" + std::to_string(ns) + ".conf";
    std::ofstream f(conf);
    for (auto& l : lines) f << l;
    f.close();
    if (!lab->AddDeviceAddresses(ns, ips)) return -1;
    simLog = lab->Dir() + "/sim" + std::to_string(ns) + ".log";
    return lab->StartSimulator(ns, {"--config", conf, "--log", simLog});
  }
  void StartEngine() {
    ASSERT_TRUE(lab->EnterHost());
    g_HttpPortMap.Clear();
    // The engine is there before the dispatcher that hands it records starts.
    upgrader.reset(new FirmwareUpgrader(nullptr, nullptr, &clock));
    upgrader->SetSendStallMs(5000);
    engine = upgrader.get();
    feed.reset(new EngineFeed(engine));
    searcher.reset(new DeviceSearcher);
    g_pDeviceSearcher = searcher.get();
    searcher->Start(feed.get());
    searcher->Search(NetnsLab::kHostIp);
  }
  UpgradeJob Job(int i, std::uint32_t kind = UPGRADE_FIRMWARE) {
    UpgradeJob j;
    j.row = static_cast<UpgradeRow>(i);
    j.kind = kind;
    j.owner = &rows;
    j.ip = port::FromLocal8(Ip(i));
    j.mac = port::FromLocal8(Mac(i));
    j.firmware = port::FromLocal8(firmwareOf[i]);  // the row's text
    j.folder = port::FromLocal8(fw);
    j.channels.push_back(UpgradeChannel{0, j.row});
    return j;
  }
  void RunBatch(const std::vector<UpgradeJob>& jobs) {
    engine->BeginBatch();
    for (auto& j : jobs) engine->StartDevice(j);
    // The batch watcher's part: wait for every worker, then end the batch.
    while (!engine->IsFinished()) port::SleepMs(20);
    EXPECT_EQ(engine->FinishedJobs(), jobs.size());
    engine->EndBatch();
  }

  std::unique_ptr<NetnsLab> lab;
  std::string fw, simLog;
  std::map<int, std::string> firmwareOf;
  ScaledClock clock{100};
  RowLog rows;
  FirmwareUpgrader* engine = nullptr;
  std::unique_ptr<EngineFeed> feed;
  std::unique_ptr<DeviceSearcher> searcher;
  std::unique_ptr<FirmwareUpgrader> upgrader;
};

const Seq kFailedUpload(int id) { return Seq{"518", "520", std::to_string(id)}; }

TEST_F(UpgradeNetns, EachJobEndsInItsOwnVerdict) {
  const std::string cur = "K7W-320-V3.13.01-QT";
  std::vector<std::string> lines = {
      Device(1, cur, ""),                              // a good upgrade
      Device(2, cur, "after_ip=default"),              // back on the factory address
      Device(3, cur, "after_ip=10.231.1.33"),          // back on another address
      Device(4, cur, "after_firmware=old"),            // back with the old version
      Device(5, cur, "reboot_ms=3600000"),             // never back
      Device(6, cur, "upload=error"),                  // an error word in the answer
      Device(7, cur, "upload=status404"),              // a 4xx status without error word
      Device(8, cur, "upload=status500"),
      Device(9, cur, "upload=reset"),                  // connection reset instead of an answer
      Device(10, cur, "upload=silent"),                // no answer at all
      Device(11, cur, "upgrade_page=one"),             // the page lacks the MD5 input
      Device(12, "K7W-320-V3.11.00-QT", ""),           // rule conflict with the newest file
      Device(13, "K7W-320-V3.13.01-QT", "http=off"),   // information cannot be read
      Device(14, cur, "network_firmware=K7W-320-V3.15.00-QT"),  // network upgrade
      Device(15, cur, "upload=ok"),                    // a second good upgrade
      Device(16, "K7W-999-V1.00.00-QT", ""),           // no file for it in the folder
  };
  std::vector<std::string> ips;
  for (int i = 1; i <= 16; ++i) ips.push_back(Ip(i));
  ips.push_back("10.231.1.33");
  ASSERT_GT(StartDevices(0, lines, ips), 0);
  StartEngine();

  std::vector<UpgradeJob> jobs;
  for (int i = 1; i <= 16; ++i) jobs.push_back(Job(i));
  jobs[13].kind = UPGRADE_NETWORK;
  jobs[13].folder.clear();
  RunBatch(jobs);

  const Seq good{"518", "520", "519", "A:10.231.1.1", "F:K7W-320-V3.14.00-QT", "508", "508"};
  EXPECT_EQ(rows.Row(1), good);
  EXPECT_EQ(rows.Row(2), (Seq{"518", "520", "519", "A:192.168.0.100", "F:K7W-320-V3.14.00-QT", "508", "508"}));
  EXPECT_EQ(rows.Row(3), (Seq{"518", "520", "519", "A:10.231.1.33", "F:K7W-320-V3.14.00-QT", "508", "508"}));
  EXPECT_EQ(rows.Row(4), (Seq{"518", "520", "519", "527", "527"}));
  EXPECT_EQ(rows.Row(5), (Seq{"518", "520", "519", "527", "527"}));
  EXPECT_EQ(rows.Row(6), kFailedUpload(525));
  EXPECT_EQ(rows.Row(7), kFailedUpload(525));
  EXPECT_EQ(rows.Row(8), kFailedUpload(525));
  EXPECT_EQ(rows.Row(9), kFailedUpload(525));
  EXPECT_EQ(rows.Row(10), kFailedUpload(526));
  EXPECT_EQ(rows.Row(11), (Seq{"518", "527"}));
  EXPECT_EQ(rows.Row(12), (Seq{"518", "521"}));
  EXPECT_EQ(rows.Row(13), (Seq{"518", "527"}));
  EXPECT_EQ(rows.Row(14), (Seq{"518", "520", "519", "A:10.231.1.14", "F:K7W-320-V3.15.00-QT", "508", "508"}));
  EXPECT_EQ(rows.Row(15), (Seq{"518", "520", "519", "A:10.231.1.15", "F:K7W-320-V3.14.00-QT", "508", "508"}));
  EXPECT_EQ(rows.Row(16), (Seq{"518", "522"}));

  std::string log = testlab::ReadFile(simLog);
  // The upload carried the image and its MD5 companion, with their sizes.
  EXPECT_NE(log.find("upload 10.231.1.1 ok key=FIRMWARE file=K7W-320-V3.14.00-QT.upg size=3145745 "
                     "second=K7W-320-V3.14.00-QT.md5 size2=33"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find(" bad "), std::string::npos) << log;  // the receiver found every upload well formed
  EXPECT_EQ(log.find("upload 10.231.1.12"), std::string::npos);  // refused before anything was sent
  EXPECT_EQ(log.find("upload 10.231.1.11"), std::string::npos);
}

TEST_F(UpgradeNetns, PerChannelRestoreUploadsOncePerChannel) {
  ASSERT_GT(StartDevices(0, {Device(18, "K7W-320-V3.13.01-QT", "")}, {Ip(18)}), 0);
  StartEngine();
  UpgradeJob j = Job(18, UPGRADE_CONFIG_SET);
  j.perChannel = true;
  j.folder = port::FromLocal8(fw + "conf/");
  j.channels = {UpgradeChannel{1, 181}, UpgradeChannel{2, 182}, UpgradeChannel{3, 183}};
  // Backups for channels 1 and 2 only: the third upload finds no file.
  RunBatch({j});
  EXPECT_EQ(rows.Row(18), (Seq{"518", "520", "520", "523"}));
  EXPECT_TRUE(rows.Row(181).empty());
  std::string log = testlab::ReadFile(simLog);
  EXPECT_NE(log.find("upload 10.231.1.18 ok key=CONFIG_SET file=Conf_000F7C000112_01_20261201.ini"), std::string::npos)
      << log;
  EXPECT_NE(log.find("upload 10.231.1.18 ok key=CONFIG_SET file=Conf_000F7C000112_02_20261201.ini"), std::string::npos);

  // With backups for both channels: one result per channel row, no address or firmware text.
  j.channels.pop_back();
  RunBatch({j});
  EXPECT_EQ(rows.Row(181), (Seq{"508"}));
  EXPECT_EQ(rows.Row(182), (Seq{"508"}));
  Seq row = rows.Row(18);
  EXPECT_EQ(Seq(row.begin() + 4, row.end()), (Seq{"518", "520", "520", "519", "508"}));
}

TEST_F(UpgradeNetns, DeviceThatDiesMidUploadFails) {
  WriteBytes(fw + "K7W-320-V3.14.00-QT.upg", 48 * 1024 * 1024, 3);  // longer than any socket buffer
  pid_t sim = StartDevices(1, {Device(20, "K7W-320-V3.13.01-QT", "")}, {Ip(20)});
  ASSERT_GT(sim, 0);
  StartEngine();
  // The device's power goes just as the upload starts.
  rows.onStatus = [sim](UpgradeRow, int id) {
    if (id == RESULT_UPLOADING) kill(sim, SIGKILL);
  };
  RunBatch({Job(20)});
  EXPECT_EQ(rows.Row(20), kFailedUpload(525));
}

TEST_F(UpgradeNetns, FileThatShrinksDuringTheUploadFails) {
  ASSERT_GT(StartDevices(0, {Device(21, "K7W-320-V3.13.01-QT", "")}, {Ip(21)}), 0);
  StartEngine();
  // The image is cut short after its size was taken, just before the bytes go out.
  const std::string image = fw + "K7W-320-V3.14.00-QT.upg";
  rows.onStatus = [image](UpgradeRow, int id) {
    if (id == RESULT_UPLOADING) truncate(image.c_str(), 1000);
  };
  RunBatch({Job(21)});
  EXPECT_EQ(rows.Row(21), kFailedUpload(522));
  std::string log = testlab::ReadFile(simLog);
  EXPECT_EQ(log.find("upload 10.231.1.21 ok"), std::string::npos) << log;  // the device took nothing
}

TEST_F(UpgradeNetns, SixteenDevicesInParallel) {
  std::vector<std::string> lines, ips;
  for (int i = 40; i < 56; ++i) {
    lines.push_back(Device(i, "K7W-320-V3.13.01-QT", ""));
    ips.push_back(Ip(i));
  }
  ASSERT_GT(StartDevices(0, lines, ips), 0);
  StartEngine();
  std::vector<UpgradeJob> jobs;
  for (int i = 40; i < 56; ++i) jobs.push_back(Job(i));
  RunBatch(jobs);
  for (int i = 40; i < 56; ++i)
    EXPECT_EQ(rows.Row(static_cast<UpgradeRow>(i)),
              (Seq{"518", "520", "519", "A:" + Ip(i), "F:K7W-320-V3.14.00-QT", "508", "508"}))
        << Ip(i);
  std::string log = testlab::ReadFile(simLog);
  int uploads = 0;
  for (std::size_t p = 0; (p = log.find(" ok key=FIRMWARE file=K7W-320-V3.14.00-QT.upg size=3145745", p)) !=
                          std::string::npos;
       ++p)
    ++uploads;
  EXPECT_EQ(uploads, 16);
}

TEST_F(UpgradeNetns, BootLoaderJobIsJudgedByTheDevicesOwnInformation) {
  // After its reboot each device reports the version of the image it took, or one of the
  // same number but another edition; only its own system information tells them apart.
  const std::string cur = "K7W-700-V6.08.30-LV";
  ASSERT_GT(StartDevices(0, {Device(60, cur, ""), Device(61, cur, "after_firmware=K7W-700-V6.09.05-QT")},
                         {Ip(60), Ip(61)}),
            0);
  StartEngine();
  const std::string image = fw + "K7W-700-V6.09.05-LV.bin";
  WriteBytes(image, 4096, 4);
  std::vector<UpgradeJob> jobs;
  for (int i : {60, 61}) {
    UpgradeJob j = Job(i, UPGRADE_BOOTLOADER);
    j.folder.clear();
    j.filePath = port::FromLocal8(image);
    jobs.push_back(j);
  }
  RunBatch(jobs);
  EXPECT_EQ(rows.Row(60), (Seq{"518", "520", "519", "508", "508"}));
  EXPECT_EQ(rows.Row(61), (Seq{"518", "520", "519", "527", "527"}));
  std::string log = testlab::ReadFile(simLog);
  EXPECT_NE(log.find("upload 10.231.1.61 ok key=BOOTLOADER_FIRMWARE file=K7W-700-V6.09.05-LV.bin"), std::string::npos)
      << log;
}

}  // namespace
