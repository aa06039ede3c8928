// The range scan of a /24 with ten simulated devices (three with their web server on port 8080)
// whose every other address is silent: what a host sends there is dropped, so each request to
// it waits for its connect bound. Measured in one run, each set-up several times:
//   - one zone per port: the /24 on port 80 and the /24 on port 8080, side by side (each zone
//     the whole /24, as one zone of the dialog scans it);
//   - ten zones: the /24 in five parts, on each port;
//   - a stop: the time from the stop button to the end of the scan, found devices saved.
// Prints the wall times, the devices found (all ten, every run) and the ratio to each goal
// (one zone under 60 s, ten zones under 15 s, a stop within 2 s).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/manual_devices.h"
#include "app/range_scan.h"
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

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
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
  bool allFound = true;
  struct Setup {
    const char* name;
    int parts;
    double goal;
  } setups[] = {{"one zone per port (2 zones of 256)", 1, 60}, {"ten zones (5 parts x 2 ports)", 5, 15}};
  for (const Setup& s : setups) {
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
      const Outcome o = Scan(Zones(s.parts));
      times.push_back(o.seconds);
      std::printf("  %-36s run %d: %6.2f s, %zu devices found, %zu saved\n", s.name, r + 1, o.seconds, o.found, o.saved);
      allFound = allFound && o.found == 10 && o.saved == 10;
    }
    const double m = Median(times);
    std::printf("  %-36s median %6.2f s; goal %.0f s; ratio to goal %.2f\n", s.name, m, s.goal, m / s.goal);
  }
  std::vector<double> stops;
  for (int r = 0; r < runs; ++r) {
    const Outcome o = Scan(Zones(1), 4000);
    stops.push_back(o.seconds);
    std::printf("  %-36s run %d: ended %.3f s after the stop, %zu devices found and saved\n", "stop after 4 s", r + 1,
                o.seconds, o.saved);
  }
  const double stop = Median(stops);
  std::printf("  %-36s median %.3f s; goal 2 s; ratio to goal %.2f\n", "stop", stop, stop / 2);
  // Asked one address after another, each silent one waiting out two 30-s time-outs.
  const double literal = static_cast<double>(silent.size()) * 2 * kScanTimeoutMs / 1000.0;
  std::printf("  one address at a time with no connect bound: about %.1f h per zone\n", literal / 3600);
  std::printf("  all ten devices found in every run: %s\n", allFound ? "yes" : "NO");
  return allFound ? 0 : 1;
}
