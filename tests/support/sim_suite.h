// One simulator shared by the tests of a suite, in a test network of its own, with its request
// log: the set-up every namespace test of an operation needs. A fixture derives from
// SimulatorSuite and names its devices:
//
//   class ResetNetns : public testlab::SimulatorSuite<ResetNetns> {
//    public:
//     static const char* Devices() { return "ip=10.231.2.1 mac=... reboot_ms=400\n"; }
//     static std::vector<std::string> Addresses() { return {"10.231.2.1"}; }
//    protected:
//     void Begin() override { ... }   // after the base's set-up, in the host namespace
//   };
//   TEST_F(ResetNetns, ...) { ... LogLinesSince("10.231.2.1") ... }
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "device/login.h"
#include "tests/support/netns_lab.h"
#include "tests/support/read_file.h"

namespace testlab {

class SharedSimulator {
 public:
  // Makes the lab, puts the addresses on its device namespace and starts the simulator with
  // `config` (its device lines, tools/devsim/config.h). False when the machine cannot (no
  // root: the tests then skip) or the simulator did not start.
  bool Start(const std::string& config, const std::vector<std::string>& addresses,
             const std::vector<std::string>& extraArgs = {}) {
    if (!NetnsLab::Available()) return false;
    m_lab.reset(new NetnsLab(1));
    if (!m_lab->Ok()) return Fail();
    const std::string conf = m_lab->Dir() + "/devices.conf";
    std::ofstream(conf) << config;
    m_log = m_lab->Dir() + "/requests.log";
    std::vector<std::string> args = {"--config", conf, "--log", m_log};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    if (!m_lab->AddDeviceAddresses(0, addresses) || m_lab->StartSimulator(0, args) < 0) return Fail();
    return true;
  }
  void Stop() { m_lab.reset(); }
  bool Running() const { return m_lab && m_lab->Ok(); }
  NetnsLab* Lab() const { return m_lab.get(); }

  // The calling thread (and the threads it starts) goes into the host namespace.
  bool Enter() { return Running() && m_lab->EnterHost(); }
  void Leave() {
    if (m_lab) m_lab->LeaveHost();
  }

  std::size_t LogSize() const { return ReadFile(m_log).size(); }
  // The log lines written since `mark` (a LogSize) that contain `needle` (all when empty).
  std::vector<std::string> LogLinesSince(std::size_t mark, const std::string& needle = std::string()) const {
    const std::string text = ReadFile(m_log);
    std::istringstream in(mark < text.size() ? text.substr(mark) : std::string());
    std::vector<std::string> out;
    std::string line;
    while (std::getline(in, line))
      if (needle.empty() || line.find(needle) != std::string::npos) out.push_back(line);
    return out;
  }

 private:
  bool Fail() {
    m_lab.reset();
    return false;
  }
  std::unique_ptr<NetnsLab> m_lab;
  std::string m_log;
};

// The fixture: the suite's simulator is started once; every test runs in the host namespace
// with the factory login as the user's, and sees the log lines written since it began.
template <class Suite>
class SimulatorSuite : public ::testing::Test {
 public:
  static void SetUpTestSuite() { Sim().Start(Suite::Devices(), Suite::Addresses()); }
  static void TearDownTestSuite() { Sim().Stop(); }

 protected:
  void SetUp() override {
    if (!NetnsLab::Available()) GTEST_SKIP() << "needs root and the ip tool";
    ASSERT_TRUE(Sim().Enter()) << "test network or simulator did not start";
    FactoryLogin();
    m_mark = Sim().LogSize();
    Begin();
  }
  void TearDown() override {
    if (IsSkipped()) return;
    End();
    Sim().Leave();
    FactoryLogin();
  }
  // The suite's own steps after the set-up and before the tear-down.
  virtual void Begin() {}
  virtual void End() {}

  static SharedSimulator& Sim() {
    static SharedSimulator s;
    return s;
  }
  // The simulator's log lines since the test began that hold `needle`.
  std::vector<std::string> LogLinesSince(const std::string& needle) const { return Sim().LogLinesSince(m_mark, needle); }
  static void FactoryLogin() {
    const Login d = DefaultLogin();
    SetUserLogin(d.user, d.password);
  }

  std::size_t m_mark = 0;
};

}  // namespace testlab
