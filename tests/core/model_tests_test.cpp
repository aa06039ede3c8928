// Model family, recorder, platform and firmware-version tests.
#include <gtest/gtest.h>

#include "device/model_tests.h"

namespace {

TEST(ModelTests, FamilyChannelCountsAndRecorderPrefixes) {
  const std::pair<const wchar_t*, int> family[] = {
      {L"K5H-1100", 4}, {L"K3F-1234", 8}, {L"KRZ-2000", 16}, {L"K3F", 0},  {L"k3f-1234", 0},
      {L"K3F_1234", 0}, {L"", 0},         {L"XK3F-1", 0},    {L"K5H-", 4}, {L"A1D-310-V5", 0}};
  for (const auto& c : family) EXPECT_EQ(IsFamilyModel(c.first), c.second) << c.first;
  const std::pair<const wchar_t*, bool> recorder[] = {
      {L"NVQ-4100", true}, {L"VTB-16", true}, {L"NVQ", false}, {L"nvq-4100", false}, {L"CAM-NVQ-1", false}, {L"", false}};
  for (const auto& c : recorder) EXPECT_EQ(IsRecorderModel(c.first), c.second) << c.first;
}

TEST(ModelTests, PrefixNormalisationAndNamesPerUpgradeKind) {
  EXPECT_EQ(NormalizeModelPrefix(L"KRZ-10-KRZ-2"), L"K3F-10-K3F-2");
  EXPECT_EQ(NormalizeModelPrefix(L"K5H-1-KRZ-2-K3F-3"), L"K3F-1-K3F-2-K3F-3");
  EXPECT_EQ(NormalizeModelPrefix(L"k5h-1"), L"k5h-1");
  struct Case {
    int kind;
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {1, L"A1D-310", L"A1D-U10"}, {4, L"A1D-310", L"A1D-H10"}, {3, L"ISP-F-12-ISP-F-3", L"C12-C3"},
      {0, L"A1D-310", L"A1D-310"}, {5, L"ISP-F-1", L"ISP-F-1"}, {1, L"A1D-", L"A1D-"},  // too short: unchanged
      {4, L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(AdjustNameForKind(c.kind, c.in), c.out) << c.kind << " " << c.in;
}

TEST(ModelTests, FirmwareVersionGate) {
  const std::pair<const wchar_t*, bool> cases[] = {
      {L"A1D-3-0300-1.01.05", false}, {L"A1D-3-0300-1.01.06", true}, {L"A1D-3-0300-1.01.10", true},
      {L"A1D-3-0100-9.99.99", false}, {L"A1D-3-0100", false},        {L"A1D-3-0200-1.00.00", true},
      {L"A1D-3-0300-0.99.99", false}, {L"", true},                   {L"A1D-3", true},
      {L"A1D-3-030", true},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckFirmwareVersion(c.first), c.second) << c.first;
}

TEST(ModelTests, VersionTagAndPlatformTokens) {
  const std::pair<const wchar_t*, bool> tag[] = {
      {L"K3F-V2.1-x", true}, {L"K3F-V4", false},  {L"K3F-AV1", false}, {L"V1", true},
      {L"", false},          {L"x---V3-", true},  {L"---", false},     {L"K3F-v2", false}};
  for (const auto& c : tag) EXPECT_EQ(HasVersionTagToken(c.first), c.second) << c.first;
  const std::pair<const wchar_t*, bool> platform[] = {
      {L"x-A3.23.45", true},  {L"x-A3.23.4", false},      {L"x-B1.23.45", false}, {L"", false},
      {L"A3.23.45-x", true},  {L"x-A3.23.45-----", true}, {L"x-A3-23.45", false}, {L"x-a3.23.45", false},
      {L"y-A1.00.00.123", true}};
  for (const auto& c : platform) EXPECT_EQ(HasPlatformVersionToken(c.first), c.second) << c.first;
  const std::pair<const wchar_t*, bool> lv[] = {
      {L"K7W-702-V1.2-LV", true}, {L"K7W-LV-0100", true}, {L"K7W-702LV", false}, {L"-lv", false}, {L"", false}};
  for (const auto& c : lv) EXPECT_EQ(IsLvModel(c.first), c.second) << c.first;
}

}  // namespace
