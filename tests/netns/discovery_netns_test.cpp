// The discovery engine against simulated devices on a private test network.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <future>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "device/device_searcher.h"
#include "device/http_client.h"
#include "device/http_port_map.h"
#include "port/net.h"
#include "port/text.h"
#include "tests/support/netns_lab.h"
#include "tests/support/read_file.h"
#include "tests/support/recording_owner.h"

using testlab::NetnsLab;
using testlab::RecordingOwner;

namespace {

std::string DeviceIp(int i) { return "10.231.1." + std::to_string(i); }

long ResidentBytes() {
  std::ifstream f("/proc/self/statm");
  long size = 0, resident = 0;
  f >> size >> resident;
  return resident * 4096;
}

// Broadcasts datagrams on the test network from the host's own address, as a device on the
// same link would; the engine's sockets receive them like any answer.
class Sender {
 public:
  Sender() {
    m_socket = port::UdpSocket();
    port::SetDeviceOptions(m_socket);
    m_ok = port::BindLocal(m_socket, NetnsLab::kHostIp, 0) == 0;
  }
  ~Sender() { port::CloseSocket(m_socket); }
  bool Ok() const { return m_ok; }
  bool Send(std::uint16_t port, const std::string& bytes) {
    return port::SendTo(m_socket, "255.255.255.255", port, bytes.data(), static_cast<int>(bytes.size()),
                        NetnsLab::kHostIp) == static_cast<int>(bytes.size());
  }

 private:
  port::socket_t m_socket;
  bool m_ok = false;
};

// An owner whose first handler call waits until the test lets it go: nothing is taken from
// the queues meanwhile.
class StuckOwner : public RecordingOwner {
 public:
  void ParseDiscoveryReply(const std::uint8_t* reply) override {
    Hold();
    RecordingOwner::ParseDiscoveryReply(reply);
  }
  void AddDiscoveredDevice(const char* text) override {
    Hold();
    RecordingOwner::AddDiscoveredDevice(text);
  }
  void Release() {
    std::lock_guard<std::mutex> l(m_m);
    m_released = true;
    m_cv.notify_all();
  }
  bool Held() const { return m_held; }

 private:
  void Hold() {
    m_held = true;
    std::unique_lock<std::mutex> l(m_m);
    m_cv.wait(l, [&] { return m_released; });
  }
  std::mutex m_m;
  std::condition_variable m_cv;
  bool m_released = false;
  std::atomic<bool> m_held{false};
};

class DiscoveryNetns : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!NetnsLab::Available()) GTEST_SKIP() << "needs root and the ip tool";
    lab.reset(new NetnsLab(1));
    ASSERT_TRUE(lab->Ok()) << lab->Error();
  }
  void TearDown() override { lab.reset(); }

  // 50 plain devices with port 8000+i, and odd devices after them.
  std::string WriteConfig() {
    std::ofstream f(lab->Dir() + "/devices.conf");
    for (int i = 1; i <= 50; ++i)
      f << "ip=" << DeviceIp(i) << " mac=00:0F:7C:00:01:" << (i < 16 ? "0" : "") << std::hex << i << std::dec
        << " firmware=A1D-310-V5.00." << i << "-AC model=CAM-" << i << " serial=LONG" << i
        << " short_serial=SH multicast=239.0.1." << i << " http_port=" << 8000 + i
        << (i == 7 ? " channel=3" : "") << "\n";
    f << "ip=10.231.1.101 mac=00:0F:7C:00:02:01 discovery=short\n";             // 176 only
    f << "ip=10.231.1.102 mac=00:0F:7C:00:02:02 malformed=len267\n";            // too short
    f << "ip=10.231.1.103 mac=00:0F:7C:00:02:03 malformed=len269\n";            // too long
    f << "ip=10.231.1.104 mac=00:0F:7C:00:02:04 model=REC-16 text_root=HMY name=Hall platform=R9\n";
    f << "ip=10.231.1.105 mac=00:0F:7C:00:02:05 model=REC-8 text_root=NVQ name=Yard\n";
    f << "ip=10.231.1.106 mac=00:0F:7C:00:02:06 firmware=X-LV short_serial=AB serial=ZZ9 malformed=randhdr,lfip,nonul\n";
    return lab->Dir() + "/devices.conf";
  }

  std::vector<std::string> AllAddresses() {
    std::vector<std::string> ips;
    for (int i = 1; i <= 50; ++i) ips.push_back(DeviceIp(i));
    for (int i = 101; i <= 106; ++i) ips.push_back(DeviceIp(i));
    return ips;
  }

  std::unique_ptr<NetnsLab> lab;
};

TEST_F(DiscoveryNetns, FindsFiftyDevicesOnOneSearch) {
  ASSERT_TRUE(lab->AddDeviceAddresses(0, AllAddresses()));
  std::string log = lab->Dir() + "/sim.log";
  ASSERT_GT(lab->StartSimulator(0, {"--config", WriteConfig(), "--log", log}), 0);
  ASSERT_TRUE(lab->EnterHost());

  std::atomic<int> sendFails{0};
  JSocket::SetSendFailHandler([&] { ++sendFails; });
  g_HttpPortMap.Clear();
  RecordingOwner owner;
  DeviceSearcher searcher;
  searcher.Start(&owner);
  searcher.Search(NetnsLab::kHostIp);
  // 51 devices answer with 268 bytes on both 6005 and 6055; two recorders answer with text.
  ASSERT_TRUE(owner.WaitFor(102, 3, 10000)) << owner.Records().size() << " records";
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // anything further would show now

  std::vector<DeviceRecord> records = owner.Records();
  EXPECT_EQ(records.size(), 102u);
  std::map<std::wstring, int> seen;
  for (const auto& r : records) ++seen[r[SLOT_IP]];
  for (int i = 1; i <= 50; ++i) {
    std::wstring ip = port::FromLocal8(DeviceIp(i));
    EXPECT_EQ(seen[ip], 2) << DeviceIp(i);  // once from each port
    EXPECT_EQ(g_HttpPortMap.Get(ip), 8000 + i);
  }
  EXPECT_EQ(seen[L"10.231.1.106"], 2);  // random header, line feed in the IP field, no NUL: accepted
  for (const char* ignored : {"10.231.1.101", "10.231.1.102", "10.231.1.103", "10.231.1.104"})
    EXPECT_EQ(seen.count(port::FromLocal8(ignored)), 0u) << ignored;

  for (const auto& r : records) {
    if (r[SLOT_IP] == L"10.231.1.7") {
      EXPECT_EQ(r[SLOT_MODEL], L"CAM-7");
      EXPECT_EQ(r[SLOT_FIRMWARE], L"A1D-310-V5.00.7-AC");
      EXPECT_EQ(r[SLOT_SERIAL], L"LONG7");
      EXPECT_EQ(r[SLOT_MAC], L"00:0F:7C:00:01:07");
      EXPECT_EQ(r[SLOT_MULTICAST_IP], L"239.0.1.7");
      EXPECT_EQ(r[SLOT_CHANNEL_IP], L"3 - 10.231.1.7");
    }
    if (r[SLOT_IP] == L"10.231.1.106") {
      EXPECT_EQ(r[SLOT_SERIAL], L"AB");
      EXPECT_EQ(r[SLOT_MODEL], std::wstring(28, L'N'));
    }
  }

  // Port 2900 hands over every text as it came; our own probe comes back there too and
  // is left for the owner to recognise as no recorder.
  std::multiset<std::string> roots;
  for (const auto& t : owner.Texts()) roots.insert(t.substr(0, 5));
  EXPECT_EQ(roots, (std::multiset<std::string>{"<HMY>", "<NVQ>", "80503"}));
  // Short replies are counted, never handed over.
  EXPECT_GT(searcher.ShortRepliesSeen(), 0u);

  // The probe left from the chosen address on all five ports.
  std::string simLog = testlab::ReadFile(log);
  for (int port : {2900, 6005, 6006, 6055, 6056})
    EXPECT_NE(simLog.find("udp probe port=" + std::to_string(port) + " from=10.231.0.1:" + std::to_string(port)),
              std::string::npos)
        << port << "\n" << simLog;

  // A second search after closing the sockets works the same way and drops the short replies.
  searcher.CloseSockets();
  owner.Clear();
  searcher.Search(NetnsLab::kHostIp);
  EXPECT_TRUE(owner.WaitFor(102, 3, 10000)) << owner.Records().size();

  auto t0 = std::chrono::steady_clock::now();
  searcher.Stop();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT(ms, 1000) << "Stop must not hang on blocked receivers";
  EXPECT_EQ(sendFails.load(), 0);
  JSocket::SetSendFailHandler(nullptr);
}

TEST_F(DiscoveryNetns, BroadcastRepliesAreReceivedLikeOnWindows) {
  // Devices that answer to the subnet's broadcast address instead of the prober.
  ASSERT_TRUE(lab->AddDeviceAddresses(0, {DeviceIp(1), DeviceIp(2)}));
  ASSERT_GT(lab->StartSimulator(0, {"--generate", "2", "--first-ip", DeviceIp(1), "--reply-to",
                                    NetnsLab::kSubnetBroadcast}),
            0);
  ASSERT_TRUE(lab->EnterHost());
  RecordingOwner owner;
  DeviceSearcher searcher;
  searcher.Start(&owner);
  searcher.Search(NetnsLab::kHostIp);
  EXPECT_TRUE(owner.WaitFor(4, 0, 5000)) << owner.Records().size();
  searcher.Stop();
}

TEST_F(DiscoveryNetns, AddressNoAdapterHoldsSendsNothing) {
  ASSERT_TRUE(lab->AddDeviceAddresses(0, {DeviceIp(1)}));
  std::string log = lab->Dir() + "/sim.log";
  ASSERT_GT(lab->StartSimulator(0, {"--generate", "1", "--first-ip", DeviceIp(1), "--log", log}), 0);
  ASSERT_TRUE(lab->EnterHost());
  std::atomic<int> sendFails{0};
  JSocket::SetSendFailHandler([&] { ++sendFails; });
  RecordingOwner owner;
  DeviceSearcher searcher;
  searcher.Start(&owner);
  searcher.Search("10.231.77.77");
  EXPECT_FALSE(owner.WaitFor(1, 0, 500));
  EXPECT_EQ(testlab::ReadFile(log).find("udp probe"), std::string::npos);
  EXPECT_EQ(sendFails.load(), 0);  // a failed bind is silent
  // The same engine then searches from a real address.
  searcher.CloseSockets();
  searcher.Search(NetnsLab::kHostIp);
  EXPECT_TRUE(owner.WaitFor(2, 0, 5000));
  searcher.Stop();
  JSocket::SetSendFailHandler(nullptr);
}

// An owner whose handler throws on every other reply must not stop the flow.
class ThrowingOwner : public RecordingOwner {
 public:
  void ParseDiscoveryReply(const std::uint8_t* reply) override {
    if (++calls % 2 == 0) throw std::runtime_error("bad row");
    RecordingOwner::ParseDiscoveryReply(reply);
  }
  std::atomic<int> calls{0};
};

TEST_F(DiscoveryNetns, FaultInOwnerDoesNotEndTheDispatcher) {
  std::vector<std::string> ips;
  for (int i = 1; i <= 10; ++i) ips.push_back(DeviceIp(i));
  ASSERT_TRUE(lab->AddDeviceAddresses(0, ips));
  ASSERT_GT(lab->StartSimulator(0, {"--generate", "10", "--first-ip", DeviceIp(1)}), 0);
  ASSERT_TRUE(lab->EnterHost());
  ThrowingOwner owner;
  DeviceSearcher searcher;
  searcher.Start(&owner);
  searcher.Search(NetnsLab::kHostIp);
  EXPECT_TRUE(owner.WaitFor(10, 0, 5000));
  for (int i = 0; i < 200 && owner.calls.load() < 20; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(owner.calls.load(), 20);
  searcher.Stop();
}

TEST_F(DiscoveryNetns, TwoDevicesWithOneAddressBothAnswer) {
  lab.reset(new NetnsLab(2));
  ASSERT_TRUE(lab->Ok()) << lab->Error();
  ASSERT_TRUE(lab->AddDeviceAddresses(0, {DeviceIp(9)}));
  ASSERT_TRUE(lab->AddDeviceAddresses(1, {DeviceIp(9)}));
  std::string a = lab->Dir() + "/a.conf", b = lab->Dir() + "/b.conf";
  std::ofstream(a) << "ip=10.231.1.9 mac=00:0F:7C:00:00:0A model=CAM-A\n";
  std::ofstream(b) << "ip=10.231.1.9 mac=00:0F:7C:00:00:0B model=CAM-B\n";
  ASSERT_GT(lab->StartSimulator(0, {"--config", a}), 0);
  ASSERT_GT(lab->StartSimulator(1, {"--config", b}), 0);
  ASSERT_TRUE(lab->EnterHost());
  RecordingOwner owner;
  DeviceSearcher searcher;
  searcher.Start(&owner);
  searcher.Search(NetnsLab::kHostIp);
  ASSERT_TRUE(owner.WaitFor(4, 0, 5000));
  std::set<std::wstring> macs;
  for (const auto& r : owner.Records()) macs.insert(r[SLOT_MAC]);
  EXPECT_EQ(macs, (std::set<std::wstring>{L"00:0F:7C:00:00:0A", L"00:0F:7C:00:00:0B"}));
  searcher.Stop();
}

TEST_F(DiscoveryNetns, AddressChangeAcknowledgementReachesTheOwner) {
  ASSERT_TRUE(lab->AddDeviceAddresses(0, {DeviceIp(1), DeviceIp(2)}));
  std::string conf = lab->Dir() + "/ack.conf";
  std::ofstream(conf) << "ip=10.231.1.1 mac=00:0F:7C:00:00:01\nip=10.231.1.2 mac=00:0F:7C:00:00:02 ipset_result=7\n";
  ASSERT_GT(lab->StartSimulator(0, {"--config", conf}), 0);
  ASSERT_TRUE(lab->EnterHost());
  RecordingOwner owner;
  DeviceSearcher searcher;
  searcher.Start(&owner);
  searcher.Search(NetnsLab::kHostIp);
  ASSERT_TRUE(owner.WaitFor(4, 0, 5000));

  // The address-change request leaves from the same local port the listeners use.
  port::socket_t s = port::UdpSocket();
  port::SetDeviceOptions(s);
  ASSERT_EQ(port::BindLocal(s, NetnsLab::kHostIp, 6005), 0);
  for (const char* mac : {"00:0F:7C:00:00:01", "00:0F:7C:00:00:02", "00:0F:7C:00:00:99"}) {
    char req[224] = {'Z', 'o', 'l', 'k', 1, 0, 0, 0, static_cast<char>(212), 0, 0, 0};
    std::memcpy(req + 12, mac, std::strlen(mac));
    std::memcpy(req + 44, "admin", 5);              // the devices' factory login
    std::memcpy(req + 76, "YWRtaW46NzQwOTEy", 16);  // base64 of "admin:740912"
    ASSERT_EQ(port::SendTo(s, "255.255.255.255", 6005, req, sizeof req, NetnsLab::kHostIp), 224);
  }
  for (int i = 0; i < 300 && owner.Acks().size() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  searcher.Stop();
  port::CloseSocket(s);
  std::map<std::string, unsigned> results;
  for (const auto& a : owner.Acks()) {
    ASSERT_EQ(a.size(), 228u);
    EXPECT_EQ(a[4], 2);
    unsigned r = 0;
    for (int b = 3; b >= 0; --b) r = (r << 8) | static_cast<unsigned char>(a[224 + b]);
    results[std::string(a.c_str() + 12)] = r;
  }
  EXPECT_EQ(results, (std::map<std::string, unsigned>{{"00:0F:7C:00:00:01", 0}, {"00:0F:7C:00:00:02", 7}}));
}

TEST_F(DiscoveryNetns, AFloodOfAnswersKeepsMemoryBounded) {
  ASSERT_TRUE(lab->EnterHost());
  StuckOwner owner;
  DeviceSearcher searcher;
  searcher.Start(&owner);
  searcher.Search(NetnsLab::kHostIp);
  Sender first;
  ASSERT_TRUE(first.Ok());
  std::string reply(kDiscoveryReplyLength, 'r'), shortReply(kDiscoveryReplyShortLength, 's'),
      ack(kIpSetReplyLength, 'a'), text = "<HMY><IP>10.231.9.9</IP></HMY>" + std::string(400, ' ');
  first.Send(6005, reply);  // the owner takes this one and holds the dispatcher
  for (int i = 0; i < 200 && !owner.Held(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(owner.Held());

  const long before = ResidentBytes();
  std::atomic<bool> stop{false};
  std::vector<std::thread> flood;
  for (int t = 0; t < 3; ++t)
    flood.emplace_back([&, t] {
      Sender s;
      while (!stop) {
        for (std::uint16_t p : {6005, 6055}) s.Send(p, t == 0 ? ack : reply);
        for (std::uint16_t p : {6006, 6056}) s.Send(p, shortReply);
        s.Send(2900, text);
      }
    });
  std::this_thread::sleep_for(std::chrono::seconds(2));
  stop = true;
  for (auto& t : flood) t.join();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the receivers catch up

  const std::size_t bound = 2 * DeviceSearcher::kMaxReplies + DeviceSearcher::kMaxTexts + DeviceSearcher::kMaxAcks;
  EXPECT_LE(searcher.Queued(), bound);
  EXPECT_GT(searcher.Dropped(), 0u);
  EXPECT_GT(searcher.ShortRepliesSeen(), 0u);
  const long grown = ResidentBytes() - before;
  EXPECT_LT(grown, 32L * 1024 * 1024) << "the engine took " << grown / (1024 * 1024) << " MB";
  std::printf("       flood: %zu queued, %zu dropped, %zu short replies counted, %ld MB grown\n", searcher.Queued(),
              searcher.Dropped(), searcher.ShortRepliesSeen(), grown / (1024 * 1024));

  // A new search starts from empty queues: nothing of the flood reaches the owner after it.
  searcher.CloseSockets();
  searcher.Search(NetnsLab::kHostIp);
  owner.Release();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LE(owner.Records().size(), 1u);  // at most the one held
  for (const std::string& t : owner.Texts()) EXPECT_EQ(t.find("10.231.9.9"), std::string::npos);
  searcher.Stop();
}

TEST_F(DiscoveryNetns, OnlyAnswersOfTheirOwnLengthAreTaken) {
  ASSERT_TRUE(lab->EnterHost());
  RecordingOwner owner;
  DeviceSearcher searcher;
  searcher.Start(&owner);
  searcher.Search(NetnsLab::kHostIp);
  Sender s;
  ASSERT_TRUE(s.Ok());
  auto recorder = [](const std::string& ip, std::size_t length) {
    std::string t = "<HMY><IP>" + ip + "</IP></HMY>";
    return t + std::string(length - t.size(), ' ');
  };
  s.Send(2900, recorder("10.231.7.1", 511));  // the longest text there is
  s.Send(2900, recorder("10.231.7.2", 512));
  s.Send(2900, recorder("10.231.7.3", 600));  // once taken cut to 511 bytes
  s.Send(6005, std::string(kDiscoveryReplyLength + 300, 'x'));
  s.Send(6005, std::string(kDiscoveryReplyLength, 'x'));
  ASSERT_TRUE(owner.WaitFor(1, 1, 3000));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::vector<std::string> ours;
  for (const std::string& t : owner.Texts())
    if (t.compare(0, 5, "<HMY>") == 0) ours.push_back(t);
  ASSERT_EQ(ours.size(), 1u);
  EXPECT_NE(ours[0].find("10.231.7.1"), std::string::npos);
  EXPECT_EQ(ours[0].size(), 511u);
  EXPECT_EQ(owner.Records().size(), 1u);
  searcher.Stop();
}

TEST_F(DiscoveryNetns, SendFailIsReportedWithNoLockHeld) {
  ASSERT_TRUE(lab->EnterHost());
  // The adapter's link is down: the probe cannot leave. The report comes once per search,
  // and a search started from it (as from a click while the box is up) goes through.
  ASSERT_TRUE(NetnsLab::Sh("ip link set br0 down"));
  auto* searcher = new DeviceSearcher;  // left behind if the search hangs
  RecordingOwner owner;
  searcher->Start(&owner);
  std::atomic<int> reports{0};
  JSocket::SetSendFailHandler([&] {
    if (++reports == 1) {
      searcher->CloseSockets();
      searcher->Search(NetnsLab::kHostIp);
    }
  });
  auto done = std::async(std::launch::async, [&] {
    searcher->Search(NetnsLab::kHostIp);
    return true;
  });
  ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "the search hung";
  EXPECT_EQ(reports.load(), 2);
  JSocket::SetSendFailHandler(nullptr);
  NetnsLab::Sh("ip link set br0 up");
  searcher->Stop();
  delete searcher;
}

TEST_F(DiscoveryNetns, ADatagramInHandIsTakenBeforeTheCloseReturns) {
  // What a socket received is handed over while the socket is held: the close waits for it, so
  // nothing of a closed search is queued after the close.
  ASSERT_TRUE(lab->EnterHost());
  JSocket socket;
  ASSERT_EQ(socket.OpenBroadcast(NetnsLab::kHostIp, 6005), kDiscoveryProbeLength);
  std::mutex m;
  std::condition_variable cv;
  bool inHand = false, letGo = false;
  Sender sender;
  ASSERT_TRUE(sender.Ok());
  std::thread receiver([&] {
    char buf[600];
    bool taken = false;
    const auto take = [&](int n) {
      if (n != kDiscoveryReplyLength) return;  // the probe itself comes back too
      std::unique_lock<std::mutex> l(m);
      inHand = taken = true;
      cv.notify_all();
      cv.wait(l, [&] { return letGo; });
    };
    for (int i = 0; i < 200 && !taken; ++i) socket.Receive(buf, sizeof buf, 50, take);
  });
  EXPECT_TRUE(sender.Send(6005, std::string(kDiscoveryReplyLength, 'r')));
  bool received;
  {
    std::unique_lock<std::mutex> l(m);
    received = cv.wait_for(l, std::chrono::seconds(10), [&] { return inHand; });
  }
  if (!received) {
    socket.Close();
    receiver.join();
    FAIL() << "the datagram never came";
  }
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    socket.Close();
    closed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(closed.load()) << "the close returned while a datagram of the socket was still in hand";
  {
    std::lock_guard<std::mutex> l(m);
    letGo = true;
    cv.notify_all();
  }
  closer.join();
  receiver.join();
  EXPECT_TRUE(closed.load());
  EXPECT_FALSE(socket.IsOpen());
}

TEST_F(DiscoveryNetns, StopAndNewSearchesAbandonTheOwnersRequests) {
  // The owner asks each device over HTTP on the dispatcher thread, as the advanced search does;
  // the device never answers. Each search's device answers twice (6005 and 6055): the second
  // answer of an ended search must never start a request.
  ASSERT_TRUE(lab->AddDeviceAddresses(0, {DeviceIp(1)}));
  const std::string conf = lab->Dir() + "/silent.conf", simLog = lab->Dir() + "/silent.log";
  std::ofstream(conf) << "ip=" << DeviceIp(1) << " mac=00:0F:7C:00:00:01 fail=/cgi-bin/cmd/system?SYSTEM_INFO:silent\n";
  ASSERT_GT(lab->StartSimulator(0, {"--config", conf, "--log", simLog}), 0);
  ASSERT_TRUE(lab->EnterHost());
  class AskingOwner : public RecordingOwner {
   public:
    void ParseDiscoveryReply(const std::uint8_t* reply) override {
      ++asked;
      char buf[256];
      HttpGetCgi(L"10.231.1.1", L"/cgi-bin/cmd/system?SYSTEM_INFO", buf, sizeof buf, 90000, true, false, 80);
      ++answered;
      RecordingOwner::ParseDiscoveryReply(reply);
    }
    std::atomic<int> asked{0}, answered{0};
  } owner;
  auto deviceLog = [&] { return testlab::ReadFile(simLog); };
  // The requests that reached the device: two for each ask, the one its login challenge
  // answers and the one with the login, which waits there for ever.
  auto reached = [&] {
    const std::string log = deviceLog();
    int n = 0;
    for (std::size_t p = 0; (p = log.find("GET /cgi-bin/cmd/system?SYSTEM_INFO", p)) != std::string::npos; ++p) ++n;
    return n;
  };
  // The owner has asked n times, and the n-th request waits at the device.
  auto inFlight = [&](int n) { return owner.asked == n && reached() == 2 * n; };
  auto waitFor = [](const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
  };
  // The waits below are for conditions; their 10 s limit is far below the request's 90 s.
  DeviceSearcher searcher;
  searcher.Start(&owner);
  searcher.Search(NetnsLab::kHostIp);
  ASSERT_TRUE(waitFor([&] { return inFlight(1); })) << owner.asked << " asked; the device's log:\n" << deviceLog();

  // Closing the sockets ends the request in flight, and the search's other answer is dropped.
  searcher.CloseSockets();
  EXPECT_TRUE(waitFor([&] { return owner.answered == 1; })) << "the closed search's request was waited out";
  EXPECT_EQ(owner.asked.load(), 1) << "an answer of the closed search was handled after the close";

  // A new search, then another one without a close between them: the second ends the
  // request that the first one's answer started.
  searcher.Search(NetnsLab::kHostIp);
  ASSERT_TRUE(waitFor([&] { return inFlight(2); })) << owner.asked << " asked; the device's log:\n" << deviceLog();
  searcher.Search(NetnsLab::kHostIp);
  EXPECT_TRUE(waitFor([&] { return owner.answered == 2; })) << "a new search waited for the request in flight";
  ASSERT_TRUE(waitFor([&] { return inFlight(3); })) << owner.asked << " asked; the device's log:\n" << deviceLog();

  // The stop ends the last one, and the search's other answer is handed to nobody.
  std::atomic<bool> stopped{false};
  std::thread stopper([&] {
    searcher.Stop();
    stopped = true;
  });
  EXPECT_TRUE(waitFor([&] { return stopped.load(); })) << "Stop waited for the request in flight";
  stopper.join();
  EXPECT_EQ(owner.asked.load(), 3);
  EXPECT_EQ(owner.answered.load(), 3);
}

}  // namespace
