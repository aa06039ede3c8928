// File-name splitting, grid columns, number and time-stamp texts.
#include <gtest/gtest.h>

#include "device/helpers.h"

namespace {

TEST(Helpers, SplitFileName) {
  struct Case {
    const wchar_t* path;
    const wchar_t* with;
    const wchar_t* without;
  } cases[] = {
      {L"C:\\fw\\cam.bin", L"cam.bin", L"cam"},
      {L"C:\\fw\\cam", L"cam", L""},
      {L"C:\\fw.d\\cam", L"cam", L""},  // a dot in the folder does not count
      {L"cam.v1.upg", L"cam.v1.upg", L"cam.v1"},
      {L"C:\\fw\\", L"", L""},
      {L"", L"", L""},
      {L"C:\\fw\\.bin", L".bin", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitFileName(c.path, true), c.with) << c.path;
    EXPECT_EQ(SplitFileName(c.path, false), c.without) << c.path;
  }
}

TEST(Helpers, ColumnIndexInBothGridLayouts) {
  struct Case {
    int id, withName, withoutName;
  } cases[] = {{500, 0, 0}, {504, 1, 1}, {505, 2, -1}, {501, 3, 2}, {502, 4, 3},  {503, 5, 4},
               {506, 6, 5}, {507, 7, 6}, {3, 8, 7},    {0, -1, -1}, {508, -1, -1}, {-1, -1, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(ColumnIndexOf(c.id, true), c.withName) << c.id;
    EXPECT_EQ(ColumnIndexOf(c.id, false), c.withoutName) << c.id;
  }
  bool saved = g_ShowCameraName;
  g_ShowCameraName = true;
  EXPECT_EQ(ColumnIndexOf(501), 3);
  g_ShowCameraName = false;
  EXPECT_EQ(ColumnIndexOf(501), 2);
  g_ShowCameraName = saved;
}

TEST(Helpers, NumbersTimeStampsAndFolderEnds) {
  EXPECT_EQ(IntToString(0), L"0");
  EXPECT_EQ(IntToString(-42), L"-42");
  EXPECT_EQ(IntToString(2147483647), L"2147483647");
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 0;
  t.tm_mday = 5;
  t.tm_hour = 7;
  t.tm_min = 8;
  t.tm_sec = 9;
  EXPECT_EQ(FormatTimeStamp(t), L"20260105_070809");
  t.tm_mon = 11;
  t.tm_mday = 31;
  t.tm_hour = 23;
  t.tm_min = 59;
  t.tm_sec = 59;
  EXPECT_EQ(FormatTimeStamp(t), L"20261231_235959");
  EXPECT_EQ(GetTimeStamp().size(), 15u);
  EXPECT_EQ(WithTrailingBackslash(L"C:\\"), L"C:\\");
  EXPECT_EQ(WithTrailingBackslash(L"C:\\fw"), L"C:\\fw\\");
  EXPECT_EQ(WithTrailingBackslash(L"D:\\fw\\"), L"D:\\fw\\");
}

}  // namespace
