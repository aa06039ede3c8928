// The upgrade engine's job sequence, driven by fake device requests and a fake discovery,
// on a clock that runs a thousand times faster than the real one.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/firmware_upgrader.h"

namespace {

class Recorder : public UpgradeEvents {
 public:
  void OnDeviceStatus(UpgradeRow row, int id) override { Add("S" + std::to_string(row) + ":" + std::to_string(id)); }
  void OnDeviceAddress(UpgradeRow row, std::wstring ip) override {
    Add("A" + std::to_string(row) + ":" + std::string(ip.begin(), ip.end()));
  }
  void OnDeviceFirmware(UpgradeRow row, std::wstring fw) override {
    Add("F" + std::to_string(row) + ":" + std::string(fw.begin(), fw.end()));
  }
  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> l(m);
    return events;
  }

 private:
  void Add(const std::string& e) {
    std::lock_guard<std::mutex> l(m);
    events.push_back(e);
  }
  std::mutex m;
  std::vector<std::string> events;
};

class FakeIo : public UpgradeIo {
 public:
  int cgiRequests = 0;
  int urlRequests = 0;
  std::wstring lastUrl;
  int urlResult = 12;
  int GetCgi(const std::wstring&, const std::wstring&, char* reply, int, int) override {
    ++cgiRequests;
    reply[0] = 0;
    return -1;
  }
  int GetUrl(const std::wstring& url, int, char* reply, int) override {
    ++urlRequests;
    lastUrl = url;
    reply[0] = 0;
    return urlResult;
  }
};

// Discovery stand-in: every search hands the engine what `answer` gives.
class FakeDiscovery : public UpgradeRediscovery {
 public:
  std::function<void()> answer;
  int searches = 0;
  void SearchAgain() override {
    ++searches;
    if (answer) answer();
  }
};

class CountingClock : public ScaledClock {
 public:
  CountingClock() : ScaledClock(1000) {}
  void OnWait(const char* what, std::int64_t ms) override {
    std::lock_guard<std::mutex> l(m);
    waits.push_back(std::string(what) + "=" + std::to_string(ms));
  }
  int Count(const std::string& w) {
    std::lock_guard<std::mutex> l(m);
    int n = 0;
    for (auto& x : waits) n += x == w;
    return n;
  }
  std::mutex m;
  std::vector<std::string> waits;
};

struct Rig {
  FakeIo io;
  FakeDiscovery discovery;
  CountingClock clock;
  Recorder events;
  FirmwareUpgrader engine{&io, &discovery, &clock};

  UpgradeJob NetworkJob(UpgradeRow row, const std::wstring& mac) {
    UpgradeJob j;
    j.row = row;
    j.kind = UPGRADE_NETWORK;
    j.owner = &events;
    j.ip = L"10.231.1.5";
    j.mac = mac;
    j.firmware = L"K7W-700-V6.09.05-LV";
    j.channels.push_back(UpgradeChannel{0, row});
    return j;
  }
  void RunToEnd() {
    while (!engine.IsFinished()) port::SleepMs(5);
    engine.EndBatch();
  }
};

TEST(FirmwareUpgrader, NetworkUpgradeReportsEveryStep) {
  Rig rig;
  rig.discovery.answer = [&] { rig.engine.SetDeviceInfo(L"00:0F:7C:00:00:01", L"10.231.1.9", L"K7W-700-V6.10.01-LV"); };
  rig.engine.BeginBatch();
  rig.engine.StartDevice(rig.NetworkJob(7, L"00:0F:7C:00:00:01"));
  rig.RunToEnd();
  EXPECT_EQ(rig.events.Events(), (std::vector<std::string>{"S7:518", "S7:520", "S7:519", "A7:10.231.1.9",
                                                           "F7:K7W-700-V6.10.01-LV", "S7:508", "S7:508"}));
  EXPECT_EQ(rig.engine.FinishedJobs(), 1u);
  EXPECT_EQ(rig.io.cgiRequests, 0);  // no information, rule or form request for kind 9
  EXPECT_EQ(rig.io.urlRequests, 1);
  EXPECT_EQ(rig.io.lastUrl.rfind(L"http://10.231.1.5:80/cgi-bin/update?", 0), 0u);
  EXPECT_NE(rig.io.lastUrl.find(L"FIRMWARE_NETWORK"), std::wstring::npos);
  EXPECT_EQ(rig.clock.Count("reboot=45000"), 1);
  EXPECT_GE(rig.discovery.searches, 1);
  EXPECT_FALSE(rig.engine.IsAwaited(L"00:0F:7C:00:00:01"));  // forgotten at the batch's end
}

TEST(FirmwareUpgrader, FailuresEndTheJobWithoutAnyWaitOrSearch) {
  Rig rig;
  rig.io.urlResult = 0;  // the network upgrade request gets no answer
  UpgradeJob noAddress = rig.NetworkJob(2, L"00:0F:7C:00:00:02");
  noAddress.kind = UPGRADE_FIRMWARE;
  noAddress.ip.clear();
  rig.engine.BeginBatch();
  rig.engine.StartDevice(rig.NetworkJob(1, L"00:0F:7C:00:00:01"));
  rig.engine.StartDevice(noAddress);
  rig.RunToEnd();
  auto ev = rig.events.Events();
  std::sort(ev.begin(), ev.end());
  EXPECT_EQ(ev, (std::vector<std::string>{"S1:518", "S1:520", "S1:525", "S2:518", "S2:527"}));
  EXPECT_EQ(rig.engine.FinishedJobs(), 2u);
  EXPECT_EQ(rig.discovery.searches, 0);  // the re-search thread was never released
  EXPECT_EQ(rig.clock.Count("reboot=45000"), 0);
}

TEST(FirmwareUpgrader, DefaultAddressIsPassedOverThreeTimes) {
  Rig rig;
  rig.discovery.answer = [&] { rig.engine.SetDeviceInfo(L"00:0F:7C:00:00:03", L"192.168.0.100", L"K7W-700-V6.10.01-LV"); };
  rig.engine.BeginBatch();
  rig.engine.StartDevice(rig.NetworkJob(3, L"00:0F:7C:00:00:03"));
  rig.RunToEnd();
  auto ev = rig.events.Events();
  ASSERT_GE(ev.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(ev.end() - 4, ev.end()),
            (std::vector<std::string>{"A3:192.168.0.100", "F3:K7W-700-V6.10.01-LV", "S3:508", "S3:508"}));
  // Three sightings at the default address were passed over, each followed by a pause
  // (earlier pauses, before discovery had answered, may add to these).
  EXPECT_GE(rig.clock.Count("device back=15000"), 3);
}

TEST(FirmwareUpgrader, DeviceThatNeverComesBackFailsAfterFortyAttempts) {
  Rig rig;
  rig.discovery.answer = [&] { rig.engine.SetDeviceInfo(L"00:0F:7C:00:00:99", L"10.231.1.99", L"x"); };  // another MAC
  rig.engine.BeginBatch();
  rig.engine.StartDevice(rig.NetworkJob(4, L"00:0F:7C:00:00:04"));
  rig.RunToEnd();
  EXPECT_EQ(rig.events.Events(), (std::vector<std::string>{"S4:518", "S4:520", "S4:519", "S4:527", "S4:527"}));
  EXPECT_EQ(rig.clock.Count("device back=15000"), 40);
  EXPECT_GE(rig.discovery.searches, 2);  // searched again every 20 s meanwhile
}

TEST(FirmwareUpgrader, UnawaitedMacChangesNothing) {
  Rig rig;
  rig.engine.SetDeviceInfo(L"00:0F:7C:00:00:05", L"10.0.0.1", L"x");
  EXPECT_FALSE(rig.engine.IsAwaited(L"00:0F:7C:00:00:05"));
}

// Starts a network job on an engine with the real clock and waits until it is in its 45 s
// reboot wait (518, 520, 519 reported).
UpgradeJob StartWaitingJob(FirmwareUpgrader& engine, Recorder& events) {
  Rig helper;
  UpgradeJob job = helper.NetworkJob(6, L"00:0F:7C:00:00:06");
  job.owner = &events;
  engine.BeginBatch();
  engine.StartDevice(job);
  for (int i = 0; i < 500 && events.Events().size() < 3; ++i) port::SleepMs(10);
  return job;
}

TEST(FirmwareUpgrader, StopEndsWorkersThatWait) {
  FakeIo io;
  FakeDiscovery discovery;
  Recorder events;
  {
    FirmwareUpgrader engine(&io, &discovery, nullptr);  // the real clock: a 45 s reboot wait
    StartWaitingJob(engine, events);
    ASSERT_EQ(events.Events().size(), 3u);
    engine.Stop();
    EXPECT_TRUE(engine.IsFinished());
    EXPECT_EQ(engine.FinishedJobs(), 1u);
  }
  EXPECT_EQ(events.Events().back(), "S6:527");
}

TEST(FirmwareUpgrader, BatchStopEndsOnlyThatBatch) {
  FakeIo io;
  FakeDiscovery discovery;
  Recorder events;
  FirmwareUpgrader engine(&io, &discovery, nullptr);
  const UpgradeJob job = StartWaitingJob(engine, events);
  ASSERT_EQ(events.Events().size(), 3u);
  engine.StopBatch();
  for (int i = 0; i < 200 && !engine.IsFinished(); ++i) port::SleepMs(10);
  EXPECT_TRUE(engine.IsFinished());
  engine.EndBatch();
  // Not the stop of shut-down: the next batch runs, and its upload is made.
  io.urlResult = 0;
  const int before = io.urlRequests;
  engine.BeginBatch();
  engine.StartDevice(job);
  for (int i = 0; i < 200 && !engine.IsFinished(); ++i) port::SleepMs(10);
  EXPECT_EQ(io.urlRequests, before + 1);
  EXPECT_EQ(engine.FinishedJobs(), 1u);
  EXPECT_EQ(events.Events().back(), "S6:525");
}

}  // namespace
