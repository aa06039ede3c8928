// The range scan of a /24 with ten simulated devices (three with their web server on port 8080)
// whose every other address is silent: what a host sends there is dropped, so each request to
// it waits for its connect bound. Measured in one run, each set-up several times:
//   - one zone per port: the /24 on port 80 and the /24 on port 8080, side by side (each zone
//     the whole /24, as one zone of the dialog scans it);
//   - ten zones: the /24 in five parts, on each port;
//   - a stop: the time from the stop button to the end of the scan, found devices saved.
// Prints each figure as the median of several runs (default 5, or the argument) with the goal
// lines of bench/bench_stats.h: one zone within 60 s, ten zones within 15 s, a stop within 2 s,
// and all ten devices found and saved in every run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/device_list/manual_devices.h"
#include "bench/bench_stats.h"
#include "app/range_scan/range_scan.h"
#include "device/http_port_map.h"
#include "port/net.h"
#include "port/text.h"
#include "tests/support/netns_lab.h"

using Clock = std::chrono::steady_clock;

namespace {

const char kNet[] = "10.231.70.";
const int kDevices[] = {5, 17, 20, 33, 50, 77, 90, 101, 150, 200};
const std::set<int> kOn8080 = {20, 90, 200};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::uint32_t Ip(int last) {
  std::uint32_t a = 0;
  port::ParseIPv4(kNet + std::to_string(last), &a);
  return a;
}

std::vector<ScanZone> Zones(int parts) {
  std::vector<ScanZone> zones;
  for (int port : {80, 8080})
    for (int p = 0; p < parts; ++p) {
      ScanZone z;
      z.first = Ip(256 * p / parts);
      z.last = Ip(256 * (p + 1) / parts - 1);
      z.port = port;
      zones.push_back(z);
    }
  return zones;
}

struct Outcome {
  double seconds = 0;
  std::size_t found = 0;
  std::size_t saved = 0;
};

// One scan; with stopAfterMs >= 0 the stop is pressed then, and the time is the stop's.
Outcome Scan(const std::vector<ScanZone>& zones, int stopAfterMs = -1) {
  g_ManualMacMap.Clear();
  g_ManualHttpMap.Clear();
  g_HttpPortMap.Clear();
  RangeScanHooks hooks = DeviceScanHooks();
  Outcome o;
  hooks.save = [&o](const std::map<std::wstring, std::wstring>& m) { o.saved = m.size(); };
  RangeScan scan(zones, hooks, ScanTexts());
  auto t0 = Clock::now();
  scan.Start();
  if (stopAfterMs >= 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(stopAfterMs));
    t0 = Clock::now();
    scan.Stop();
  }
  while (!scan.Ended()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  o.seconds = Seconds(Clock::now() - t0);
  o.found = scan.Found().size();
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  testlab::NetnsLab lab(1);
  if (!lab.Ok()) {
    std::fprintf(stderr, "lab: %s\n", lab.Error().c_str());
    return 2;
  }
  const std::string conf = lab.Dir() + "/devices.conf";
  std::vector<std::string> live, silent;
  {
    std::ofstream f(conf);
    for (int i : kDevices) {
      live.push_back(kNet + std::to_string(i));
      char mac[32];
      std::snprintf(mac, sizeof mac, "00:0F:7C:00:70:%02X", i);
      f << "ip=" << live.back() << " mac=" << mac << " firmware=A1D-310-V5.00.01 http_port="
        << (kOn8080.count(i) ? 8080 : 80) << "\n";
    }
  }
  for (int i = 0; i < 256; ++i)
    if (std::find(std::begin(kDevices), std::end(kDevices), i) == std::end(kDevices))
      silent.push_back(kNet + std::to_string(i));
  if (!lab.AddDeviceAddresses(0, live) || !lab.SilenceAddresses(silent) ||
      lab.StartSimulator(0, {"--config", conf}) <= 0 || !lab.EnterHost()) {
    std::fprintf(stderr, "test network or simulator did not start\n");
    return 2;
  }
  std::printf("range scan of %s0/24: 10 devices (3 on port 8080), %zu silent addresses; window %d, connect bound %d ms\n",
              kNet, silent.size(), kScanWindow, kScanConnectMs);
  std::size_t fewest = 10;
  struct Setup {
    const char* name;
    int parts;
    int stopAfterMs;
    double goal;
  } setups[] = {{"one zone per port (the /24 on 80 and on 8080)", 1, -1, 60},
                {"ten zones (the /24 in five parts, on each port)", 5, -1, 15},
                {"stop 4 s into the scan, to its end", 1, 4000, 2}};
  std::vector<bench::Samples> figures(3);
  for (int s = 0; s < 3; ++s) {
    for (int r = 0; r < runs; ++r) {
      const Outcome o = Scan(Zones(setups[s].parts), setups[s].stopAfterMs);
      figures[s].Add(o.seconds);
      std::printf("  %-48s run %d: %7.3f s, %zu devices found, %zu saved\n", setups[s].name, r + 1, o.seconds, o.found,
                  o.saved);
      if (setups[s].stopAfterMs < 0) fewest = std::min({fewest, o.found, o.saved});
    }
    std::printf("  %-48s %s\n", setups[s].name, figures[s].Describe("s", 3).c_str());
  }
  // Asked one address after another, each silent one waiting out two 30-s time-outs.
  std::printf("  one address at a time without the connect bound would take about %.1f h per zone\n",
              static_cast<double>(silent.size()) * 2 * kScanTimeoutMs / 1000.0 / 3600);
  bool met = true;
  met &= bench::PrintGoal("range scan: a /24 with 10 devices and 246 silent addresses, one zone per port",
                          figures[0].Median(), "s", true, 60);
  met &= bench::PrintGoal("range scan: the same /24 as ten zones", figures[1].Median(), "s", true, 15);
  met &= bench::PrintGoal("range scan: end of the scan after the stop button", figures[2].Median(), "s", true, 2, 3);
  met &= bench::PrintGoal("range scan: devices found and saved, fewest of every full run", static_cast<double>(fewest), "",
                          false, 10, 0);
  return met ? 0 : 1;
}
