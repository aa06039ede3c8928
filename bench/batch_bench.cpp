// A reset batch of 64 simulated devices against one of a single device: the real batch engine
// and reset workers, the devices' waits shortened (a clock 100 times faster than the real one:
// the 30 s reboot wait takes 300 ms; each device is away 300 ms and thinks 10 ms before each
// answer). Prints both wall times (the medians of several rounds, with their range) and their
// ratio, measured in one run (goal: 64 devices under 1.5 times one device: the devices are
// worked on side by side, not one after the other).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/batch/batch_engine.h"
#include "bench/bench_stats.h"
#include "app/batch/system_command.h"
#include "port/net.h"
#include "port/text.h"
#include "tests/support/batch_fakes.h"
#include "tests/support/sim_suite.h"

using Clock = std::chrono::steady_clock;

namespace {

const int kDevices = 64;
const int kRounds = 5;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One reset batch over the rows; returns its wall time, and counts the rows that did not end
// in 509.
double ResetBatch(const std::vector<BatchRow>& rows, int* failures) {
  testlab::FakeBatchUi ui;
  ui.selection.rows = rows;
  testlab::RecordingReport report;
  ScaledClock clock(100);
  BatchEngine::Services services;
  services.clock = &clock;
  services.report = &report;
  BatchEngine engine(ui, services);
  RegisterSystemCommands(engine);
  const auto t0 = Clock::now();
  engine.Execute(1009);
  const double ms = Ms(Clock::now() - t0);
  for (const BatchRow& r : rows)
    if (report.Last(r.row) != 509) ++*failures;
  return ms;
}

}  // namespace

int main() {
  std::string config;
  std::vector<std::string> ips;
  std::vector<BatchRow> rows;
  std::uint32_t first = 0;
  port::ParseIPv4("10.231.8.1", &first);
  for (int i = 0; i < kDevices; ++i) {
    ips.push_back(port::FormatIPv4(first + static_cast<std::uint32_t>(i)));
    char mac[32];
    std::snprintf(mac, sizeof mac, "00:0F:7C:08:00:%02X", i);
    config += "ip=" + ips.back() + " mac=" + mac + " reboot_ms=300 reply_delay_ms=10\n";
    rows.push_back(testlab::Row(static_cast<RowHandle>(1000 + i), port::FromLocal8(ips.back()), port::FromLocal8(mac)));
  }
  testlab::SharedSimulator sim;
  if (!sim.Start(config, ips) || !sim.Enter()) {
    std::fprintf(stderr, "batch: the test network or the simulator did not start (root needed)\n");
    return 2;
  }
  std::printf("batch: reset of %d simulated devices, %u CPUs\n", kDevices, std::thread::hardware_concurrency());
  int failures = 0;
  ResetBatch(rows, &failures);  // warm-up: link-layer addresses, the simulator's threads
  bench::Samples alone, crowd;
  for (int round = 0; round < kRounds; ++round) {
    alone.Add(ResetBatch({rows[static_cast<std::size_t>(round)]}, &failures));
    crowd.Add(ResetBatch(rows, &failures));
  }
  sim.Leave();
  const double a = alone.Median(), c = crowd.Median();
  std::printf("  one device             %s\n", alone.Describe("ms").c_str());
  std::printf("  %d devices at once     %s\n", kDevices, crowd.Describe("ms").c_str());
  std::printf("  ratio 64/one           %9.2f\n", c / a);
  std::printf("  rows not ending in 509 %6d\n", failures);
  bench::PrintGoal("batch: a reset of 64 devices against one", c / a, "", true, 1.5, 2);
  bench::PrintGoal("batch: rows not ending in 509", failures, "", true, 0, 0);
  return failures == 0 ? 0 : 1;
}
