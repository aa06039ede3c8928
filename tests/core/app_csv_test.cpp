// The device-list export: file name, header and device lines as UTF-16LE bytes, quoting of
// fields that would break the line, and the pending header.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "app/device_list/device_csv.h"
#include "app/settings_file/settings_file.h"
#include "app/settings_file/utf16_text.h"
#include "port/exe_file.h"

namespace {

DeviceRecord Record(const wchar_t* ip, const wchar_t* name, const wchar_t* serial) {
  DeviceRecord r;
  r[SLOT_IP] = ip;
  r[SLOT_CAMERA_NAME] = name;
  r[SLOT_MAC] = L"00:11:22:33:44:55";
  r[SLOT_FIRMWARE] = L"K2A-1234-V1.02";
  r[SLOT_MODEL] = L"CAM-1";
  r[SLOT_SERIAL] = serial;
  r[SLOT_MULTICAST_IP] = L"239.1.1.1";
  r[SLOT_CHANNEL_IP] = L"not written";
  return r;
}

TEST(DeviceCsv, StampAndFileName) {
  std::tm t = {};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 8;
  t.tm_hour = 6;
  t.tm_min = 5;
  t.tm_sec = 9;
  EXPECT_EQ(ScanStamp(t), L"261208060509");
  EXPECT_EQ(CsvFilePath(L"C:\\tools\\", L"261208060509"), L"C:\\tools\\Dorvik_261208060509.csv");
  EXPECT_EQ(CsvFilePath(L"C:\\tools", L"1"), L"C:\\tools\\Dorvik_1.csv");
}

TEST(DeviceCsv, LinesAndQuoting) {
  EXPECT_EQ(CsvHeaderLine(false), L"IP Address,Serial No.,MAC Address,FW Version,Model,Multicast IP\n");
  EXPECT_EQ(CsvHeaderLine(true),
            L"IP Address,Serial No.,Camera Name,MAC Address,FW Version,Model,Multicast IP\n");
  DeviceRecord r = Record(L"10.1.0.5", L"Gate", L"SN1");
  EXPECT_EQ(CsvDeviceLine(r, false), L"10.1.0.5,SN1,00:11:22:33:44:55,K2A-1234-V1.02,CAM-1,239.1.1.1\n");
  EXPECT_EQ(CsvDeviceLine(r, true), L"10.1.0.5,SN1,Gate,00:11:22:33:44:55,K2A-1234-V1.02,CAM-1,239.1.1.1\n");

  struct Case { const wchar_t* in; const wchar_t* out; } cases[] = {
      {L"plain name", L"plain name"},
      {L"", L""},
      {L"Gate, north", L"\"Gate, north\""},
      {L"say \"hi\"", L"\"say \"\"hi\"\"\""},
      {L"two\nlines", L"\"two\nlines\""},
      {L"cr\rhere", L"\"cr\rhere\""},
      {L"'single' ok;", L"'single' ok;"},
      // Device texts a spreadsheet would run as formulas are written as text.
      {L"=HYPERLINK(\"http://x\",\"a\")", L"\"'=HYPERLINK(\"\"http://x\"\",\"\"a\"\")\""},
      {L"+1+1", L"'+1+1"},
      {L"-2", L"'-2"},
      {L"@SUM(A1)", L"'@SUM(A1)"},
      {L"a=b", L"a=b"},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.in), c.out) << c.in;
  // A comma in a name keeps the line at seven fields.
  EXPECT_EQ(CsvDeviceLine(Record(L"10.1.0.6", L"Gate, north", L"SN2"), true),
            L"10.1.0.6,SN2,\"Gate, north\",00:11:22:33:44:55,K2A-1234-V1.02,CAM-1,239.1.1.1\n");
}

TEST(DeviceCsv, AppendsUtf16WithoutMarkHeaderOncePerSearch) {
  const std::wstring folder = FolderOfPath(port::ExecutablePath());
  DeviceListExport exportList;
  EXPECT_FALSE(exportList.Append(Record(L"1", L"", L""), false));  // no search yet

  exportList.Begin(folder, L"app_csv_test_1");
  port::RemoveFile(exportList.FilePath());
  ASSERT_TRUE(exportList.HeaderPending());
  ASSERT_TRUE(exportList.Append(Record(L"10.1.0.5", L"Gate", L"SN1"), false));
  EXPECT_FALSE(exportList.HeaderPending());
  ASSERT_TRUE(exportList.Append(Record(L"10.1.0.6", L"Cam \x00c5", L"SN2"), false));

  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(exportList.FilePath(), bytes));
  std::string expected;
  AppendUtf16Le(expected, CsvHeaderLine(false) +
                              L"10.1.0.5,SN1,00:11:22:33:44:55,K2A-1234-V1.02,CAM-1,239.1.1.1\n"
                              L"10.1.0.6,SN2,00:11:22:33:44:55,K2A-1234-V1.02,CAM-1,239.1.1.1\n");
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(bytes.substr(0, 4), std::string("I\0P\0", 4));  // no byte-order mark
  const std::wstring first = exportList.FilePath();

  // The next search: a new file with its own header, 7 columns with the camera name. The
  // first search's file is closed and keeps its lines.
  exportList.Begin(folder, L"app_csv_test_2");
  ASSERT_TRUE(ReadWholeFile(first, bytes));
  EXPECT_EQ(bytes, expected);
  EXPECT_TRUE(port::RemoveFile(first));
  port::RemoveFile(exportList.FilePath());
  ASSERT_TRUE(exportList.Append(Record(L"10.1.0.7", L"Yard", L"SN3"), true));
  ASSERT_TRUE(ReadWholeFile(exportList.FilePath(), bytes));
  EXPECT_EQ(DecodeUtf16Le(bytes),
            CsvHeaderLine(true) + L"10.1.0.7,SN3,Yard,00:11:22:33:44:55,K2A-1234-V1.02,CAM-1,239.1.1.1\n");
  exportList.Close();
  EXPECT_TRUE(port::RemoveFile(exportList.FilePath()));

  // A file that cannot be opened loses the line and keeps the header pending.
  exportList.Begin(folder + L"no-such-folder/", L"x");
  EXPECT_FALSE(exportList.Append(Record(L"10.1.0.8", L"", L""), false));
  EXPECT_TRUE(exportList.HeaderPending());
}

TEST(Utf16Text, RoundTripsOutsideTheBasicPlane) {
  std::wstring text = L"a\x00e9";
  if (sizeof(wchar_t) > 2) text += static_cast<wchar_t>(0x1F600);
  std::string bytes;
  AppendUtf16Le(bytes, text);
  EXPECT_EQ(bytes.size(), sizeof(wchar_t) > 2 ? 8u : 4u);
  EXPECT_EQ(DecodeUtf16Le(bytes), text);
}

}  // namespace
