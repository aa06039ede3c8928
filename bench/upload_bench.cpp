// How fast a firmware upload goes over a namespace link. A 32 MiB file is uploaded to a
// simulated device (the whole multipart POST, the device's checks and its answer) and the
// same bytes are copied over plain TCP to a sink on the same link; prints both throughputs
// and their ratio (goal: at least 0.8). Then 16 devices take the same upload at once; prints
// the wall time against one upload alone. One upload of 32 MiB lasts only milliseconds here,
// too short to time on a shared machine: each sample repeats the transfer until it has
// lasted a second, and the median of several samples is printed with their range.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stats.h"
#include "device/cgi_urls.h"
#include "device/multipart_upload.h"
#include "port/net.h"
#include "port/text.h"
#include "tests/support/netns_lab.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kFileSize = 32u * 1024 * 1024;
constexpr int kRounds = 5;
constexpr double kSampleMs = 1000;
constexpr int kParallel = 16;
constexpr std::uint16_t kSinkPort = 9000;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// Two transfers taken in turns until each has had kSampleMs in all, so that both meet the
// same load; the time of one of each.
template <class A, class B>
std::pair<double, double> SamplePair(A a, B b) {
  double ta = 0, tb = 0;
  int n = 0;
  while (ta < kSampleMs || tb < kSampleMs) {
    auto t0 = Clock::now();
    a();
    auto t1 = Clock::now();
    b();
    tb += Ms(t1, Clock::now());
    ta += Ms(t0, t1);
    ++n;
  }
  return {ta / n, tb / n};
}

void Die(const char* what) {
  std::fprintf(stderr, "upload_bench: %s\n", what);
  std::exit(2);
}

// A plain TCP sink in the device namespace: reads each connection to its end, answers "OK".
class Sink {
 public:
  Sink(const std::string& ns, const std::string& ip) {
    m_thread = std::thread([this, ns, ip] { Run(ns, ip); });
    while (!m_ready) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ~Sink() {
    m_stop = true;
    if (m_fd >= 0) shutdown(m_fd, SHUT_RDWR);
    m_thread.join();
  }

 private:
  void Run(const std::string& ns, const std::string& ip) {
    int nsfd = open(("/var/run/netns/" + ns).c_str(), O_RDONLY);
    if (nsfd < 0 || setns(nsfd, CLONE_NEWNET) != 0) Die("cannot enter the device namespace");
    close(nsfd);
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(kSinkPort);
    inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(m_fd, 4) != 0) Die("sink bind");
    m_ready = true;
    std::vector<char> buf(1 << 16);
    while (!m_stop) {
      int c = accept(m_fd, nullptr, nullptr);
      if (c < 0) break;
      while (recv(c, buf.data(), buf.size(), 0) > 0) {
      }
      send(c, "OK", 2, MSG_NOSIGNAL);
      close(c);
    }
  }
  std::thread m_thread;
  std::atomic<bool> m_ready{false}, m_stop{false};
  int m_fd = -1;
};

// Copies the bytes to the sink and waits for its answer; the time in ms.
double PlainCopy(const std::string& ip, const std::string& bytes) {
  auto t0 = Clock::now();
  port::socket_t s = port::TcpSocket();
  if (!port::ConnectTimeout(s, ip, kSinkPort, 5000)) Die("sink connect");
  if (!port::SendAll(s, bytes.data(), bytes.size(), 10000)) Die("sink send");
  shutdown(static_cast<int>(s), SHUT_WR);
  char reply[8];
  if (port::RecvSome(s, reply, sizeof reply, 10000) <= 0) Die("sink answer");
  port::CloseSocket(s);
  return Ms(t0, Clock::now());
}

UpgradeJob Job(const std::string& ip, const std::string& file) {
  UpgradeJob j;
  j.kind = UPGRADE_FIRMWARE;
  j.ip = port::FromLocal8(ip);
  j.filePath = port::FromLocal8(file);
  return j;
}

double Upload(const UpgradeJob& job) {
  static const UpgradeForm form{"/cgi-bin/upload.cgi", "upfile", "md5file", "apply"};
  auto t0 = Clock::now();
  int r = PostFile(nullptr, BuildUpgradeUrl(0, UPGRADE_FIRMWARE, false), job, form);
  double ms = Ms(t0, Clock::now());
  if (r != RESULT_SUCCESS) Die(("upload failed with " + std::to_string(r)).c_str());
  return ms;
}

}  // namespace

int main() {
  if (!testlab::NetnsLab::Available()) Die("needs root and the ip tool");
  testlab::NetnsLab lab(1);
  if (!lab.Ok()) Die(lab.Error().c_str());
  std::vector<std::string> ips;
  std::string conf = lab.Dir() + "/devices.conf";
  {
    std::ofstream f(conf);
    for (int i = 1; i <= kParallel; ++i) {
      ips.push_back("10.231.1." + std::to_string(i));
      char mac[32];
      std::snprintf(mac, sizeof mac, "00:0F:7C:00:03:%02X", i);
      f << "ip=" << ips.back() << " mac=" << mac << " firmware=K7W-320-V3.13.01-QT reboot_ms=0\n";
    }
  }
  if (!lab.AddDeviceAddresses(0, ips)) Die("addresses");
  if (lab.StartSimulator(0, {"--config", conf}) <= 0) Die("simulator did not start");
  Sink sink(lab.DeviceNamespace(0), ips[0]);
  if (!lab.EnterHost()) Die("host namespace");

  std::string file = lab.Dir() + "/K7W-320-V3.14.00-QT.upg";
  std::string bytes(kFileSize, '\0');
  std::mt19937 rng(7);
  for (auto& c : bytes) c = static_cast<char>(rng());
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

  const UpgradeJob one = Job(ips[0], file);
  Upload(one);  // warm the page cache and the link
  PlainCopy(ips[0], bytes);
  // Uploads and copies take turns, so that both meet the same load; the ratio is taken per
  // sample.
  bench::Samples upload, copy, ratio, parallel;
  for (int r = 0; r < kRounds; ++r) {
    const auto uc = SamplePair([&] { Upload(one); }, [&] { PlainCopy(ips[0], bytes); });
    upload.Add(uc.first);
    copy.Add(uc.second);
    ratio.Add(uc.second / uc.first);
  }
  bench::Samples parallelRatio;
  for (int r = 0; r < kRounds; ++r) {
    const auto op = SamplePair([&] { Upload(one); },
                               [&] {
                                 std::vector<std::thread> threads;
                                 for (int i = 0; i < kParallel; ++i)
                                   threads.emplace_back([&, i] { Upload(Job(ips[static_cast<std::size_t>(i)], file)); });
                                 for (auto& t : threads) t.join();
                               });
    parallel.Add(op.second);
    parallelRatio.Add(op.second / op.first);
  }
  const double mib = static_cast<double>(kFileSize) / (1024.0 * 1024.0);
  std::printf("upload of %.0f MiB:   %s, %.0f MiB/s\n", mib, upload.Describe("ms").c_str(),
              mib * 1000.0 / upload.Median());
  std::printf("plain TCP copy:      %s, %.0f MiB/s\n", copy.Describe("ms").c_str(), mib * 1000.0 / copy.Median());
  std::printf("upload / plain throughput ratio: %s\n", ratio.Describe("", 2).c_str());
  std::printf("%d parallel uploads: %s wall, %.0f MiB/s in all\n", kParallel, parallel.Describe("ms").c_str(),
              kParallel * mib * 1000.0 / parallel.Median());
  std::printf("  against one upload: %s times\n", parallelRatio.Describe("", 2).c_str());
  bench::PrintGoal("upload: throughput against a plain TCP copy", ratio.Median(), "", false, 0.8, 2);
  lab.LeaveHost();
  return 0;
}
