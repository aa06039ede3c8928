// How fast discovery brings a crowd of devices to its owner, and how many answers it loses.
// For each crowd size: one search against that many simulated devices answering in one burst;
// prints the time from the probe to the last record handed over, the answers lost, and the
// ratio of that time to one device's round trip (probe to its record) measured in the same run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "device/device_searcher.h"
#include "port/net.h"
#include "tests/support/netns_lab.h"
#include "tests/support/recording_owner.h"

using Clock = std::chrono::steady_clock;

namespace {

struct Result {
  double ms = 0;
  std::size_t received = 0;
};

// One lab per crowd, so that each crowd answers alone.
Result Measure(int devices) {
  testlab::NetnsLab lab(1);
  Result res;
  if (!lab.Ok()) {
    std::fprintf(stderr, "lab: %s\n", lab.Error().c_str());
    std::exit(2);
  }
  std::uint32_t first = 0;
  port::ParseIPv4("10.231.1.1", &first);
  std::vector<std::string> ips;
  for (int i = 0; i < devices; ++i) ips.push_back(port::FormatIPv4(first + static_cast<std::uint32_t>(i)));
  lab.AddDeviceAddresses(0, ips);
  if (lab.StartSimulator(0, {"--generate", std::to_string(devices), "--first-ip", "10.231.1.1"}) <= 0) {
    std::fprintf(stderr, "simulator did not start\n");
    std::exit(2);
  }
  lab.EnterHost();
  testlab::RecordingOwner owner;
  DeviceSearcher searcher;
  searcher.Start(&owner);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const std::size_t expected = static_cast<std::size_t>(2 * devices);  // 6005 and 6055
  auto t0 = Clock::now();
  searcher.Search(testlab::NetnsLab::kHostIp);
  owner.WaitFor(expected, 0, 60000);
  // Wait for stragglers: done when nothing has come for a second.
  for (;;) {
    std::size_t before = owner.Records().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    if (owner.Records().size() == before) break;
  }
  res.received = owner.Records().size();
  res.ms = std::chrono::duration<double, std::milli>(owner.LastArrival() - t0).count();
  searcher.Stop();
  return res;
}

}  // namespace

int main(int argc, char** argv) {
  if (!testlab::NetnsLab::Available()) {
    std::fprintf(stderr, "needs root and the ip tool\n");
    return 2;
  }
  std::vector<int> crowds = {256, 1000};
  if (argc > 1) {
    crowds.clear();
    for (int i = 1; i < argc; ++i) crowds.push_back(std::atoi(argv[i]));
  }
  // One round trip: the best of five single-device searches.
  double single = 1e9;
  for (int i = 0; i < 5; ++i) {
    Result one = Measure(1);
    if (one.received >= 2 && one.ms < single) single = one.ms;
  }
  std::printf("discovery: one device, probe to its records: %.2f ms\n", single);
  std::printf("%8s %12s %10s %10s %14s\n", "devices", "answers", "lost", "last ms", "ratio to one");
  for (int n : crowds) {
    Result r = Measure(n);
    std::size_t expected = static_cast<std::size_t>(2 * n);
    std::size_t lost = r.received >= expected ? 0 : expected - r.received;
    std::printf("%8d %12zu %10zu %10.1f %14.1f\n", n, r.received, lost, r.ms, r.ms / single);
  }
  return 0;
}
