// One simulator shared by the tests of a suite, in a test network of its own, with its request
// log: the set-up every namespace test of an operation needs.
//
//   static testlab::SharedSimulator s_sim;               // in the fixture
//   static void SetUpTestSuite() { s_sim.Start(kDevices, {"10.231.2.1", ...}); }
//   static void TearDownTestSuite() { s_sim.Stop(); }
//   void SetUp() override { ASSERT_TRUE(s_sim.Enter()) ...; m_mark = s_sim.LogSize(); }
//   void TearDown() override { s_sim.Leave(); }
//   ... s_sim.LogLinesSince(m_mark, "10.231.2.1") ...
#pragma once
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

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

}  // namespace testlab
