// The device settings workers against simulated devices: date and time in the syntax each
// device knows, the user's URL command, the order of the requests each device gets and the
// stop at the first failure (528 date and time, 537 URL command, 512 when everything passed).
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/batch/batch_engine.h"
#include "device/login.h"
#include "dialogs/device_settings/date_time_apply.h"
#include "dialogs/device_settings/device_settings_operation.h"
#include "port/stop_scope.h"
#include "tests/support/batch_fakes.h"
#include "tests/support/netns_lab.h"
#include "tests/support/settings_worker_fixture.h"
#include "tests/support/sim_suite.h"

using testlab::NetnsLab;

namespace {

const char kOlder[] = "10.231.3.1";      // knows DATE_CONFIG
const char kNewer[] = "10.231.3.2";      // knows only DATE_TYPE
const char kOwnLogin[] = "10.231.3.3";   // refuses the factory login the user works with
const char kRejects[] = "10.231.3.4";    // answers the URL command with ERROR
const char kNoHttp[] = "10.231.3.5";     // no web server
const char kDigest[] = "10.231.3.6";     // Digest login, older syntax
const char kSilent[] = "10.231.3.7";     // takes the date request and never answers it

const char kDevices[] =
    "ip=10.231.3.1 mac=00:0F:7C:00:30:01 date_syntax=old\n"
    "ip=10.231.3.2 mac=00:0F:7C:00:30:02 date_syntax=new\n"
    "ip=10.231.3.3 mac=00:0F:7C:00:30:03 password=secret\n"
    "ip=10.231.3.4 mac=00:0F:7C:00:30:04 fail=/cgi-bin/cmd/encoder?VIDEO_SATURATION:error\n"
    "ip=10.231.3.5 mac=00:0F:7C:00:30:05 http=off\n"
    "ip=10.231.3.6 mac=00:0F:7C:00:30:06 auth=digest\n"
    "ip=10.231.3.7 mac=00:0F:7C:00:30:07 fail=/cgi-bin/cmd/system?DATE_CONFIG=:silent\n";

std::wstring W(const char* s) { return std::wstring(s, s + std::char_traits<char>::length(s)); }
std::string N(const std::wstring& s) { return std::string(s.begin(), s.end()); }

const char kUrl[] = "/cgi-bin/cmd/encoder?VIDEO_SATURATION=80";

class DeviceSettingsNetns : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_sim.Start(kDevices, {kOlder, kNewer, kOwnLogin, kRejects, kNoHttp, kDigest, kSilent});
  }
  static void TearDownTestSuite() { s_sim.Stop(); }

  void SetUp() override {
    if (!NetnsLab::Available()) GTEST_SKIP() << "needs root and the ip tool";
    ASSERT_TRUE(s_sim.Enter()) << "test network or simulator did not start";
    Login d = DefaultLogin();
    SetUserLogin(d.user, d.password);
    m_mark = s_sim.LogSize();
    m_records.dateTime.Enable = true;
    m_records.url.Enable = true;
    m_records.url.CGI = 1;
    m_records.url.Command = L"VIDEO_SATURATION=80";
  }
  void TearDown() override { s_sim.Leave(); }

  // The targets one device was sent since the test began, in order; a request repeated with
  // the login after the device's challenge counts once.
  std::vector<std::string> Sent(const char* ip) const {
    std::vector<std::string> out;
    const std::string head = std::string("http ") + ip + " GET ";
    for (const std::string& l : s_sim.LogLinesSince(m_mark, head)) {
      const std::string target = l.substr(l.find(head) + head.size());
      if (out.empty() || out.back() != target) out.push_back(target);
    }
    return out;
  }

  // One device's whole work on the records as they are now, through the HTTP client.
  int Run(const char* ip, RowHandle row, UpgradeClock* clock = nullptr,
          std::shared_ptr<BatchStop> stop = std::make_shared<BatchStop>()) {
    BatchContext context;
    context.io = &HttpDeviceRequests();
    context.clock = clock ? clock : &m_clock;
    context.report = &m_report;
    context.stop = std::move(stop);
    DeviceJob job;
    job.address = W(ip);
    job.row = row;
    job.settings = std::make_shared<const DeviceSettings>(m_records);
    return RunDeviceSettings(context, job);
  }

  static testlab::SharedSimulator s_sim;
  std::size_t m_mark = 0;
  DeviceSettings m_records;
  testlab::RecordingClock m_clock{100};
  testlab::RecordingReport m_report;
};

testlab::SharedSimulator DeviceSettingsNetns::s_sim;

TEST_F(DeviceSettingsNetns, EachDeviceInOrderUntilItsFirstFailure) {
  testlab::FakeBatchUi ui;
  const auto engine = testlab::SettingsEngine(ui, m_records, nullptr, &m_clock, &m_report);
  const std::vector<const char*> ips = {kOlder, kNewer, kOwnLogin, kRejects, kNoHttp, kDigest};
  RowHandle row = 1;
  for (const char* ip : ips) ui.selection.rows.push_back(testlab::Row(row++, W(ip)));
  EXPECT_TRUE(engine->Execute(1005));

  const std::string probe = N(kDateConfigProbe);
  const std::string older = N(DateTimeRequest(m_records.dateTime, true));
  const std::string newer = N(DateTimeRequest(m_records.dateTime, false));
  struct Expect {
    const char* ip;
    int result;
    std::vector<std::string> sent;
  };
  const std::vector<Expect> expected = {
      {kOlder, 512, {probe, older, kUrl}},
      {kNewer, 512, {probe, newer, kUrl}},
      {kOwnLogin, 528, {probe, newer}},  // refused: no syntax learnt, the date fails, no URL
      {kRejects, 537, {probe, older, kUrl}},
      {kNoHttp, 528, {}},
      {kDigest, 512, {probe, older, kUrl}},
  };
  row = 1;
  for (const Expect& e : expected) {
    EXPECT_EQ(m_report.Of(row), (std::vector<int>{539, e.result})) << e.ip;
    EXPECT_EQ(Sent(e.ip), e.sent) << e.ip;
    ++row;
  }
  // The request forms the simulated devices took, as the log shows them.
  EXPECT_EQ(older, "/cgi-bin/cmd/system?DATE_CONFIG=2,192.168.0.2,3600,+00&DAYLIGHT_SAVING_CONFIG=0,1,7,1,2:00,7,2,3,5,2:00");
}

TEST_F(DeviceSettingsNetns, UserLoginReachesTheDeviceWithItsOwnPassword) {
  SetUserLogin(L"admin", L"secret");
  m_records.dateTime.Server = false;
  m_records.dateTime.TimeZone = 24;
  EXPECT_EQ(Run(kOwnLogin, 40), 512);
  EXPECT_EQ(Sent(kOwnLogin),
            (std::vector<std::string>{N(kDateConfigProbe),
                                      "/cgi-bin/cmd/system?DATE_CONFIG=1,011500002012,00:00:00,+05:45"
                                      "&DAYLIGHT_SAVING_CONFIG=0,1,7,1,2:00,7,2,3,5,2:00",
                                      kUrl}));
  Login d = DefaultLogin();
  SetUserLogin(d.user, d.password);
}

TEST_F(DeviceSettingsNetns, CommandBytesThatCannotStandInATargetAreEscaped) {
  m_records.dateTime.Enable = false;
  m_records.url.CGI = 0;
  m_records.url.Command = L"VIDEO_CAMERA_NAME=Gate #2\x00E9&POWER_LED=1,2:3+4/5";
  EXPECT_EQ(Run(kOlder, 50), 512);
  const std::vector<std::string> sent = Sent(kOlder);
  ASSERT_EQ(sent.size(), 1u);
  // The native build's 8-bit code page is UTF-8: é is C3 A9 here (the ANSI byte on Windows).
  EXPECT_EQ(sent[0], "/cgi-bin/cmd/system?VIDEO_CAMERA_NAME=Gate%20%232%C3%A9&POWER_LED=1,2:3+4/5");
}

TEST_F(DeviceSettingsNetns, StopGivesUpARequestInFlight) {
  // The program closes while a device sits on the date request with its real 90 s time-out.
  auto stop = std::make_shared<BatchStop>();
  std::thread closer([stop] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop->Request();
  });
  const auto begin = std::chrono::steady_clock::now();
  {
    port::StopScope scope(&stop->Flag());  // as on the engine's worker threads
    EXPECT_EQ(Run(kSilent, 60, &RealUpgradeClock(), stop), 0);
  }
  const auto took = std::chrono::steady_clock::now() - begin;
  closer.join();
  EXPECT_LT(took, std::chrono::seconds(30));
  EXPECT_EQ(m_report.Of(60), (std::vector<int>{539}));  // nothing after the stop
  EXPECT_EQ(Sent(kSilent).size(), 2u);
}

}  // namespace
