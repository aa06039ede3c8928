// The configuration backup files: names, the "#INFO" header line, reading it back, and the
// check of a file before a restore sends it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "device/config_file.h"
#include "device/upgrade_rules.h"
#include "port/dir_list.h"

namespace fs = std::filesystem;

namespace {

TEST(ConfigFile, HeaderLineForEachKindOfEntry) {
  struct Case {
    const wchar_t* firmware;
    int channel;
    const char* profile;
    const char* line;
  } cases[] = {
      // A single-channel device: the model code, its Profile ID.
      {L"K7W-320-V3.13.01-QT", 1, "1234", "#INFO,K7W-320,1234\n"},
      // A multi-channel device's own file carries its model code, its channels the fixed word.
      {L"K5H-0400-V2.1", 0, "77", "#INFO,K5H-040,77\n"},
      {L"K5H-0400-V2.1", 3, "77", "#INFO,K7W-320,77\n"},
      // A channel number on a single-channel firmware keeps the model code.
      {L"A1D-310-V5.00.01-AC", 2, "5", "#INFO,A1D-310,5\n"},
      // No Profile ID, a short firmware text.
      {L"K7W-700-V6.09.05-LV", 1, "", "#INFO,K7W-700,\n"},
      {L"K7", 1, "9", "#INFO,K7,9\n"},
      // A long Profile ID is cut so that the line with its line feed keeps to 31 characters.
      {L"K7W-320-V3.13.01-QT", 1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "#INFO,K7W-320,ABCDEFGHIJKLMNOP\n"},
      // A device's text never ends the line, adds a field or cuts one short.
      {L"K7W-41\nV1", 1, "77", "#INFO,K7W-41_,77\n"},
      {L",K7W-41-V1", 1, "77", "#INFO,_K7W-41,77\n"},
      {L"K7W 41\t-V1", 1, "7 7", "#INFO,K7W_41_,7_7\n"},
      {L"       ", 1, "1", "#INFO,_______,1\n"},
      {L"", 1, "1", "#INFO,_,1\n"},
      {L"K\u00e97W-320", 1, "a,b\x01\xe9", "#INFO,K_7W-32,a_b__\n"},
  };
  for (const Case& c : cases) {
    const std::string line = BuildIniHeader(c.firmware, c.channel, c.profile);
    EXPECT_EQ(line, c.line) << c.profile;
    EXPECT_LE(line.size(), kIniHeaderMax);
    std::string model, profile;
    ASSERT_TRUE(ParseIniHeader(line, &model, &profile)) << line;
    // What was written is what the restore reads back.
    EXPECT_EQ("#INFO," + model + "," + profile + "\n", line);
  }
}

TEST(ConfigFile, ProfileIdOfTheSystemInformation) {
  struct Case {
    const char* reply;
    const char* id;
  } cases[] = {
      {"Firmware Version = K7W-320-V3.13.01-QT\nProfile ID = 1234-5678\nPlatform = A\n", "1234"},
      {"Profile ID = '42'\r\nX = 1\r\n", "42"},          // quotes and a CR go
      {"Profile ID = 0123456789012345678901234567890123456789\n", "0123456789012345678901234567890"},
      {"Profile ID = -abc\n", ""},                        // nothing before the dash
      {"Firmware Version = K7W\n", ""},                   // no such line
      {"Profile ID = \n", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ProfileIdOf(c.reply), c.id) << c.reply;
  EXPECT_EQ(ProfileIdOf(nullptr), "");
}

TEST(ConfigFile, HeaderIsReadAsTheRestoreReadsIt) {
  struct Case {
    const char* line;
    bool ok;
    const char* model;
    const char* profile;
  } cases[] = {
      {"#INFO,K7W-320,1234\n", true, "K7W-320", "1234"},
      {"#INFO, K7W-700 , 77\r\n", true, "K7W-700", "77"},
      {"#INFO,K7W-320,\n", true, "K7W-320", ""},
      {"#INFO,K7W-320", true, "K7W-320", ""},
      {"#INFO,,1234\n", false, "", ""},
      {"[CONFIG]\n", false, "", ""},
      {"#info,K7W-320,1\n", false, "", ""},
      {"", false, "", ""},
  };
  for (const Case& c : cases) {
    std::string model, profile;
    EXPECT_EQ(ParseIniHeader(c.line, &model, &profile), c.ok) << c.line;
    if (!c.ok) continue;
    EXPECT_EQ(model, c.model) << c.line;
    EXPECT_EQ(profile, c.profile) << c.line;
  }
}

TEST(ConfigFile, BackupNamesStayInTheirFolder) {
  std::tm day{};
  day.tm_year = 2026 - 1900;
  day.tm_mon = 11;
  day.tm_mday = 8;
  const std::wstring date = BackupDateText(day);
  EXPECT_EQ(date, L"20261208");
  EXPECT_EQ(BackupFileName(L"D:\\b\\", L"00:11:22:33:44:55", 1, date, false), L"D:\\b\\Conf_001122334455_01_20261208.ini");
  EXPECT_EQ(BackupFileName(L"D:\\b\\", L"00:11:22:33:44:55", 0, date, true), L"D:\\b\\Conf_001122334455_00_20261208.bin");
  EXPECT_EQ(BackupFileName(L"D:\\b\\", L"00:11:22:33:44:55", 12, date, false), L"D:\\b\\Conf_001122334455_12_20261208.ini");
  EXPECT_EQ(BackupFileName(L"/tmp/b/", L"", 1, date, false), L"/tmp/b/Conf__01_20261208.ini");
  // A device text can never name another folder.
  const std::wstring odd = BackupFileName(L"D:\\b\\", L"..\\..\\Windows\\x/y*?\"<>|\x01", 1, date, false);
  EXPECT_EQ(odd, L"D:\\b\\Conf_.._.._Windows_x_y________01_20261208.ini");
  EXPECT_EQ(SafeFileNamePart(L"SER\\..\\..\\boot.ini"), L"SER_.._.._boot.ini");
  // The restore looks for the same names with any date.
  EXPECT_EQ(FindFiles(0, 5, L"K7W-320-V3.13.01-QT", L"00:11:22:33:44:55"), L"Conf_001122334455_01_*.ini");
  EXPECT_TRUE(IsBinaryBackup(L"R9X-A3.23.45-QT"));
  EXPECT_FALSE(IsBinaryBackup(L"K7W-320-V3.13.01-QT"));
}

class RestoreFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("dvkcf" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(root);
  }
  void TearDown() override { fs::remove_all(root); }
  std::wstring Write(const char* name, const std::string& bytes) {
    std::ofstream(root / name, std::ios::binary) << bytes;
    return (root / name).wstring();
  }
  fs::path root;
};

TEST_F(RestoreFiles, OnlyReadableFilesWithTheirHeaderAreSent) {
  EXPECT_EQ(CheckRestoreFileForm(Write("a.ini", "#INFO,K7W-320,1\nVIDEO_FPS_NUM=25\n")), 0);
  EXPECT_EQ(CheckRestoreFileForm(Write("b.INI", "#INFO,K7W-320,1\n")), 0);
  EXPECT_EQ(CheckRestoreFileForm(Write("c.ini", "VIDEO_FPS_NUM=25\n")), kRestoreFileWrongType);
  EXPECT_EQ(CheckRestoreFileForm(Write("d.ini", "")), kRestoreFileWrongType);
  EXPECT_EQ(CheckRestoreFileForm(Write("e.bin", std::string("\x00\x01\x02", 3))), 0);  // no header in .bin
  EXPECT_EQ(CheckRestoreFileForm((root / "missing.ini").wstring()), kRestoreFileUnreadable);
  EXPECT_EQ(CheckRestoreFileForm(L""), kRestoreFileUnreadable);
  std::string line;
  ASSERT_TRUE(ReadFirstLine(Write("long.ini", std::string(100, 'x')), &line));
  EXPECT_EQ(line.size(), kIniHeaderMax);
}

}  // namespace
