// GetDeviceInfo against many simulated devices at once: 64 threads, each asking its own
// device (7 requests, each with a login challenge), against one device asked alone. Prints
// both wall times (the median of several rounds, with their range) and their ratio, measured
// in one run (goal: the crowd under 1.5 times one device).
//
// Two set-ups: devices that take 10 ms to answer each request, as real devices' small CPUs
// do (the ratio then shows whether queries to different devices wait for each other), and
// devices that answer at once (the ratio then mostly shows this machine's CPU count, as 64
// clients and 64 simulated devices share it).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stats.h"
#include "device/device_info.h"
#include "port/net.h"
#include "tests/support/netns_lab.h"

using Clock = std::chrono::steady_clock;

namespace {

const int kDevices = 64;
const int kRounds = 7;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

bool AskOne(const std::string& ip) {
  DeviceRecord rec;
  return GetDeviceInfo(0, Wide(ip), rec) == 0 && !rec[SLOT_FIRMWARE].empty();
}

// Returns the number of failed queries; `ratio` gets the crowd's median over one device's.
int Measure(int delayMs, double* ratio) {
  testlab::NetnsLab lab(1);
  if (!lab.Ok()) {
    std::fprintf(stderr, "lab: %s\n", lab.Error().c_str());
    std::exit(2);
  }
  std::uint32_t first = 0;
  port::ParseIPv4("10.231.3.1", &first);
  std::vector<std::string> ips;
  std::string conf = lab.Dir() + "/devices.conf";
  std::ofstream f(conf);
  for (int i = 0; i < kDevices; ++i) {
    ips.push_back(port::FormatIPv4(first + static_cast<std::uint32_t>(i)));
    char mac[32];
    std::snprintf(mac, sizeof mac, "00:0F:7C:03:00:%02X", i);
    f << "ip=" << ips.back() << " mac=" << mac << " firmware=A1D-310-V5.00.01-AC model=CAM-3100 serial=SN" << i
      << " name=Camera" << i << " multicast=239.1.0.1 platform=R9 reply_delay_ms=" << delayMs << "\n";
  }
  f.close();
  lab.AddDeviceAddresses(0, ips);
  if (lab.StartSimulator(0, {"--config", conf}) <= 0) {
    std::fprintf(stderr, "simulator did not start\n");
    std::exit(2);
  }
  lab.EnterHost();
  // Warm up: the first exchange with each address also resolves its link-layer address.
  int failures = 0;
  for (const auto& ip : ips)
    if (!AskOne(ip)) ++failures;

  bench::Samples alone, crowd;
  for (int round = 0; round < kRounds; ++round) {
    auto t0 = Clock::now();
    if (!AskOne(ips[static_cast<std::size_t>(round % kDevices)])) ++failures;
    alone.Add(Ms(Clock::now() - t0));

    std::vector<std::thread> threads;
    std::vector<char> ok(kDevices, 0);
    t0 = Clock::now();
    for (int i = 0; i < kDevices; ++i)
      threads.emplace_back([&, i] { ok[static_cast<std::size_t>(i)] = AskOne(ips[static_cast<std::size_t>(i)]); });
    for (auto& t : threads) t.join();
    crowd.Add(Ms(Clock::now() - t0));
    for (char c : ok)
      if (!c) ++failures;
  }
  lab.LeaveHost();
  const double a = alone.Median(), c = crowd.Median();
  std::printf("device-info, devices answering after %2d ms:\n", delayMs);
  std::printf("  one device alone      %s\n", alone.Describe("ms", 2).c_str());
  std::printf("  %d devices at once    %s\n", kDevices, crowd.Describe("ms", 2).c_str());
  std::printf("  ratio crowd/alone     %9.2f\n", c / a);
  std::printf("  failed queries        %6d\n", failures);
  *ratio = c / a;
  return failures;
}

}  // namespace

int main() {
  unsigned cpus = std::thread::hardware_concurrency();
  std::printf("device-info: %d threads, %d simulated devices, %u CPUs\n", kDevices, kDevices, cpus);
  double slowDevices = 0, quickDevices = 0;
  int failures = Measure(10, &slowDevices);
  failures += Measure(0, &quickDevices);
  bench::PrintGoal("device-info: 64 devices at once against one (devices answering after 10 ms)", slowDevices, "",
                   true, 1.5, 2);
  bench::PrintGoal("device-info: failed queries", failures, "", true, 0, 0);
  return failures == 0 ? 0 : 1;
}
