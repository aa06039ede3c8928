// Stoppable worker threads, the wait that keeps pumping while threads hand work to the
// waiting thread, and the device-query walk of a search.
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/device_list/device_list.h"
#include "app/batch/device_query.h"
#include "device/device_info.h"
#include "app/threads/worker_thread.h"
#include "port/sync.h"

namespace {

// A stand-in for SendMessage to the UI thread: the caller blocks until the waiting thread
// has run the job in its pump.
class Inbox {
 public:
  void Send(std::function<void()> job) {
    port::Event done;
    {
      std::lock_guard<std::mutex> l(m_lock);
      m_jobs.push_back([&] {
        job();
        done.Set();
      });
    }
    done.Wait();
  }
  void Pump() {
    for (;;) {
      std::function<void()> job;
      {
        std::lock_guard<std::mutex> l(m_lock);
        if (m_jobs.empty()) return;
        job = std::move(m_jobs.front());
        m_jobs.pop_front();
      }
      job();
    }
  }

 private:
  std::mutex m_lock;
  std::deque<std::function<void()>> m_jobs;
};

TEST(WorkerThread, StopAndWaitPumpsSoSendingThreadsFinish) {
  Inbox inbox;
  std::atomic<int> handled{0};
  WorkerThread a, b;
  auto body = [&](const std::atomic<bool>& stop) {
    while (!stop) {
      inbox.Send([&] { ++handled; });
      port::SleepMs(1);
    }
    // Even after the stop request, one more synchronous message must get through.
    inbox.Send([&] { ++handled; });
  };
  a.Start(body);
  b.Start(body);
  WaitPumping([&] { return handled >= 10; }, [&] { inbox.Pump(); });
  StopAndWait({&a, &b}, [&] { inbox.Pump(); });
  EXPECT_FALSE(a.Running());
  EXPECT_FALSE(b.Running());
  EXPECT_GE(handled.load(), 12);
}

TEST(WorkerThread, RestartStopsTheEarlierRunAndDestructorJoins) {
  std::atomic<int> ended{0};
  {
    WorkerThread t;
    auto loop = [&](const std::atomic<bool>& stop) {
      while (!stop) port::SleepMs(1);
      ++ended;
    };
    t.Start(loop);
    t.Start(loop);  // the first run is asked to stop and joined
    EXPECT_EQ(ended.load(), 1);
    EXPECT_TRUE(t.Running());
  }
  EXPECT_EQ(ended.load(), 2);
  WorkerThread never;
  EXPECT_TRUE(never.TryJoin());
  StopAndWait({&never, nullptr}, nullptr);
}

TEST(DeviceQuery, WalksACopyReportsStatusAndChannels) {
  std::map<std::wstring, std::wstring> devices = {
      {L"10.2.0.1", L"00:00:00:00:01:01"},  // answers with the stored MAC
      {L"10.2.0.2", L"00:00:00:00:01:02"},  // does not answer
      {L"10.2.0.3", L"00:00:00:00:01:03"},  // a 4-channel device
  };
  struct Sent { DeviceRecord r; unsigned long lp; };
  std::vector<Sent> sent;
  std::vector<int> channelsAsked;
  DeviceQueryHooks hooks;
  hooks.query = [&](int channel, const std::wstring& ip, DeviceRecord& r) -> unsigned {
    if (ip == L"10.2.0.2") return 0x10000000u;
    r[SLOT_IP] = ip;
    r[SLOT_MAC] = devices.at(ip);
    if (ip == L"10.2.0.3") {
      channelsAsked.push_back(channel);
      if (channel == 0) r[SLOT_FIRMWARE] = L"K5H-0400-V1";
      r[SLOT_CHANNEL_IP] = channel ? std::to_wstring(channel) + L" - " + ip : L"";
      r[SLOT_MULTICAST_IP] = L"239.9.9.9";
    }
    return 0;
  };
  hooks.deliver = [&](const DeviceRecord& r, unsigned long lp) { sent.push_back({r, lp}); };
  std::atomic<bool> stop{false};
  QueryDevices(devices, FOUND_BY_QUERY, false, hooks, stop);

  ASSERT_EQ(sent.size(), 7u);  // three devices, four channels
  EXPECT_EQ(sent[0].lp, FOUND_BY_QUERY | 540);
  EXPECT_EQ(sent[1].lp, FOUND_BY_QUERY | FOUND_BLOCK_ROW | 541);  // MAC differs: blocked
  EXPECT_EQ(sent[1].r[SLOT_IP], L"10.2.0.2");
  EXPECT_EQ(sent[1].r[SLOT_MAC], L"00:00:00:00:01:02");
  EXPECT_EQ(sent[2].lp, FOUND_BY_QUERY | 540);
  EXPECT_EQ(sent[2].r[SLOT_MULTICAST_IP], L"");
  for (int c = 1; c <= 4; ++c) {
    EXPECT_EQ(sent[2 + c].lp, 0u);
    EXPECT_EQ(sent[2 + c].r[SLOT_CHANNEL_IP], std::to_wstring(c) + L" - 10.2.0.3");
    EXPECT_EQ(sent[2 + c].r[SLOT_FIRMWARE], L"K5H-0400-V1");
  }
  EXPECT_EQ(channelsAsked, (std::vector<int>{0, 1, 2, 3, 4}));

  // The walk of the manually added devices marks its answers FOUND_BY_SCAN; a stop request
  // ends it before the next device.
  sent.clear();
  stop = true;
  QueryDevices(devices, FOUND_BY_SCAN, false, hooks, stop);
  EXPECT_TRUE(sent.empty());
}

TEST(DeviceQuery, AChannelWhoseQueryFailedIsNotHandedOn) {
  // Channel 2 does not answer and channel 3 refuses the login: the record still holds the
  // channel before, and handing it on would fill a channel row with another channel's cells.
  const std::map<std::wstring, std::wstring> devices = {{L"10.2.0.9", L"00:00:00:00:01:09"}};
  for (unsigned failure : {INFO_NO_ANSWER, INFO_ERROR_REPLY, INFO_LOGIN_REFUSED}) {
    std::vector<std::wstring> channelRows;
    DeviceQueryHooks hooks;
    hooks.query = [&](int channel, const std::wstring& ip, DeviceRecord& r) -> unsigned {
      if (channel == 2 || channel == 3) return failure;
      r[SLOT_IP] = ip;
      r[SLOT_MAC] = L"00:00:00:00:01:09";
      if (channel == 0) r[SLOT_FIRMWARE] = L"K5H-0400-V1";
      r[SLOT_CHANNEL_IP] = channel ? std::to_wstring(channel) + L" - " + ip : L"";
      return 0;
    };
    hooks.deliver = [&](const DeviceRecord& r, unsigned long lp) {
      if (lp == 0) channelRows.push_back(r[SLOT_CHANNEL_IP]);
    };
    std::atomic<bool> stop{false};
    QueryDevices(devices, FOUND_BY_QUERY, false, hooks, stop);
    EXPECT_EQ(channelRows, (std::vector<std::wstring>{L"1 - 10.2.0.9", L"4 - 10.2.0.9"})) << std::hex << failure;
  }
}

}  // namespace
