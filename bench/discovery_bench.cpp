// How fast discovery brings a crowd of devices to its owner, and how many answers it loses.
// For each crowd size: searches against that many simulated devices answering in one burst,
// repeated in a lab of the crowd's own; prints the median time from the probe to the last
// record handed over (with the range of the runs), the answers lost, and the ratio of that
// time to one device's best round trip (probe to its record), measured in the same run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stats.h"
#include "device/device_searcher.h"
#include "port/net.h"
#include "tests/support/netns_lab.h"
#include "tests/support/recording_owner.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 5;

struct Result {
  double ms = 0;
  std::size_t received = 0;
};

// One lab per crowd, so that each crowd answers alone; `searches` searches in it, one after
// the other, each done when nothing more has come for `quietMs`.
std::vector<Result> Measure(int devices, int searches, int quietMs) {
  testlab::NetnsLab lab(1);
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
  std::vector<Result> results;
  for (int s = 0; s < searches; ++s) {
    searcher.CloseSockets();
    owner.Clear();
    auto t0 = Clock::now();
    searcher.Search(testlab::NetnsLab::kHostIp);
    owner.WaitFor(expected, 0, 60000);
    // Wait for stragglers: done when nothing has come for a while.
    for (;;) {
      std::size_t before = owner.Records().size();
      std::this_thread::sleep_for(std::chrono::milliseconds(quietMs));
      if (owner.Records().size() == before) break;
    }
    Result res;
    res.received = owner.Records().size();
    res.ms = std::chrono::duration<double, std::milli>(owner.LastArrival() - t0).count();
    results.push_back(res);
  }
  searcher.Stop();
  lab.LeaveHost();
  return results;
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
  bench::Samples single;
  for (const Result& one : Measure(1, 2 * kRuns, 300))
    if (one.received >= 2) single.Add(one.ms);
  if (single.Empty()) {
    std::fprintf(stderr, "one device never answered\n");
    return 1;
  }
  // One answer waits for the dispatcher's next pass, 0 to 5 ms and more: single round trips
  // scatter by that much, and the best of them is the round trip itself.
  std::printf("discovery: one device, probe to its records: best %.2f ms; %s\n", single.Min(),
              single.Describe("ms", 2).c_str());
  std::printf("%8s %8s %6s %10s  %-44s %12s\n", "devices", "answers", "lost", "last ms", "(runs)", "ratio to one");
  std::size_t lostAll = 0;
  for (int n : crowds) {
    bench::Samples last;
    std::size_t fewest = static_cast<std::size_t>(-1), lost = 0;
    const std::size_t expected = static_cast<std::size_t>(2 * n);
    for (const Result& r : Measure(n, kRuns, 1000)) {
      last.Add(r.ms);
      if (r.received < fewest) fewest = r.received;
      lost += r.received >= expected ? 0 : expected - r.received;
    }
    lostAll += lost;
    char runs[96];
    std::snprintf(runs, sizeof runs, "(median of %zu: %.1f to %.1f, spread %.0f%%)", last.Count(), last.Min(),
                  last.Max(), last.SpreadPercent());
    std::printf("%8d %8zu %6zu %10.1f  %-44s %12.1f\n", n, fewest, lost, last.Median(), runs,
                last.Median() / single.Min());
  }
  bench::PrintGoal("discovery: answers lost in all runs", static_cast<double>(lostAll), "", true, 0, 0);
  return 0;
}
