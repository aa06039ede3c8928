// Choosing upgrade files, the maker's upgrade rules, version reading and the upgrade form.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "device/upgrade_files.h"
#include "device/upgrade_rules.h"
#include "port/dir_list.h"

namespace fs = std::filesystem;

namespace {

// Answers every CGI path with a fixed body (or a failure result) and counts the requests.
class CannedIo : public UpgradeIo {
 public:
  std::map<std::wstring, std::string> bodies;  // by path
  int failure = -1;
  int requests = 0;
  int GetCgi(const std::wstring&, const std::wstring& path, char* reply, int size, int) override {
    ++requests;
    auto it = bodies.find(path);
    if (it == bodies.end()) return failure;
    int n = static_cast<int>(std::min<std::size_t>(it->second.size(), static_cast<std::size_t>(size - 1)));
    std::memcpy(reply, it->second.data(), static_cast<std::size_t>(n));
    reply[n] = 0;
    return n;
  }
  int GetUrl(const std::wstring&, int, char*, int) override { return 0; }
};

TEST(UpgradeFiles, NamePatternByKindAndVersion) {
  struct Case {
    int channel;
    std::uint32_t kind;
    const wchar_t* version;
    const wchar_t* expected;
  } cases[] = {
      // Staged ISP 0300 releases: an exact name that the device must pass through first.
      {0, UPGRADE_ISP_FIRMWARE, L"ISP-F-0300-V1.01.02", L"ISP-F-0300-V1.01.04.bin"},
      {0, UPGRADE_ISP_FIRMWARE, L"ISP-F-0300-V1.01.04", L"ISP-F-0300-V1.01.06.bin"},
      {0, UPGRADE_ISP_FIRMWARE, L"ISP-F-0300-V1.01.05", L"ISP-F-0300-V1.01.06.bin"},
      {0, UPGRADE_ISP_FIRMWARE, L"ISP-F-0300-V1.01.06", L"ISP-F-0300-V*.bin"},
      {0, UPGRADE_ISP_DEV, L"C0300-V1.01.02", L"C0300-V1.01.04.bin"},
      {0, UPGRADE_ISP_DEV, L"C0100-V1.02.03", L"C0100-V*.bin"},
      {0, UPGRADE_ISP_IMAGE, L"ISP-U-0100-V1.02.03", L"ISP-U-0100-V*.bin"},
      {0, UPGRADE_ISP_HARDWARE, L"ISP-H-0100-V1.02.03", L"ISP-H-0100-V*.bin"},
      // Firmware: edition from the text; the K7W-700 family is always LV.
      {0, UPGRADE_FIRMWARE, L"K7W-700-V6.09.05-LV", L"K7W-700*-LV.upg"},
      {0, UPGRADE_FIRMWARE, L"K7W-702-V6.09.05-QT", L"K7W-702*-LV.upg"},
      {0, UPGRADE_FIRMWARE, L"K7W-320-V3.12.00-QT", L"K7W-320*-QT.upg"},
      {0, UPGRADE_FIRMWARE, L"A1D-310-V5.00.01-AC", L"A1D-310*-QT.upg"},
      // Restore: MAC without colons and the channel (a single-channel device is channel 1).
      {0, UPGRADE_CONFIG_SET, L"K7W-320-V3.13.01-QT", L"Conf_001122334455_01_*.ini"},
      {0, UPGRADE_CONFIG_SET, L"K3F-100-V1.00.00", L"Conf_001122334455_00_*.ini"},
      {3, UPGRADE_CONFIG_SET, L"K3F-100-V1.00.00", L"Conf_001122334455_03_*.ini"},
      // Devices with the platform version token are backed up (and so restored) as .bin.
      {0, UPGRADE_CONFIG_SET, L"R9X-A3.23.45-QT", L"Conf_001122334455_01_*.bin"},
      {0, UPGRADE_BOOTLOADER, L"K7W-700-V6.09.05-LV", L""},
      {0, UPGRADE_NETWORK, L"K7W-700-V6.09.05-LV", L""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindFiles(c.channel, c.kind, c.version, L"00:11:22:33:44:55"), c.expected)
        << c.version << " kind " << c.kind;
}

TEST(UpgradeFiles, PatternMatchingIgnoresCase) {
  EXPECT_TRUE(MatchesFilePattern(L"K7W-700-V6.10.01-LV.upg", L"K7W-700*-LV.upg"));
  EXPECT_TRUE(MatchesFilePattern(L"k7w-700-v6.10.01-lv.UPG", L"K7W-700*-LV.upg"));
  EXPECT_TRUE(MatchesFilePattern(L"ISP-F-0300-V1.01.04.bin", L"ISP-F-0300-V1.01.04.bin"));
  EXPECT_FALSE(MatchesFilePattern(L"K7W-700-V6.10.01-LV.md5", L"K7W-700*-LV.upg"));
  EXPECT_FALSE(MatchesFilePattern(L"K7W-700-V6.10.01-QT.upg", L"K7W-700*-LV.upg"));
  EXPECT_FALSE(MatchesFilePattern(L"XK7W-700-LV.upg", L"K7W-700*-LV.upg"));
}

TEST(UpgradeFiles, DeviceTextsStandForThemselvesInPatterns) {
  struct Case {
    const wchar_t* name;
    const wchar_t* pattern;
    bool match;
  } cases[] = {
      {L"K7W*700-V1-LV.upg", L"K7W\\*700*-LV.upg", true},
      {L"K7W-700-V1-LV.upg", L"K7W\\*700*-LV.upg", false},
      {L"K7W?700-V1-LV.upg", L"K7W\\?700*-LV.upg", true},
      {L"K7WX700-V1-LV.upg", L"K7W\\?700*-LV.upg", false},
      {L"a\\b.bin", L"a\\\\b*.bin", true},
      {L"a\\b.bin", L"a\\b*.bin", false},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesFilePattern(c.name, c.pattern), c.match) << c.name << " " << c.pattern;
  EXPECT_EQ(LiteralPattern(L"K7W*70?\\"), L"K7W\\*70\\?\\\\");
  // Every kind that puts a device text into its pattern keeps the text literal.
  EXPECT_EQ(FindFiles(0, UPGRADE_FIRMWARE, L"\?\?\?\?\?\?\?-V6.09.05-LV", L""), L"\\?\\?\\?\\?\\?\\?\\?*-LV.upg");
  EXPECT_EQ(FindFiles(0, UPGRADE_ISP_DEV, L"C*-V1.01.0", L""), L"C\\*-V1.0*.bin");
  // A restore looks for the name the backup wrote, where what a file name cannot hold (a '*'
  // among it) became '_': no wild card either way.
  EXPECT_EQ(FindFiles(1, UPGRADE_CONFIG_SET, L"K7W-320-V3.13.01-QT", L"00:11:*"), L"Conf_0011__01_*.ini");
}

TEST(UpgradeRules, ConflictTable) {
  struct Case {
    std::uint32_t kind;
    const wchar_t* version;
    const wchar_t* file;
    int expected;
  } cases[] = {
      {UPGRADE_FIRMWARE, L"K7W-320-V3.11.09-QT", L"K7W-320-V3.13.01-QT", RESULT_RULE_CONFLICT},
      {UPGRADE_FIRMWARE, L"K7W-320-V3.12.05-QT", L"K7W-320-V3.14.01-QT", RESULT_RULE_CONFLICT},
      {UPGRADE_FIRMWARE, L"K7W-320-V3.12.05-QT", L"K7W-320-V3.13.09-QT", RESULT_SUCCESS},
      {UPGRADE_FIRMWARE, L"K7W-320-V3.13.00-QT", L"K7W-320-V3.15.00-QT", RESULT_SUCCESS},
      {UPGRADE_ISP_FIRMWARE, L"ISP-F-0300-V1.01.06", L"ISP-F-0300-V1.01.06", RESULT_SUCCESS},
      {UPGRADE_ISP_FIRMWARE, L"ISP-F-0300-V1.01.05", L"ISP-F-0300-V1.01.07", RESULT_RULE_CONFLICT},
      {UPGRADE_ISP_HARDWARE, L"ISP-F-0300-V1.01.03", L"ISP-H-0300-V1.01.05", RESULT_RULE_CONFLICT},
      {UPGRADE_ISP_HARDWARE, L"ISP-F-0300-V1.01.04", L"ISP-H-0300-V1.01.05", RESULT_SUCCESS},
      {UPGRADE_ISP_FIRMWARE, L"ISP-F-0100-V1.01.01", L"ISP-F-0100-V1.09.07", RESULT_SUCCESS},
      {UPGRADE_BOOTLOADER, L"K7W-700-V6.08.30-LV", L"K7W-700-V6.09.05-LV", RESULT_SUCCESS},
      {UPGRADE_BOOTLOADER, L"K7W-700-V6.08.29-LV", L"K7W-700-V6.09.05-LV", RESULT_RULE_CONFLICT},
      {UPGRADE_BOOTLOADER, L"K7W-700-V6.08.30-LV", L"K7W-700-V6.09.04-LV", RESULT_RULE_CONFLICT},
      {UPGRADE_CONFIG_SET, L"K7W-320-V3.11.09-QT", L"K7W-320-V3.13.01-QT", RESULT_SUCCESS},
  };
  CannedIo io;
  for (const Case& c : cases)
    EXPECT_EQ(CheckUpgradeRule(io, c.kind, c.version, c.file, L"10.0.0.1"), c.expected) << c.version << " " << c.file;
  EXPECT_EQ(io.requests, 0);
}

TEST(UpgradeRules, K7W410OldFileAsksForTheBoard) {
  CannedIo io;
  const wchar_t* dev = L"K7W-410-V4.11.09-QT";
  // No answer, or no production line: no conflict.
  EXPECT_EQ(CheckUpgradeRule(io, UPGRADE_FIRMWARE, dev, L"K7W-410-V4.11.05-QT", L"10.0.0.1"), RESULT_SUCCESS);
  io.bodies[L"/cgi-bin/cmd/system?SYSTEM_INFO"] = "Firmware Version = K7W-410-V4.11.09-QT\nProduction ID = HLP6331-B\n";
  EXPECT_EQ(CheckUpgradeRule(io, UPGRADE_FIRMWARE, dev, L"K7W-410-V4.11.05-QT", L"10.0.0.1"), RESULT_RULE_CONFLICT);
  // A file at 4.11.06 or later never asks.
  int before = io.requests;
  EXPECT_EQ(CheckUpgradeRule(io, UPGRADE_FIRMWARE, dev, L"K7W-410-V4.11.06-QT", L"10.0.0.1"), RESULT_SUCCESS);
  EXPECT_EQ(io.requests, before);
  io.bodies[L"/cgi-bin/cmd/system?SYSTEM_INFO"] = "Production ID = HLP1111\n";
  EXPECT_EQ(CheckUpgradeRule(io, UPGRADE_FIRMWARE, dev, L"K7W-410-V4.11.05-QT", L"10.0.0.1"), RESULT_SUCCESS);
}

TEST(UpgradeRules, FirmwareOfFileComparesTheVersionToken) {
  EXPECT_TRUE(IsFirmwareOfFile(L"K7W-700-V6.09.05-LV", L"K7W-700-V6.09.05-LV"));
  EXPECT_FALSE(IsFirmwareOfFile(L"K7W-700-V6.09.05-LV", L"K7W-700-V6.10.01-LV"));
  EXPECT_TRUE(IsFirmwareOfFile(L"A1D-310-H2.00.00-AC", L"X-H2.00.00"));
  EXPECT_FALSE(IsFirmwareOfFile(L"", L""));
  EXPECT_FALSE(IsFirmwareOfFile(L"K7W-700-", L"K7W-700-"));  // no version token: the empty last piece
  EXPECT_TRUE(IsFirmwareOfFile(L"K7W-700", L"X-700"));       // none begins with V or H: the last piece
}

TEST(UpgradeRules, ReportedVersionByKind) {
  const std::string info = "Model = x\nFirmware Version = 'K5H-100-V1.00.02-QT'\r\nPlatform = A\n";
  const std::string log = "boot\nISP Firmware Version 1.01.06\nISP Device Resource Version ISP-F-0300-V1.01.04\n"
                          "ISP Hardware Version ISP-F-0300-V1.01.02\n";
  std::wstring v;
  ASSERT_TRUE(ParseReportedVersion(info, UPGRADE_FIRMWARE, &v));
  EXPECT_EQ(v, L"K3F-100-V1.00.02-QT");  // sibling family prefix, quotes and CR gone
  ASSERT_TRUE(ParseReportedVersion(log, UPGRADE_ISP_FIRMWARE, &v));
  EXPECT_EQ(v, L"ISP-F-0100-V1.01.06");  // a bare version number gets its generation
  ASSERT_TRUE(ParseReportedVersion(log, UPGRADE_ISP_IMAGE, &v));
  EXPECT_EQ(v, L"ISP-U-0100-V1.01.06");
  ASSERT_TRUE(ParseReportedVersion(log, UPGRADE_ISP_DEV, &v));
  EXPECT_EQ(v, L"C0300-V1.01.04");
  ASSERT_TRUE(ParseReportedVersion(log, UPGRADE_ISP_HARDWARE, &v));
  EXPECT_EQ(v, L"ISP-H-0300-V1.01.02");
  EXPECT_FALSE(ParseReportedVersion(info, UPGRADE_ISP_FIRMWARE, &v));
  EXPECT_FALSE(ParseReportedVersion("Firmware Version = \nx", UPGRADE_FIRMWARE, &v));
  EXPECT_FALSE(ParseReportedVersion("Firmware Version = ''\n", UPGRADE_FIRMWARE, &v));
}

TEST(UpgradeRules, ReadSystemInfoAsksTheRightPage) {
  CannedIo io;
  io.bodies[L"/cgi-bin/cmd/system?CHANNEL=2&SYSTEM_INFO"] = "Firmware Version = K7W-320-V3.13.01-QT\n";
  io.bodies[L"/cgi-bin/cmd/system?SYSTEM_LOG"] = "ISP Firmware Version ISP-F-0300-V1.01.04\n";
  std::wstring v;
  EXPECT_TRUE(ReadSystemInfo(io, &v, 2, UPGRADE_CONFIG_SET, L"10.0.0.1"));
  EXPECT_EQ(v, L"K7W-320-V3.13.01-QT");
  EXPECT_TRUE(ReadSystemInfo(io, &v, 0, UPGRADE_ISP_FIRMWARE, L"10.0.0.1"));
  EXPECT_EQ(v, L"ISP-F-0300-V1.01.04");
  EXPECT_FALSE(ReadSystemInfo(io, &v, 0, UPGRADE_FIRMWARE, L"10.0.0.1"));  // no answer
}

TEST(UpgradeRules, UpgradeFormNeedsEveryFieldTheJobUses) {
  const std::string twoFiles =
      "<form method=\"post\" action=\"/cgi-bin/upload.cgi\" enctype=\"multipart/form-data\">"
      "<input type=\"FILE\" size=\"40\" name=\"upfile\"><input type=\"FILE\" name=\"md5file\">"
      "<input type=\"submit\" value=\"Apply\" name=\"apply\"></form>";
  UpgradeForm f = ParseUpgradeForm(twoFiles);
  EXPECT_EQ(f.postPath, "/cgi-bin/upload.cgi");
  EXPECT_EQ(f.fileField, "upfile");
  EXPECT_EQ(f.secondFileField, "md5file");
  EXPECT_EQ(f.submitName, "apply");

  const std::string oneFile = "<form action=\"/u\"><input type=\"FILE\" name=\"upfile\">"
                              "<input type=\"submit\" name=\"go\"></form>";
  CannedIo io;
  io.bodies[L"/update"] = oneFile;
  UpgradeJob job;
  job.ip = L"10.0.0.1";
  job.filePath = L"a.upg";
  UpgradeForm read;
  EXPECT_EQ(ReadUpgradeForm(io, &read, L"/update", job), RESULT_SUCCESS);
  EXPECT_TRUE(read.secondFileField.empty());
  job.secondFilePath = L"a.md5";
  EXPECT_EQ(ReadUpgradeForm(io, &read, L"/update", job), RESULT_UPGRADE_FAIL);
  io.bodies[L"/update"] = "<form action=\"/u\"><input type=\"FILE\" name=\"upfile\"></form>";  // no submit
  job.secondFilePath.clear();
  EXPECT_EQ(ReadUpgradeForm(io, &read, L"/update", job), RESULT_UPGRADE_FAIL);
  EXPECT_EQ(ReadUpgradeForm(io, &read, L"/nothing", job), RESULT_UPGRADE_FAIL);  // no page
}

// A scratch folder tree, removed at the end.
class FolderTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("dvkup" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root);
  }
  void TearDown() override { fs::remove_all(root); }
  void File(const std::string& rel) {
    fs::path p = root / fs::u8path(rel);
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
  }
  std::wstring Folder() const { return root.wstring() + port::kPathSeparator; }
  std::wstring Name(const std::wstring& found) const { return found.empty() ? L"" : found.substr(Folder().size()); }
  fs::path root;
};

TEST_F(FolderTree, GreatestMatchingNameWinsThroughSubFolders) {
  UpgradeJob job;
  job.kind = UPGRADE_FIRMWARE;
  job.firmware = L"K7W-700-V6.09.05-LV";
  const std::wstring sep(1, port::kPathSeparator);
  File("K7W-700-V6.09.05-LV.upg");
  EXPECT_EQ(Name(FindUpgradeFile(0, Folder(), job)), L"K7W-700-V6.09.05-LV.upg");
  File("deep/er/K7W-700-V6.10.01-LV.upg");
  File("K7W-700-V6.11.01-QT.upg");   // other edition
  File("K7W-701-V6.12.01-LV.upg");   // other model
  File("K7W-700-V6.12.00-LV.md5");   // other type
  fs::create_directories(root / "K7W-700-V6.99.99-LV.upg");  // a folder is no candidate
  EXPECT_EQ(Name(FindUpgradeFile(0, Folder(), job)), L"deep" + sep + L"er" + sep + L"K7W-700-V6.10.01-LV.upg");
  job.firmware = L"K7W-999-V1.00.00-LV";
  EXPECT_EQ(FindUpgradeFile(0, Folder(), job), L"");
  EXPECT_EQ(FindUpgradeFile(0, Folder() + L"missing" + sep, job), L"");
}

TEST_F(FolderTree, AWildCardInADevicesVersionFindsNoOtherModelsImage) {
  File("K7W-700-V6.10.01-LV.upg");
  File("ZZZ-999-V9.99.99-LV.upg");
  UpgradeJob job;
  job.kind = UPGRADE_FIRMWARE;
  for (const wchar_t* firmware : {L"\?\?\?\?\?\?\?-V6.09.05-LV", L"*******-V6.09.05-LV", L"K7W-7*0-V6.09.05-LV"}) {
    job.firmware = firmware;
    EXPECT_EQ(FindUpgradeFile(0, Folder(), job), L"") << firmware;
  }
}

TEST_F(FolderTree, StagedIspAndRestoreFiles) {
  File("isp/ISP-F-0300-V1.01.04.bin");
  File("isp/ISP-F-0300-V1.01.06.bin");
  File("isp/ISP-F-0300-V1.01.08.bin");
  File("conf/Conf_001122334455_01_20261208.ini");
  File("conf/Conf_001122334455_01_20261209.ini");
  File("conf/Conf_001122334455_01_20261210.bin");
  File("conf/Conf_001122334455_02_20261211.ini");
  UpgradeJob job;
  job.kind = UPGRADE_ISP_FIRMWARE;
  job.firmware = L"ISP-F-0300-V1.01.02";
  EXPECT_EQ(FileNameOf(FindUpgradeFile(0, Folder(), job), true), L"ISP-F-0300-V1.01.04.bin");
  job.firmware = L"ISP-F-0300-V1.01.05";
  EXPECT_EQ(FileNameOf(FindUpgradeFile(0, Folder(), job), true), L"ISP-F-0300-V1.01.06.bin");
  job.firmware = L"ISP-F-0300-V1.01.06";
  EXPECT_EQ(FileNameOf(FindUpgradeFile(0, Folder(), job), true), L"ISP-F-0300-V1.01.08.bin");

  job.kind = UPGRADE_CONFIG_SET;
  job.mac = L"00:11:22:33:44:55";
  job.firmware = L"K7W-320-V3.13.01-QT";
  EXPECT_EQ(FileNameOf(FindUpgradeFile(0, Folder(), job), true), L"Conf_001122334455_01_20261209.ini");
  job.firmware = L"R9X-A3.23.45-QT";
  EXPECT_EQ(FileNameOf(FindUpgradeFile(0, Folder(), job), true), L"Conf_001122334455_01_20261210.bin");
}

#ifndef _WIN32
TEST_F(FolderTree, LinkedFoldersAreNotFollowed) {
  File("real/K7W-700-V6.09.05-LV.upg");
  fs::create_directories(root / "outside");
  std::ofstream(root / "outside" / "K7W-700-V6.20.00-LV.upg") << "x";
  fs::path tree = root / "tree";
  fs::create_directories(tree);
  fs::rename(root / "real", tree / "real");
  fs::create_directory_symlink(root / "outside", tree / "link");
  fs::create_directory_symlink(tree, tree / "real" / "loop");  // would walk forever if followed
  UpgradeJob job;
  job.kind = UPGRADE_FIRMWARE;
  job.firmware = L"K7W-700-V6.09.05-LV";
  EXPECT_EQ(FileNameOf(FindUpgradeFile(0, tree.wstring() + L"/", job), true), L"K7W-700-V6.09.05-LV.upg");
}
#endif

}  // namespace
