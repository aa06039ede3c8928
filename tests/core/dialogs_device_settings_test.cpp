// The device settings operation without a network: the URL command's path and record, the
// preparation that reads the checked devices' platforms, and the worker that applies the
// enabled pages in order and stops at the first failure; then whole commands through the
// batch engine.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/batch/batch_engine.h"
#include "app/settings_file/settings_file.h"
#include "dialogs/device_settings/av_page.h"
#include "dialogs/device_settings/date_time_apply.h"
#include "dialogs/device_settings/device_settings_operation.h"
#include "dialogs/device_settings/url_command.h"
#include "tests/support/batch_fakes.h"
#include "tests/support/settings_worker_fixture.h"

namespace {

using testlab::FakeBatchUi;
using testlab::RecordingClock;
using testlab::RecordingReport;
using testlab::Row;
using testlab::ScriptedDevices;

TEST(UrlCommand, PathIsTheCommandAsWritten) {
  struct Case {
    int cgi;
    const wchar_t* command;
    const wchar_t* path;
  } cases[] = {
      {1, L"VIDEO_SATURATION=80", L"/cgi-bin/cmd/encoder?VIDEO_SATURATION=80"},
      {0, L"USER_ADD=a,Pw1&USER_ADD=b,Pw2", L"/cgi-bin/cmd/system?USER_ADD=a,Pw1&USER_ADD=b,Pw2"},
      {2, L"video_mode=Auto+1", L"/cgi-bin/cmd/test?video_mode=Auto+1"},
      {0, L"", L"/cgi-bin/cmd/system?"},
      {7, L"X", L"/cgi-bin/cmd/?X"},
  };
  for (const Case& c : cases) {
    UrlSettings s;
    s.CGI = c.cgi;
    s.Command = c.command;
    EXPECT_EQ(UrlCommandPath(s), c.path) << c.command;
  }
}

TEST(UrlSettingsRecord, WrittenAndReadBackWithBadValuesAsDefaults) {
  UrlSettings s;
  s.Enable = true;
  s.CGI = 2;
  s.Command = L"VIDEO_DAYNIGHT_MODE=AUTO&POWER_LED=0";
  IniDocument doc;
  SaveUrlSettings(doc, s);
  std::vector<std::wstring> keys;
  for (const auto& e : doc.Entries(L"URL_DATA")) keys.push_back(e.first);
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"Enable", L"CGI", L"Command"}));
  IniDocument file;
  file.Parse(doc.Serialize({L"URL_DATA"}));
  UrlSettings back;
  back.Enable = true;
  LoadUrlSettings(file, back);
  EXPECT_FALSE(back.Enable);
  EXPECT_EQ(back.CGI, 2);  // "test" chosen at the last close is chosen again
  EXPECT_EQ(back.Command, s.Command);

  const std::pair<std::string, UrlSettings> bad[] = {
      {"CGI=3", UrlSettings()},
      {"CGI=-1", UrlSettings()},
      {"CGI=encoder", UrlSettings()},
      {"Command=" + std::string(256, 'A'), UrlSettings()},
      {"Command=POWER_LED=1\rVIDEO_SATURATION=80", UrlSettings()},  // a lone CR
  };
  for (const auto& b : bad) {
    IniDocument d;
    d.Parse("[URL_DATA]\r\n" + b.first + "\r\n");
    UrlSettings got;
    got.CGI = 1;
    got.Command = L"x";
    LoadUrlSettings(d, got);
    EXPECT_EQ(got.CGI, b.second.CGI) << b.first;
    EXPECT_EQ(got.Command, b.second.Command) << b.first;
  }
  IniDocument d;
  d.Parse("[URL_DATA]\r\nCommand=" + std::string(255, 'A') + "\r\n");
  UrlSettings full;
  LoadUrlSettings(d, full);
  EXPECT_EQ(full.Command.size(), 255u);
}

TEST(DeviceSettingsPreparation, FamilyNewFirmwareAndStreamMode) {
  struct Case {
    std::vector<const wchar_t*> firmware;
    const wchar_t* family;
    bool newFirmware;
    int streamMode;  // a stored 5 as the page shows it for these devices
  } cases[] = {
      {{L"K7W-702-V1.2-LV", L"K7W-702-V1.3-QT"}, L"K7W-702", false, 5},
      {{L"K7W-701-A3.01.02-LV"}, L"K7W-701", true, 5},
      {{L"K7W-702-V1.2", L"K7W-703-V1.2"}, L"", false, 1},
      {{L"K7W-702-V1.2", L"", L"K7W-702-V1.2"}, L"", false, 1},
      {{L"K2A-0100-V1.1", L"K2A-0100-A3.23.45"}, L"K2A-010", true, 1},
      {{}, L"", false, 1},
  };
  for (const Case& c : cases) {
    BatchSelection rows;
    RowHandle row = 1;
    for (const wchar_t* f : c.firmware) {
      rows.rows.push_back(Row(row, L"10.0.0." + std::to_wstring(row), L"", false, f));
      ++row;
    }
    DeviceSettings records;
    records.av.StreamMode = 5;
    DeviceSettingsOperation op(records);
    op.Prepare(rows, BatchContext());
    EXPECT_EQ(op.Platforms().family, c.family) << c.family;
    EXPECT_EQ(op.Platforms().newFirmware, c.newFirmware) << c.family;
    // The record is the user's until the dialog is confirmed: only the page's copy changes.
    EXPECT_EQ(records.av.StreamMode, 5) << c.family;
    AvSettings shown = records.av;
    KeepStreamModeFor(shown, op.Platforms().family);
    EXPECT_EQ(shown.StreamMode, c.streamMode) << c.family;
  }
  // Dual and single stream stay whatever the devices.
  for (int mode : {1, 2}) {
    AvSettings av;
    av.StreamMode = mode;
    KeepStreamModeFor(av, L"");
    EXPECT_EQ(av.StreamMode, mode);
  }
}

struct Worker : testlab::SettingsWorkerTest {
  void SetUp() override {
    records.url.CGI = 1;
    records.url.Command = L"VIDEO_SATURATION=80";
  }
  DeviceJob Job(RowHandle row, const std::wstring& ip) { return JobOf(ip, row); }
};

const wchar_t kUrl[] = L"/cgi-bin/cmd/encoder?VIDEO_SATURATION=80";

TEST_F(Worker, StepsInOrderAndTheFirstFailureEndsTheRow) {
  records.dateTime.Enable = true;
  records.url.Enable = true;
  const std::wstring older = DateTimeRequest(records.dateTime, true);
  const std::wstring newer = DateTimeRequest(records.dateTime, false);
  devices.rules = {
      {L"10.0.0.2", kDateConfigProbe, -2},          // knows only the newer syntax
      {L"10.0.0.3", L"/cgi-bin/cmd/system", -3},    // refuses the login
      {L"10.0.0.4", L"/cgi-bin/cmd/encoder", -2},   // says ERROR to the command
      {L"10.0.0.5", kDateConfigProbe, -1},          // silent to the probe only
      {L"10.0.0.6", L"/cgi-bin/cmd/system?DATE_CONFIG=", 0},  // an empty answer sets nothing
  };
  struct Case {
    const wchar_t* ip;
    int result;
    std::vector<std::wstring> requests;
  };
  const std::vector<Case> cases = {
      {L"10.0.0.1", 512, {kDateConfigProbe, older, kUrl}},
      {L"10.0.0.2", 512, {kDateConfigProbe, newer, kUrl}},
      {L"10.0.0.3", 528, {kDateConfigProbe, newer}},
      {L"10.0.0.4", 537, {kDateConfigProbe, older, kUrl}},
      {L"10.0.0.5", 512, {kDateConfigProbe, newer, kUrl}},
      {L"10.0.0.6", 528, {kDateConfigProbe, older}},
  };
  RowHandle row = 1;
  for (const Case& c : cases) {
    EXPECT_EQ(RunDeviceSettings(context, Job(row, c.ip)), c.result) << c.ip;
    EXPECT_EQ(report.Of(row), (std::vector<int>{539, c.result})) << c.ip;
    EXPECT_EQ(devices.RequestsOf(c.ip), c.requests) << c.ip;
    ++row;
  }
}

TEST_F(Worker, OnlyEnabledPagesAreSentAndNoneStillReportsSuccess) {
  EXPECT_EQ(RunDeviceSettings(context, Job(1, L"10.0.0.1")), 512);
  EXPECT_TRUE(devices.Requests().empty());
  records.url.Enable = true;
  EXPECT_EQ(RunDeviceSettings(context, Job(2, L"10.0.0.2")), 512);
  EXPECT_EQ(devices.RequestsOf(L"10.0.0.2"), (std::vector<std::wstring>{kUrl}));
}

TEST_F(Worker, StoppedBatchReportsNothingMore) {
  records.dateTime.Enable = true;
  records.url.Enable = true;
  context.stop->Request();
  EXPECT_EQ(RunDeviceSettings(context, Job(1, L"10.0.0.1")), 0);
  EXPECT_EQ(report.Of(1), (std::vector<int>{539}));
  EXPECT_TRUE(devices.Requests().empty());
}

// The whole command through the engine: preparation under its box, the selection check, the
// dialog (here the portable operation's own, which agrees), one worker per device.
struct Command : ::testing::Test {
  FakeBatchUi ui;
  RecordingReport report;
  ScriptedDevices devices;
  RecordingClock clock{1000};
  DeviceSettings records;
  std::unique_ptr<BatchEngine> engine;
  void SetUp() override { engine = testlab::SettingsEngine(ui, records, &devices, &clock, &report); }
};

TEST_F(Command, EveryRowGetsItsOwnResult) {
  records.url.Enable = true;
  records.url.Command = L"POWER_LED=1";
  devices.rules = {{L"10.0.0.2", L"/cgi-bin/cmd/system?POWER_LED", -3}};
  ui.selection.rows = {Row(1, L"10.0.0.1", L"00:0F:7C:00:00:01"), Row(2, L"10.0.0.2", L"00:0F:7C:00:00:02"),
                       Row(3, L"10.0.0.3", L"00:0F:7C:00:00:03")};
  EXPECT_TRUE(engine->Execute(1005));
  EXPECT_EQ(ui.Events(), (std::vector<std::string>{"rows", "box:558", "box closed", "rows", "box:558", "box closed"}));
  EXPECT_EQ(report.Of(1), (std::vector<int>{539, 512}));
  EXPECT_EQ(report.Of(2), (std::vector<int>{539, 537}));
  EXPECT_EQ(report.Of(3), (std::vector<int>{539, 512}));
  EXPECT_EQ(devices.RequestsOf(L"10.0.0.3"), (std::vector<std::wstring>{L"/cgi-bin/cmd/system?POWER_LED=1"}));
}

TEST_F(Command, NothingCheckedRunsThePreparationFirst) {
  records.av.StreamMode = 5;
  EXPECT_TRUE(engine->Execute(1005));
  EXPECT_EQ(ui.Events(), (std::vector<std::string>{"rows", "box:558", "box closed", "rows", "warning:549"}));
  // Nothing checked, no dialog: the saved triple stream is the user's still.
  EXPECT_EQ(records.av.StreamMode, 5);
  ui.selection.rows = {Row(1, L"10.0.0.1"), Row(2, L"10.0.0.2", L"", true)};
  EXPECT_TRUE(engine->Execute(1005));
  EXPECT_EQ(ui.Events().back(), "warning:550");
  EXPECT_TRUE(devices.Requests().empty());
}

}  // namespace
