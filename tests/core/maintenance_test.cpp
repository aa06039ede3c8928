// The maintenance operations without a network: the backup and device-log workers with canned
// device answers (the files they write, and keep), the firmware dialog's probe and file
// rules, the restore dialog's preparation and file check, the debug dialog's platform rule,
// and how devices are handed to the upgrade engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/batch/batch_engine.h"
#include "app/batch/config_backup.h"
#include "app/batch/device_log.h"
#include "app/batch/upgrade_batch.h"
#include "device/config_file.h"
#include "device/firmware_upgrader.h"
#include "device/login.h"
#include "device/model_tests.h"
#include "device/upgrade_job.h"
#include "device/upgrade_rules.h"
#include "dialogs/maintenance/backup_operation.h"
#include "dialogs/maintenance/debug_operation.h"
#include "dialogs/maintenance/firmware_operation.h"
#include "dialogs/maintenance/restore_operation.h"
#include "port/dir_list.h"
#include "port/text.h"
#include "tests/support/batch_fakes.h"
#include "tests/support/read_file.h"

namespace fs = std::filesystem;
using testlab::Row;

namespace {

// Devices that answer from a table: the first rule whose host and path part match decides
// (a body, or a failure result). Every request is recorded with its buffer size.
class CannedRequests : public DeviceRequests {
 public:
  struct Rule {
    std::wstring host;      // empty: any
    std::wstring pathPart;  // a part of the path
    int result;             // > 0: answer with body; else this failure
    std::string body;
  };
  std::vector<Rule> rules;
  void Answer(const std::wstring& host, const std::wstring& part, const std::string& body) {
    rules.push_back(Rule{host, part, 1, body});
  }
  void Fail(const std::wstring& host, const std::wstring& part, int result, const std::string& body = "") {
    rules.push_back(Rule{host, part, result, body});
  }
  int GetCgi(const std::wstring& host, const std::wstring& path, char* reply, int size, int, bool,
             bool acceptError) override {
    {
      std::lock_guard<std::mutex> l(m_lock);
      asked.push_back(port::ToLocal8(host + L" " + path) + " " + std::to_string(size));
    }
    reply[0] = '\0';
    for (const Rule& r : rules) {
      if (!r.host.empty() && r.host != host) continue;
      if (path.find(r.pathPart) == std::wstring::npos) continue;
      const int n = static_cast<int>(std::min<std::size_t>(r.body.size(), static_cast<std::size_t>(size - 1)));
      std::memcpy(reply, r.body.data(), static_cast<std::size_t>(n));
      reply[n] = '\0';
      if (r.result <= 0) return r.result;
      if (!acceptError && r.body.find("ERROR") != std::string::npos) return -2;
      return n;
    }
    return -1;
  }
  unsigned GetDeviceInfo(int, const std::wstring&, DeviceRecord&) override { return 0; }
  int Count(const std::string& part) {
    std::lock_guard<std::mutex> l(m_lock);
    return static_cast<int>(std::count_if(asked.begin(), asked.end(),
                                          [&](const std::string& a) { return a.find(part) != std::string::npos; }));
  }
  std::vector<std::string> asked;

 private:
  std::mutex m_lock;
};

class Maintenance : public ::testing::Test {
 protected:
  void SetUp() override {
    Login d = DefaultLogin();
    SetUserLogin(d.user, d.password);
    root = fs::temp_directory_path() /
           ("dvkmt" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root);
    context.io = &io;
    context.clock = &clock;
    context.report = &report;
    context.stop = std::make_shared<BatchStop>();
  }
  void TearDown() override { fs::remove_all(root); }
  std::wstring Folder() const { return root.wstring() + port::kPathSeparator; }
  std::string Content(const std::wstring& name) const { return testlab::ReadFile((root / name).string()); }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(root)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path root;
  CannedRequests io;
  testlab::RecordingClock clock{1000};
  testlab::RecordingReport report;
  BatchContext context;
};

BatchRow Device(RowHandle row, const wchar_t* ip, const wchar_t* mac, const wchar_t* firmware,
                const wchar_t* serial = L"") {
  BatchRow r = Row(row, ip, mac, false, firmware);
  r.serial = serial;
  return r;
}

// ---- backup ----------------------------------------------------------------------------------

TEST_F(Maintenance, BackupOfASingleAndAFourChannelDevice) {
  BatchSelection s;
  s.rows.push_back(Device(1, L"10.0.0.1", L"00:11:22:33:44:55", L"K7W-320-V3.13.01-QT"));
  BatchRow encoder = Device(10, L"10.0.0.2", L"00:0F:7C:00:00:02", L"K5H-0400-V2.1");
  for (int ch = 1; ch <= 4; ++ch) encoder.channels.emplace_back(10 + ch, std::to_wstring(ch) + L" - 10.0.0.2");
  s.rows.push_back(encoder);
  const std::vector<BackupEntry> entries = BackupEntries(s);
  std::vector<std::pair<RowHandle, int>> order;
  for (const BackupEntry& e : entries) order.emplace_back(e.row, e.channel);
  EXPECT_EQ(order, (std::vector<std::pair<RowHandle, int>>{{1, 1}, {11, 1}, {12, 2}, {13, 3}, {14, 4}, {10, 0}}));

  io.Answer(L"10.0.0.1", L"SYSTEM_INFO", "Firmware Version = K7W-320-V3.13.01-QT\nProfile ID = 1234-5678\n");
  io.Answer(L"10.0.0.2", L"SYSTEM_INFO", "Profile ID = 99\n");
  io.Answer(L"10.0.0.1", L"CONFIG_GET", "VIDEO_FPS_NUM=25\n");
  for (int ch = 1; ch <= 4; ++ch)
    io.Answer(L"10.0.0.2", L"CHANNEL=" + std::to_wstring(ch) + L"&CONFIG_GET", "CH=" + std::to_string(ch) + "\n");
  io.Answer(L"10.0.0.2", L"CONFIG_GET", "DEVICE=1\n");
  RunBackup(context, entries, Folder(), L"20261208");

  EXPECT_EQ(Files(), (std::vector<std::string>{"Conf_000F7C000002_00_20261208.ini", "Conf_000F7C000002_01_20261208.ini",
                                               "Conf_000F7C000002_02_20261208.ini", "Conf_000F7C000002_03_20261208.ini",
                                               "Conf_000F7C000002_04_20261208.ini", "Conf_001122334455_01_20261208.ini"}));
  EXPECT_EQ(Content(L"Conf_001122334455_01_20261208.ini"), "#INFO,K7W-320,1234\nVIDEO_FPS_NUM=25\n");
  EXPECT_EQ(Content(L"Conf_000F7C000002_03_20261208.ini"), "#INFO,K7W-320,99\nCH=3\n");
  EXPECT_EQ(Content(L"Conf_000F7C000002_00_20261208.ini"), "#INFO,K5H-040,99\nDEVICE=1\n");
  for (RowHandle row : {1, 10, 11, 12, 13, 14}) EXPECT_EQ(report.Of(row), std::vector<int>{508}) << row;
  // The Profile ID is always asked of channel 1; the configuration of the entry's channel.
  EXPECT_EQ(io.Count("10.0.0.2 /cgi-bin/cmd/system?CHANNEL=1&SYSTEM_INFO"), 5);
  EXPECT_EQ(io.Count("&CONFIG_GET 51200"), 6);
  EXPECT_EQ(io.Count("&CHANNEL=4&CONFIG_GET"), 1);
}

TEST_F(Maintenance, BinaryBackupIsTheDevicesBytesAlone) {
  const std::string bytes("\x00\x01#INFO\xff\n", 9);
  io.Answer(L"10.0.0.3", L"CONFIG_GET", bytes);
  BatchSelection s;
  s.rows.push_back(Device(3, L"10.0.0.3", L"AA:BB:CC:00:00:03", L"R9X-A3.23.45-QT"));
  RunBackup(context, BackupEntries(s), Folder(), L"20261208");
  EXPECT_EQ(Content(L"Conf_AABBCC000003_01_20261208.bin"), bytes);
  EXPECT_EQ(io.Count("SYSTEM_INFO"), 0);  // no header, so no Profile ID
  EXPECT_EQ(report.Of(3), std::vector<int>{508});
}

TEST_F(Maintenance, LongConfigurationIsReadToItsEndNeverSavedCut) {
  std::string config;
  for (int i = 0; config.size() < 200000; ++i) config += "KEY" + std::to_string(i) + "=value\n";
  io.Answer(L"10.0.0.4", L"CONFIG_GET", config);
  BatchSelection s;
  s.rows.push_back(Device(4, L"10.0.0.4", L"00:00:00:00:00:04", L"K7W-320-V3.13.01-QT"));
  RunBackup(context, BackupEntries(s), Folder(), L"20261208");
  EXPECT_EQ(Content(L"Conf_000000000004_01_20261208.ini"), "#INFO,K7W-320,\n" + config);
  EXPECT_EQ(report.Of(4), std::vector<int>{508});
  EXPECT_EQ(io.Count("CONFIG_GET 51200"), 1);
  EXPECT_EQ(io.Count("CONFIG_GET 204800"), 1);

  // One that never ends fails, and writes nothing.
  io.rules.clear();
  io.Answer(L"10.0.0.4", L"CONFIG_GET", std::string(kBackupReplyLimit + 10, 'x'));
  RunBackup(context, BackupEntries(s), Folder(), L"20261209");
  EXPECT_EQ(report.Last(4), 513);
  EXPECT_FALSE(fs::exists(root / "Conf_000000000004_01_20261209.ini"));
}

TEST_F(Maintenance, FailedBackupLeavesTheEarlierFileAsItWas) {
  BatchSelection s;
  s.rows.push_back(Device(5, L"10.0.0.5", L"00:00:00:00:00:05", L"K7W-320-V3.13.01-QT"));
  std::ofstream(root / "Conf_000000000005_01_20261208.ini", std::ios::binary) << "#INFO,K7W-320,1\nOLD=1\n";
  for (int failure : {-1, -2, -3}) {
    io.rules.clear();
    io.Answer(L"", L"SYSTEM_INFO", "Profile ID = 1\n");
    io.Fail(L"10.0.0.5", L"CONFIG_GET", failure, "ERROR");
    RunBackup(context, BackupEntries(s), Folder(), L"20261208");
    EXPECT_EQ(report.Last(5), 513) << failure;
    EXPECT_EQ(Content(L"Conf_000000000005_01_20261208.ini"), "#INFO,K7W-320,1\nOLD=1\n") << failure;
  }
  // An answer that says ERROR is no configuration either.
  io.rules.clear();
  io.Answer(L"10.0.0.5", L"CONFIG_GET", "ERROR: busy\n");
  RunBackup(context, BackupEntries(s), Folder(), L"20261208");
  EXPECT_EQ(report.Last(5), 513);
  EXPECT_EQ(Files(), std::vector<std::string>{"Conf_000000000005_01_20261208.ini"});  // no temporary left
}

TEST_F(Maintenance, SecondDeviceWithTheSameNameNeverOverwritesTheFirst) {
  io.Answer(L"10.0.0.6", L"CONFIG_GET", "FIRST=1\n");
  io.Answer(L"10.0.0.7", L"CONFIG_GET", "SECOND=1\n");
  BatchSelection s;
  s.rows.push_back(Device(6, L"10.0.0.6", L"", L"K7W-320-V3.13.01-QT"));
  s.rows.push_back(Device(7, L"10.0.0.7", L"", L"K7W-320-V3.13.01-QT"));
  RunBackup(context, BackupEntries(s), Folder(), L"20261208");
  EXPECT_EQ(report.Of(6), std::vector<int>{508});
  EXPECT_EQ(report.Of(7), std::vector<int>{513});
  EXPECT_EQ(Content(L"Conf__01_20261208.ini"), "#INFO,K7W-320,\nFIRST=1\n");
  EXPECT_EQ(io.Count("10.0.0.7"), 0);  // refused before it is asked
}

TEST_F(Maintenance, NameOfAFailedBackupStaysFree) {
  // The first device of a name gives no configuration: the next one of that name is asked
  // and saved, and only the one after it is refused.
  io.Fail(L"10.0.0.6", L"CONFIG_GET", -1);
  io.Answer(L"10.0.0.7", L"CONFIG_GET", "SECOND=1\n");
  io.Answer(L"10.0.0.8", L"CONFIG_GET", "THIRD=1\n");
  BatchSelection s;
  for (RowHandle row : {6, 7, 8})
    s.rows.push_back(Device(row, (L"10.0.0." + std::to_wstring(row)).c_str(), L"", L"K7W-320-V3.13.01-QT"));
  RunBackup(context, BackupEntries(s), Folder(), L"20261208");
  EXPECT_EQ(report.Of(6), std::vector<int>{513});
  EXPECT_EQ(report.Of(7), std::vector<int>{508});
  EXPECT_EQ(report.Of(8), std::vector<int>{513});
  EXPECT_EQ(Content(L"Conf__01_20261208.ini"), "#INFO,K7W-320,\nSECOND=1\n");
  EXPECT_EQ(io.Count("10.0.0.8"), 0);
}

TEST_F(Maintenance, DevicesOwnBackupPassesItsRestoreCheck) {
  // Each device is backed up and its own file then checked as a single-file restore to that
  // device (the device's own configuration, or its channels' with the channel file).
  struct Case {
    const wchar_t* firmware;
    const char* sysinfo;
    bool channelRows;
  } cases[] = {
      {L"K7W-320-V3.13.01-QT", "Profile ID = 1234-5678\n", false},
      {L"K7W-41\nV1.00", "Profile ID = 77\n", false},  // a line break in the model code
      {L",K7W-41-V1", "Profile ID = 77\n", false},      // a comma first
      {L"K7W 41-V1", "Profile ID = 7 7\n", false},      // blanks in both
      {L"       -V1", "Profile ID = 1\n", false},
      {L"K7W-320-V3.13.01-QT", "Profile ID = a,b\x01c\n", false},
      {L"K5H-0400-V2.1", "Profile ID = 99\n", false},   // multi-channel, checked without its channel rows
      {L"K5H-0400-V2.1", "Profile ID = 99\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(port::ToLocal8(c.firmware) + " " + c.sysinfo);
    fs::remove_all(root);
    fs::create_directories(root);
    io.rules.clear();
    io.Answer(L"10.0.5.1", L"SYSTEM_INFO", c.sysinfo);
    io.Answer(L"10.0.5.1", L"CONFIG_GET", "X=1\n");
    BatchSelection s;
    BatchRow row = Device(1, L"10.0.5.1", L"00:0F:7C:00:05:01", c.firmware);
    if (c.channelRows) row.channels.emplace_back(2, L"1 - 10.0.5.1");
    s.rows.push_back(row);
    RunBackup(context, BackupEntries(s), Folder(), L"20261208");
    EXPECT_EQ(report.Last(1), 508);

    const RestorePrep prep = PrepareRestore(s, context);
    ASSERT_EQ(SingleFileRefusal(prep), 0u);
    // The device's own file is the one a restore from the folder looks for.
    const std::wstring own = FindFiles(0, UPGRADE_CONFIG_SET, c.firmware, row.mac);
    ASSERT_EQ(own.substr(0, 21), L"Conf_000F7C000501_0" + std::wstring(IsFamilyModel(c.firmware) ? L"0" : L"1") + L"_");
    const std::wstring name = own.substr(0, 21) + L"20261208.ini", file = Folder() + name;
    EXPECT_EQ(CheckRestoreFileForm(file), 0);
    EXPECT_EQ(CheckRestoreFile(prep, false, file), 0u);
    const std::string bytes = Content(name);
    EXPECT_EQ(bytes.find('\n'), bytes.find("X=1") - 1);  // one header line, then the configuration
    if (c.channelRows) {
      EXPECT_EQ(CheckRestoreFile(prep, true, Folder() + L"Conf_000F7C000501_01_20261208.ini"), 0u);
      EXPECT_EQ(CheckRestoreFile(prep, true, file), 553u);  // the device's own is no channel's
    }
  }
}

TEST_F(Maintenance, BackupThatCannotBeWrittenFails) {
  io.Answer(L"", L"CONFIG_GET", "X=1\n");
  BatchSelection s;
  s.rows.push_back(Device(8, L"10.0.0.8", L"00:00:00:00:00:08", L"K7W-320-V3.13.01-QT"));
  RunBackup(context, BackupEntries(s), Folder() + L"missing" + port::kPathSeparator, L"20261208");
  EXPECT_EQ(report.Of(8), std::vector<int>{513});
}

TEST_F(Maintenance, StoppedBackupReportsNothingMore) {
  io.Answer(L"", L"CONFIG_GET", "X=1\n");
  BatchSelection s;
  s.rows.push_back(Device(9, L"10.0.0.9", L"00:00:00:00:00:09", L"K7W-320-V3.13.01-QT"));
  context.stop->Request();
  RunBackup(context, BackupEntries(s), Folder(), L"20261208");
  EXPECT_TRUE(report.Of(9).empty());
  EXPECT_TRUE(Files().empty());
}

// ---- device log ------------------------------------------------------------------------------

TEST(DeviceLog, VerdictOfEachAnswer) {
  struct Case {
    int n;
    const char* buffer;
    int status;
  } cases[] = {
      {120, "[0001] boot\n", 508},
      {30, "GET_BLACKBOX_MSG not found\n", 537},
      {-1, "", 524},
      {-3, "bad account/password\n", 538},
      {-3, "GET_BLACKBOX_MSG not found", 537},  // a 404 that says it does not know the command
      {40, "ERROR: GET_BLACKBOX_MSG\n", 508},   // "ERROR" alone is taken as the log
  };
  for (const Case& c : cases) EXPECT_EQ(DeviceLogVerdict(c.n, c.buffer), c.status) << c.buffer;
}

TEST_F(Maintenance, DeviceLogsAreNewFilesInTheFolder) {
  io.Answer(L"10.0.1.1", L"GET_BLACKBOX_MSG", "log one\n");
  io.Answer(L"10.0.1.2", L"GET_BLACKBOX_MSG", "log two\n");
  io.Answer(L"10.0.1.3", L"GET_BLACKBOX_MSG", "GET_BLACKBOX_MSG not found\n");
  io.Fail(L"10.0.1.4", L"GET_BLACKBOX_MSG", -3, "bad account/password\n");
  io.Answer(L"10.0.1.6", L"GET_BLACKBOX_MSG", "log six\n");
  const std::vector<BatchRow> rows = {Device(1, L"10.0.1.1", L"", L"", L"SER1"),
                                      Device(2, L"10.0.1.2", L"", L"", L"SER1"),  // the same serial
                                      Device(3, L"10.0.1.3", L"", L"", L"SER3"),
                                      Device(4, L"10.0.1.4", L"", L"", L"SER4"),
                                      Device(5, L"10.0.1.5", L"", L"", L"SER5"),
                                      Device(6, L"10.0.1.6", L"", L"", L"..\\..\\up")};
  std::vector<char> buffer(4096);
  CollectDeviceLogs(context, rows, Folder(), buffer.data(), buffer.size());
  EXPECT_EQ(report.Of(1), std::vector<int>{508});
  EXPECT_EQ(report.Of(2), std::vector<int>{508});
  EXPECT_EQ(report.Of(3), std::vector<int>{537});
  EXPECT_EQ(report.Of(4), std::vector<int>{538});
  EXPECT_EQ(report.Of(5), std::vector<int>{524});
  EXPECT_EQ(report.Of(6), std::vector<int>{508});
  EXPECT_EQ(io.Count("/cgi-bin/test?USER=admin&PWD=740912&GET_BLACKBOX_MSG 4096"), 6);
  const std::vector<std::string> files = Files();
  ASSERT_EQ(files.size(), 3u);
  std::vector<std::string> contents;
  for (const std::string& f : files) {
    EXPECT_EQ(f.size() >= 13 ? f.substr(f.size() - 13) : f, "_BlackBox.txt");
    contents.push_back(testlab::ReadFile((root / f).string()));
  }
  std::sort(contents.begin(), contents.end());
  EXPECT_EQ(contents, (std::vector<std::string>{"log one\n", "log six\n", "log two\n"}));
  EXPECT_EQ(std::count_if(files.begin(), files.end(), [](const std::string& f) { return f.rfind("SER1_", 0) == 0; }), 2);
  EXPECT_EQ(std::count_if(files.begin(), files.end(), [](const std::string& f) { return f.rfind(".._.._up_", 0) == 0; }), 1);
  // A folder that cannot take the file: the log is not saved.
  CollectDeviceLogs(context, {rows[0]}, Folder() + L"missing" + port::kPathSeparator, buffer.data(), buffer.size());
  EXPECT_EQ(report.Last(1), 513);
}

TEST(DeviceLog, FileNames) {
  EXPECT_EQ(DeviceLogFileName(L"D:\\logs\\", L"SER 7", L"20261208_061530"), L"D:\\logs\\SER 7_20261208_061530_BlackBox.txt");
  EXPECT_EQ(DeviceLogFileName(L"D:\\logs\\", L"S/1", L"20261208_061530", 1), L"D:\\logs\\S_1_20261208_061530_2_BlackBox.txt");
}

// ---- firmware dialog -------------------------------------------------------------------------

TEST_F(Maintenance, FirmwareProbeFindsWhatTheDevicesShare) {
  io.Answer(L"10.0.2.1", L"SYSTEM_INFO", "Firmware Version = K7W-700-V6.09.05-LV\nISP_GENERATION = C\n");
  io.Answer(L"10.0.2.2", L"SYSTEM_INFO", "Firmware Version = K7W-700-V6.10.01-LV\nISP_GENERATION = C\n");
  io.Answer(L"10.0.2.1", L"SYSTEM_LOG", "ISP Firmware Version ISP-F-0300-V1.01.06\r\n");
  io.Answer(L"10.0.2.2", L"SYSTEM_LOG", "ISP Firmware Version ISP-F-0300-V1.01.08\n");
  BatchSelection two;
  two.rows = {Device(1, L"10.0.2.1", L"", L"K7W-700-V6.09.05-LV"), Device(2, L"10.0.2.2", L"", L"K7W-700-V6.10.01-LV")};
  FirmwareProbe p = ProbeFirmwareDevices(two, context);
  EXPECT_EQ(p.platform, L"K7W-700");
  EXPECT_EQ(p.ispPrefix, L"ISP-F-0300-V");
  EXPECT_TRUE(p.ispImageOffered);
  EXPECT_TRUE(OffersIspImage(p));
  EXPECT_FALSE(p.needsMd5);
  EXPECT_TRUE(OffersNetworkUpgrade(p));
  EXPECT_EQ(FileModeRefusal(p, kTypeFirmwareImage), 0u);
  EXPECT_EQ(FileModeRefusal(p, kTypeIspImage), 0u);

  // Another platform: one file for all is refused, the folder is not.
  io.Answer(L"10.0.2.3", L"SYSTEM_INFO", "Firmware Version = K7W-320-V3.13.01-QT\n");
  two.rows.push_back(Device(3, L"10.0.2.3", L"", L"K7W-320-V3.13.01-QT"));
  p = ProbeFirmwareDevices(two, context);
  EXPECT_EQ(p.platform, L"");
  EXPECT_FALSE(p.ispImageOffered);  // the K7W-320 has no ISP generation C
  EXPECT_TRUE(p.needsMd5);
  EXPECT_FALSE(OffersNetworkUpgrade(p));
  EXPECT_EQ(FileModeRefusal(p, kTypeFirmwareImage), 551u);

  // ISP platforms that differ.
  io.Answer(L"10.0.2.4", L"SYSTEM_INFO", "Firmware Version = K7W-700-V6.10.01-LV\nISP_GENERATION = C\n");
  io.Answer(L"10.0.2.4", L"SYSTEM_LOG", "ISP Firmware Version 1.01.06\n");  // a bare version: ISP-F-0100-V
  BatchSelection isp;
  isp.rows = {Device(1, L"10.0.2.1", L"", L"K7W-700-V6.09.05-LV"), Device(4, L"10.0.2.4", L"", L"K7W-700-V6.10.01-LV")};
  p = ProbeFirmwareDevices(isp, context);
  EXPECT_EQ(p.ispPrefix, L"");
  EXPECT_EQ(FileModeRefusal(p, kTypeIspImage), 552u);
}

// A device whose log answers without a full ISP version is of the first generation; only one
// that does not answer at all leaves the devices' prefix as it was.
TEST_F(Maintenance, FirmwareProbeIspPrefixOfEachAnswer) {
  const std::string info = "Firmware Version = K7W-700-V6.09.05-LV\nISP_GENERATION = C\n";
  struct Case {
    const char* what;
    int result;  // the log request's: 1 answers with `log`
    std::string log;
    std::wstring alone;      // the prefix of that device alone
    std::wstring withOther;  // after a device of generation 0300
  } cases[] = {
      {"full version", 1, "ISP Firmware Version ISP-F-0300-V1.01.06\r\n", L"ISP-F-0300-V", L"ISP-F-0300-V"},
      {"bare version", 1, "ISP Firmware Version 1.01.06\n", L"ISP-F-0100-V", L""},
      {"no such line", 1, "[boot] system start\nISP Device Resource Version ISP-F-0300-V1.01.04\n", L"ISP-F-0100-V", L""},
      {"line beyond the reply", 1, std::string(2100, '#') + "\nISP Firmware Version ISP-F-0300-V1.01.06\n",
       L"ISP-F-0100-V", L""},
      {"label without value", 1, "ISP Firmware Version \n", L"ISP-F-0100-V", L""},
      {"empty answer", 0, "", L"ISP-F-0100-V", L""},
      {"error reply", -2, "ERROR", L"ISP-F-0100-V", L""},
      {"no answer", -1, "", L"", L"ISP-F-0300-V"},
  };
  io.Answer(L"10.0.4.1", L"SYSTEM_INFO", info);
  io.Answer(L"10.0.4.1", L"SYSTEM_LOG", "ISP Firmware Version ISP-F-0300-V1.01.06\n");
  for (const Case& c : cases) {
    io.rules.insert(io.rules.begin(), CannedRequests::Rule{L"10.0.4.2", L"SYSTEM_LOG", c.result, c.log});
    io.rules.insert(io.rules.begin(), CannedRequests::Rule{L"10.0.4.2", L"SYSTEM_INFO", 1, info});
    BatchSelection alone, mixed;
    alone.rows = {Device(2, L"10.0.4.2", L"", L"K7W-700-V6.09.05-LV")};
    mixed.rows = {Device(1, L"10.0.4.1", L"", L"K7W-700-V6.09.05-LV"), alone.rows[0]};
    FirmwareProbe p = ProbeFirmwareDevices(alone, context);
    EXPECT_EQ(p.ispPrefix, c.alone) << c.what;
    EXPECT_EQ(FileModeRefusal(p, kTypeIspImage), c.alone.empty() ? 552u : 0u) << c.what;
    p = ProbeFirmwareDevices(mixed, context);
    EXPECT_EQ(p.ispPrefix, c.withOther) << c.what;
    EXPECT_EQ(FileModeRefusal(p, kTypeIspImage), c.withOther.empty() ? 552u : 0u) << c.what;
    io.rules.erase(io.rules.begin(), io.rules.begin() + 2);
  }
}

TEST_F(Maintenance, FirmwareProbeOfK7W411AndFamilyDevices) {
  io.Answer(L"10.0.3.1", L"SYSTEM_INFO", "Firmware Version = K7W-411-V5.04.06\nISP_GENERATION = C\n");
  BatchSelection old411;
  old411.rows = {Device(1, L"10.0.3.1", L"", L"K7W-411-V5.04.06-QT")};
  FirmwareProbe p = ProbeFirmwareDevices(old411, context);
  EXPECT_FALSE(OffersIspImage(p));  // before 5.04.07
  EXPECT_EQ(io.Count("SYSTEM_LOG"), 0);

  io.Answer(L"10.0.3.2", L"SYSTEM_INFO", "ISP_GENERATION = C\n");
  io.Answer(L"10.0.3.2", L"SYSTEM_LOG", "ISP Firmware Version ISP-F-0100-V1.02.03\n");
  BatchSelection new411;
  new411.rows = {Device(2, L"10.0.3.2", L"", L"K7W-411-V5.04.07-QT")};
  p = ProbeFirmwareDevices(new411, context);
  EXPECT_TRUE(OffersIspImage(p));
  EXPECT_TRUE(p.ispKindsOffered);  // generation 0100 takes the sub-types
  EXPECT_TRUE(ShowsIspKinds(p, kTypeIspImage));
  EXPECT_FALSE(ShowsIspKinds(p, kTypeFirmwareImage));

  io.Answer(L"10.0.3.3", L"SYSTEM_INFO", "Production ID = VEK4830-A\n");
  BatchSelection family;
  family.rows = {Device(3, L"10.0.3.3", L"", L"K5H-0400-V2.1"), Device(4, L"10.0.3.9", L"", L"K5H-0400-V2.1")};
  p = ProbeFirmwareDevices(family, context);  // the second never answers
  EXPECT_TRUE(p.hasFamilyModel);
  EXPECT_TRUE(p.hasVek);
  EXPECT_FALSE(p.ispImageOffered);
  EXPECT_TRUE(ShowsChannelChoice(p, kTypeFirmwareImage));
  EXPECT_EQ(ExpectedFilePrefix(p, UPGRADE_FIRMWARE, true), L"K7W-W4T");
  EXPECT_EQ(ExpectedFilePrefix(p, UPGRADE_FIRMWARE, false), L"K3F-040");  // the sibling prefix
}

TEST(FirmwareDialog, KindAndFileNameChecks) {
  EXPECT_EQ(FirmwareKind(kTypeFirmwareImage, -1), 0u);
  EXPECT_EQ(FirmwareKind(kTypeIspImage, -1), 1u);
  EXPECT_EQ(FirmwareKind(kTypeIspImage, 0), 2u);
  EXPECT_EQ(FirmwareKind(kTypeIspImage, 1), 3u);
  EXPECT_EQ(FirmwareKind(kTypeIspImage, 2), 4u);

  FirmwareProbe p;
  p.platform = L"K7W-320";
  p.ispPrefix = L"ISP-F-0300-V";
  p.needsMd5 = true;
  struct Case {
    std::uint32_t kind;
    bool perChannel, vek, md5Shown;
    const wchar_t* file;
    const wchar_t* md5;
    unsigned result;
  } cases[] = {
      {0, false, false, true, L"C:\\fw\\K7W-320-V3.14.00-QT.upg", L"C:\\other\\K7W-320-V3.14.00-QT.md5", 0},
      {0, false, false, true, L"C:\\fw\\K7W-320-V3.14.00-QT.upg", L"C:\\fw\\K7W-320-V3.14.01-QT.md5", 553},  // X with Y
      {0, false, false, true, L"C:\\fw\\K7W-320-V3.14.00-QT.upg", L"", 553},
      {0, false, false, false, L"C:\\fw\\K7W-320-V3.14.00-QT.upg", L"", 0},
      {0, false, false, false, L"C:\\fw\\K7W-700-V6.10.01-LV.upg", L"", 553},  // another platform
      {0, true, false, false, L"C:\\fw\\K7W-320-V3.14.00-QT.upg", L"", 0},
      {0, true, true, false, L"C:\\fw\\K7W-320-V3.14.00-QT.upg", L"", 553},   // VEK4830 takes W4T files
      {0, true, true, false, L"C:\\fw\\K7W-W4T-V1.00.00.upg", L"", 0},
      {1, false, false, false, L"C:\\isp\\ISP-U-0300-V1.01.08.bin", L"", 0},
      {1, false, false, false, L"C:\\isp\\ISP-F-0300-V1.01.08.bin", L"", 553},
      {2, false, false, false, L"C:\\isp\\ISP-F-0300-V1.01.08.bin", L"", 0},
      {3, false, false, false, L"C:\\isp\\C0300-V1.01.08.bin", L"", 0},
      {4, false, false, false, L"C:\\isp\\ISP-H-0300-V1.01.08.bin", L"", 0},
      {4, false, false, false, L"C:\\isp\\ISP-H-0100-V1.01.08.bin", L"", 553},
  };
  for (const Case& c : cases) {
    p.hasVek = c.vek;
    EXPECT_EQ(CheckFirmwareFiles(p, c.kind, c.perChannel, c.file, c.md5, c.md5Shown), c.result) << c.file;
  }
  FirmwareProbe none;  // devices of different platforms
  EXPECT_EQ(CheckFirmwareFiles(none, 0, false, L"C:\\fw\\K7W-320-V3.14.00-QT.upg", L"", false), 553u);
}

TEST(FirmwareDialog, NetworkUpgradeNeedsVersion6OrLater) {
  BatchSelection s;
  s.rows = {Row(1, L"10.0.0.1", L"", false, L"K7W-700-V6.09.05-LV"), Row(2, L"10.0.0.2", L"", false, L"A1D-310-V9.00.01-AC")};
  EXPECT_EQ(CheckNetworkDevices(s), 0u);
  s.rows.push_back(Row(3, L"10.0.0.3", L"", false, L"K7W-320-V3.13.01-QT"));
  EXPECT_EQ(CheckNetworkDevices(s), 553u);
}

// ---- restore dialog --------------------------------------------------------------------------

TEST_F(Maintenance, RestorePreparationAndTheSingleFileCheck) {
  io.Answer(L"10.0.4.1", L"CHANNEL=1&SYSTEM_INFO", "Profile ID = 1234-01\n");
  io.Answer(L"10.0.4.2", L"CHANNEL=1&SYSTEM_INFO", "Profile ID = 1234\n");
  io.Answer(L"10.0.4.3", L"CHANNEL=1&SYSTEM_INFO", "Profile ID = 5678\n");
  io.Answer(L"10.0.4.4", L"CHANNEL=1&SYSTEM_INFO", "Firmware Version = K7W-320\n");  // tells none
  auto prep = [&](std::vector<BatchRow> rows) {
    BatchSelection s;
    s.rows = std::move(rows);
    return PrepareRestore(s, context);
  };
  const BatchRow a = Device(1, L"10.0.4.1", L"", L"K7W-320-V3.13.01-QT"), b = Device(2, L"10.0.4.2", L"", L"K7W-320-V3.14.00-QT"),
                 c = Device(3, L"10.0.4.3", L"", L"K7W-320-V3.13.01-QT"), d = Device(4, L"10.0.4.4", L"", L"K7W-320-V3.13.01-QT"),
                 other = Device(5, L"10.0.4.1", L"", L"K7W-700-V6.09.05-LV");

  RestorePrep same = prep({a, b});
  EXPECT_EQ(same.modelCode, L"K7W-320");
  EXPECT_EQ(same.profileId, "1234");
  EXPECT_EQ(SingleFileRefusal(same), 0u);
  RestorePrep differ = prep({a, c, b});
  EXPECT_EQ(differ.profileId, "");
  EXPECT_TRUE(differ.profileKnown);
  EXPECT_EQ(SingleFileRefusal(differ), 551u);
  const int askedC = io.Count("10.0.4.3");
  RestorePrep unknown = prep({a, d, c});
  EXPECT_FALSE(unknown.profileKnown);
  EXPECT_EQ(SingleFileRefusal(unknown), 0u);
  EXPECT_EQ(io.Count("10.0.4.3"), askedC);  // not asked once no identity is known
  EXPECT_EQ(SingleFileRefusal(prep({a, other})), 551u);

  auto file = [&](const char* name, const std::string& bytes) {
    std::ofstream(root / name, std::ios::binary) << bytes;
    return (root / name).wstring();
  };
  const std::wstring good = file("good.ini", "#INFO,K7W-320,1234\nX=1\n"), otherModel = file("m.ini", "#INFO,K7W-700,1234\n"),
                     otherId = file("p.ini", "#INFO,K7W-320,9999\n"), noHeader = file("n.ini", "X=1\n"),
                     binary = file("b.bin", std::string("\x01\x02", 2)), missing = (root / "none.ini").wstring();
  RestorePrep channels = same;
  channels.modelCode = L"K5H-040";
  RestorePrep token = same;
  token.platformToken = true;
  struct Case {
    const RestorePrep* prep;
    bool channels;
    std::wstring file;
    unsigned result;
  } cases[] = {
      {&same, false, good, 0},          {&same, false, otherModel, 553}, {&same, false, otherId, 553},
      {&same, false, noHeader, 553},    {&same, false, missing, 523},    {&same, false, binary, 553},
      // No identity to check against: any Profile ID, but never another model.
      {&unknown, false, otherId, 0},    {&unknown, false, otherModel, 553},
      {&unknown, true, good, 0},        {&unknown, true, file("u.ini", "#INFO,K7W-700,1\n"), 553},
      {&unknown, false, noHeader, 553}, {&channels, true, good, 0},       {&channels, false, good, 553},
      {&token, false, binary, 0},       {&token, false, missing, 523},
  };
  for (const Case& k : cases)
    EXPECT_EQ(CheckRestoreFile(*k.prep, k.channels, k.file), k.result) << port::ToLocal8(k.file) << " " << k.channels;

  // A Profile ID too long for the header is compared as the backup cut it.
  RestorePrep longId = same;
  longId.profileId = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  EXPECT_EQ(CheckRestoreFile(longId, false, file("l.ini", BuildIniHeader(L"K7W-320-V3", 1, longId.profileId))), 0u);
}

// ---- debug dialog ----------------------------------------------------------------------------

TEST(DebugDialog, CommonPlatformAndApply) {
  auto platform = [](std::vector<const wchar_t*> firmware) {
    BatchSelection s;
    RowHandle row = 1;
    for (const wchar_t* f : firmware) s.rows.push_back(Row(row++, L"10.0.0.1", L"", false, f));
    return CommonPlatform(s);
  };
  EXPECT_EQ(platform({L"K7W-701-V6.09.05-LV", L"K7W-702-V6.09.05-LV"}), L"");
  EXPECT_EQ(platform({L"K7W-320-V3.13.01-QT", L"K7W-320-V3.14.00-QT"}), L"K7W-320");
  EXPECT_EQ(platform({L"K7W-700-V6.09.05-LV", L""}), L"");
  EXPECT_EQ(platform({L"K7W-700-V6.09.05-LV"}), L"K7W-700");

  EXPECT_EQ(CheckDebugApply(kDebugBlackBox, L"", L"K7W-700"), 547u);
  EXPECT_EQ(CheckDebugApply(kDebugBootloader, L"", L"K7W-700"), 548u);
  EXPECT_EQ(CheckDebugApply(kDebugBlackBox, L"C:\\logs\\", L""), 0u);
  EXPECT_EQ(CheckDebugApply(kDebugBootloader, L"C:\\fw\\K7W-320-V3.14.00-QT.upg", L"K7W-320"), 553u);
  EXPECT_EQ(CheckDebugApply(kDebugBootloader, L"C:\\fw\\K7W-703-V6.10.01-LV.upg", L"K7W-703"), 0u);
}

TEST_F(Maintenance, BackupFolderMustTakeAFile) {
  EXPECT_EQ(CheckBackupFolder(L""), 547u);
  EXPECT_EQ(CheckBackupFolder(Folder()), 0u);
  EXPECT_EQ(CheckBackupFolder(root.wstring()), 0u);  // without its separator
  EXPECT_TRUE(Files().empty());                      // and nothing left behind
  std::ofstream(root / "~Dorvik write check 0.tmp", std::ios::binary) << "mine";
  EXPECT_EQ(CheckBackupFolder(Folder()), 0u);
  EXPECT_EQ(Content(L"~Dorvik write check 0.tmp"), "mine");  // a file that is there is left alone
  // A folder that is gone, a file in its place, and one that nobody may write in.
  EXPECT_EQ(CheckBackupFolder(Folder() + L"gone" + port::kPathSeparator), 547u);
  EXPECT_EQ(CheckBackupFolder((root / "~Dorvik write check 0.tmp").wstring()), 547u);
  EXPECT_EQ(CheckBackupFolder(L"/proc/"), 547u);
}

// ---- hand-over to the upgrade engine -------------------------------------------------------

TEST(UpgradeBatch, JobOfEachDevice) {
  UpgradeJob prepared;
  prepared.kind = UPGRADE_CONFIG_SET;
  prepared.folder = L"C:\\conf\\";
  BatchRow r = Row(7, L"10.0.0.7", L"00:0F:7C:00:00:07", false, L"K5H-0400-V2.1");
  r.channels = {{71, L"1 - 10.0.0.7"}, {72, L"2 - 10.0.0.7"}, {74, L"4 - 10.0.0.7"}};
  UpgradeJob j = JobForRow(prepared, r);
  EXPECT_EQ(j.row, 7u);
  EXPECT_EQ(j.ip, L"10.0.0.7");
  EXPECT_EQ(j.mac, L"00:0F:7C:00:00:07");
  EXPECT_EQ(j.firmware, L"K5H-0400-V2.1");
  EXPECT_EQ(j.folder, L"C:\\conf\\");
  ASSERT_EQ(j.channels.size(), 1u);  // the device's own configuration
  EXPECT_EQ(j.channels[0].channel, 0);
  EXPECT_EQ(j.channels[0].row, 7u);
  prepared.perChannel = true;
  j = JobForRow(prepared, r);
  ASSERT_EQ(j.channels.size(), 3u);
  EXPECT_EQ(j.channels[2].channel, 4);
  EXPECT_EQ(j.channels[2].row, 74u);
  r.channels.clear();  // a device without channels keeps its own row
  EXPECT_EQ(JobForRow(prepared, r).channels.size(), 1u);
  EXPECT_EQ(ChannelNumberOf(L"12 - 10.0.0.1"), 12);
  EXPECT_EQ(ChannelNumberOf(L"10.0.0.1"), 10);  // only a channel row's text is ever given
}

// Network upgrades go only to the devices the check centre handed back; each row hears from
// the engine through the batch's report target.
TEST(UpgradeBatch, NetworkUpgradeTakesOnlyTheChosenDevices) {
  testlab::SilentUpgradeIo io;
  CannedRequests devices;  // the probe's requests: no device answers
  testlab::NoRediscovery search;
  ScaledClock clock(1000);
  FirmwareUpgrader upgrader(&io, &search, &clock);
  testlab::FakeBatchUi ui;
  ui.selection.rows = {Row(1, L"10.0.0.1", L"00:00:00:00:00:01"), Row(2, L"10.0.0.2", L"00:00:00:00:00:02"),
                       Row(3, L"10.0.0.3", L"00:00:00:00:00:03")};
  testlab::RecordingReport report;
  BatchEngine::Services services;
  services.io = &devices;
  services.clock = &clock;
  services.report = &report;
  services.upgrader = &upgrader;
  BatchEngine engine(ui, services);
  FirmwareOperation op;
  FirmwareChoice choice;
  choice.mode = FirmwareMode::Network;
  choice.networkAddresses = {L"10.0.0.1", L"10.0.0.3"};
  op.SetChoice(choice);
  engine.Run(op);
  EXPECT_EQ(ui.Events(), (std::vector<std::string>{"rows", "box:558", "box closed", "rows", "box:559", "box closed"}));
  EXPECT_EQ(report.Of(1), (std::vector<int>{518, 520, 525}));  // the device gave no answer
  EXPECT_TRUE(report.Of(2).empty());
  EXPECT_EQ(report.Of(3), (std::vector<int>{518, 520, 525}));
  EXPECT_EQ(upgrader.FinishedJobs(), 2u);
}

}  // namespace
