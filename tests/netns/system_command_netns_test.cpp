// Reset and save & reboot workers against simulated devices, on a clock a hundred times faster
// than the real one: the requests each device gets, the waits and the ids each row shows.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/batch/batch_engine.h"
#include "app/batch/system_command.h"
#include "device/login.h"
#include "tests/support/batch_fakes.h"
#include "tests/support/netns_lab.h"
#include "tests/support/sim_suite.h"

using testlab::NetnsLab;

namespace {

const char kBack[] = "10.231.2.1";        // back after 400 ms (clock: 40 s)
const char kNever[] = "10.231.2.2";       // answers the command, never comes back
const char kRefuses[] = "10.231.2.3";     // answers the command with ERROR
const char kNoHttp[] = "10.231.2.4";      // no web server at all
const char kOwnLogin[] = "10.231.2.5";    // the user's login is not the factory one
const char kNotFound[] = "10.231.2.6";    // answers the command with 404
const char kQuick[] = "10.231.2.7";       // back at once
const char kGone[] = "10.231.2.8";        // as kNever, for the batch (the simulator remembers)
const char kEmpty[] = "10.231.2.9";       // takes the command with an empty 200
const char kCutReset[] = "10.231.2.10";   // restarts in the middle of its reply (reset)
const char kCutSilent[] = "10.231.2.11";  // goes quiet in the middle of its reply

std::wstring W(const char* s) { return std::wstring(s, s + std::char_traits<char>::length(s)); }

class SystemCommandNetns : public testlab::SimulatorSuite<SystemCommandNetns> {
 public:
  static const char* Devices() {
    return "ip=10.231.2.1 mac=00:0F:7C:00:20:01 reboot_ms=400\n"
           "ip=10.231.2.2 mac=00:0F:7C:00:20:02 reboot_ms=never\n"
           "ip=10.231.2.3 mac=00:0F:7C:00:20:03 fail=/cgi-bin/cmd/system?CONFIG_RESET:error\n"
           "ip=10.231.2.4 mac=00:0F:7C:00:20:04 http=off\n"
           "ip=10.231.2.5 mac=00:0F:7C:00:20:05 password=secret reboot_ms=100\n"
           "ip=10.231.2.6 mac=00:0F:7C:00:20:06 fail=/cgi-bin/cmd/system?CONFIG_RESET:status404\n"
           "ip=10.231.2.7 mac=00:0F:7C:00:20:07 reboot_ms=0\n"
           "ip=10.231.2.8 mac=00:0F:7C:00:20:08 reboot_ms=never\n"
           "ip=10.231.2.9 mac=00:0F:7C:00:20:09 reboot_ms=0 fail=/cgi-bin/cmd/system?:empty\n"
           "ip=10.231.2.10 mac=00:0F:7C:00:20:0A reboot_ms=0 fail=/cgi-bin/cmd/system?SAVE_REBOOT:cut_reset\n"
           "ip=10.231.2.11 mac=00:0F:7C:00:20:0B reboot_ms=0 fail=/cgi-bin/cmd/system?CONFIG_RESET:cut\n";
  }
  static std::vector<std::string> Addresses() {
    return {kBack, kNever, kRefuses, kNoHttp, kOwnLogin, kNotFound, kQuick, kGone, kEmpty, kCutReset, kCutSilent};
  }

 protected:
  void Begin() override {
    m_context.io = &HttpDeviceRequests();
    m_context.clock = &m_clock;
    m_context.report = &m_report;
    m_context.stop = std::make_shared<BatchStop>();
  }

  // How many of the simulator's log lines about one device since the test began hold `what`.
  int Count(const char* ip, const std::string& what) const {
    int n = 0;
    for (const std::string& l : LogLinesSince(std::string(" ") + ip + " ")) n += l.find(what) != std::string::npos;
    return n;
  }

  testlab::RecordingClock m_clock{100};
  testlab::RecordingReport m_report;
  BatchContext m_context;
};

TEST_F(SystemCommandNetns, DeviceThatComesBackSucceeds) {
  EXPECT_EQ(RunSystemCommand(m_context, 1, W(kBack), kResetCommand), 509);
  EXPECT_EQ(m_report.Of(1), (std::vector<int>{539, 519, 509}));
  EXPECT_GE(Count(kBack, "GET /cgi-bin/cmd/system?CONFIG_RESET"), 1);
  EXPECT_EQ(Count(kBack, "reboot 10.231.2.1 CONFIG_RESET"), 1);
  // Away for 400 ms = 40 s of the clock: the first look after the 30 s wait finds nothing.
  EXPECT_EQ(m_clock.Count("reboot=30000"), 1);
  EXPECT_GE(m_clock.Count("device back=5000"), 1);
  EXPECT_LT(m_clock.Count("device back=5000"), 10);
}

TEST_F(SystemCommandNetns, DeviceThatNeverComesBackFailsAfterTenLooks) {
  EXPECT_EQ(RunSystemCommand(m_context, 2, W(kNever), kResetCommand), 514);
  EXPECT_EQ(m_report.Of(2), (std::vector<int>{539, 519, 514}));
  EXPECT_EQ(m_clock.Count("reboot=30000"), 1);
  EXPECT_EQ(m_clock.Count("device back=5000"), 10);
  EXPECT_EQ(Count(kNever, "GET /cgi-bin/cmd/system?SYSTEM_INFO"), 10);
}

TEST_F(SystemCommandNetns, RefusedCommandFailsAtOnceWithoutReboot) {
  struct Case {
    const char* ip;
    const SystemCommand* command;
    std::vector<int> statuses;
    int reboots;  // the device acted on the command before its reply was cut
  };
  const std::vector<Case> cases = {
      {kRefuses, &kResetCommand, {539, 514}, 0},      // "ERROR"
      {kNotFound, &kResetCommand, {539, 514}, 0},     // 404
      {kNoHttp, &kSaveRebootCommand, {539, 515}, 0},  // no answer at all
      {kCutReset, &kSaveRebootCommand, {539, 515}, 1},
      {kCutSilent, &kResetCommand, {539, 514}, 1},
  };
  RowHandle row = 10;
  for (const Case& c : cases) {
    EXPECT_EQ(RunSystemCommand(m_context, row, W(c.ip), *c.command), c.statuses.back()) << c.ip;
    EXPECT_EQ(m_report.Of(row), c.statuses) << c.ip;
    EXPECT_EQ(Count(c.ip, "reboot "), c.reboots) << c.ip;
    EXPECT_EQ(Count(c.ip, "SYSTEM_INFO"), 0) << c.ip;
    ++row;
  }
  EXPECT_TRUE(m_clock.Waits().empty());
}

TEST_F(SystemCommandNetns, AnEmptyReplyIsTheCommandTaken) {
  // A device whose web server answers both commands with a 200 and no body: each is taken,
  // the reboot wait follows and the device is back.
  RowHandle row = 40;
  for (const SystemCommand* command : {&kResetCommand, &kSaveRebootCommand}) {
    EXPECT_EQ(RunSystemCommand(m_context, row, W(kEmpty), *command), command->okId);
    EXPECT_EQ(m_report.Of(row), (std::vector<int>{539, 519, command->okId}));
    ++row;
  }
  EXPECT_EQ(Count(kEmpty, "reboot "), 2);
  EXPECT_EQ(m_clock.Count("reboot=30000"), 2);
}

TEST_F(SystemCommandNetns, RefusedFactoryLoginStillCountsAsBack) {
  // The user works with the device's own password; the look after the reboot uses the
  // factory login, which this device refuses: it has answered, so it is back.
  SetUserLogin(L"admin", L"secret");
  EXPECT_EQ(RunSystemCommand(m_context, 20, W(kOwnLogin), kSaveRebootCommand), 510);
  EXPECT_EQ(m_report.Of(20), (std::vector<int>{539, 519, 510}));
  EXPECT_EQ(Count(kOwnLogin, "reboot 10.231.2.5 SAVE_REBOOT"), 1);
}

TEST_F(SystemCommandNetns, ResetBatchThroughTheEngine) {
  testlab::FakeBatchUi ui;
  ui.selection.rows = {testlab::Row(31, W(kQuick)), testlab::Row(32, W(kGone)), testlab::Row(33, W(kRefuses))};
  BatchEngine::Services services;
  services.clock = &m_clock;
  services.report = &m_report;
  BatchEngine engine(ui, services);
  RegisterSystemCommands(engine);
  EXPECT_TRUE(engine.Execute(1009));
  EXPECT_EQ(ui.Events(), (std::vector<std::string>{"rows", "ask:555/562", "box:560", "box closed"}));
  EXPECT_EQ(m_report.Of(31), (std::vector<int>{539, 519, 509}));
  EXPECT_EQ(m_report.Of(32), (std::vector<int>{539, 519, 514}));
  EXPECT_EQ(m_report.Of(33), (std::vector<int>{539, 514}));
  // Declined: nothing is sent.
  ui.answerOk = false;
  const int before = Count(kQuick, "CONFIG_RESET");
  EXPECT_TRUE(engine.Execute(1010));
  EXPECT_EQ(ui.Events().back(), "ask:556/563");
  EXPECT_EQ(Count(kQuick, "CONFIG_RESET"), before);
}

}  // namespace
