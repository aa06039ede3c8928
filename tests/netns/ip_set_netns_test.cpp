// The IP-set operation against simulated devices that really move to their new addresses: the
// datagrams as the devices receive them, the acknowledgements, and the verify workers and the
// DHCP watch on a clock a hundred times faster than the real one.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/batch/batch_engine.h"
#include "device/device_searcher.h"
#include "device/http_port_map.h"
#include "device/jsocket.h"
#include "device/login.h"
#include "dialogs/ip_set/ip_set_operation.h"
#include "port/net.h"
#include "port/sync.h"
#include "port/text.h"
#include "tests/support/batch_fakes.h"
#include "tests/support/netns_lab.h"
#include "tests/support/recording_owner.h"
#include "tests/support/sim_suite.h"

using testlab::NetnsLab;

namespace {

// 1-3 for the static batch (2 moves but has no web server), 4-5 for DHCP, 6 of the new
// platform, 7 with its web server on port 8080, 8 with a password of its own (it refuses the
// factory login the request carries), 9 never in a batch, 10 acknowledges the request as taken
// but stays where it is, 11 of the new platform refuses on 6005 and takes the change on 6055.
// 1-6 and 11 answer the request by unicast. Device 6 moves at each of its two datagrams, so it
// is away only briefly: on this clock the first look at its new address comes 300 ms after.
const char kDevices[] =
    "ip=10.231.3.1 mac=00:0F:7C:00:30:01 firmware=K2A-0100-V1.1 ipset_reply=unicast ipset_ms=300\n"
    "ip=10.231.3.2 mac=00:0F:7C:00:30:02 firmware=K2A-0100-V1.2 ipset_reply=unicast ipset_ms=300 http=off\n"
    "ip=10.231.3.3 mac=00:0F:7C:00:30:03 firmware=K2A-0100-V1.3 ipset_reply=unicast ipset_ms=300\n"
    "ip=10.231.3.4 mac=00:0F:7C:00:30:04 firmware=K2A-0100-V1.4 ipset_reply=unicast ipset_ms=300 dhcp_ip=10.231.7.4\n"
    "ip=10.231.3.5 mac=00:0F:7C:00:30:05 firmware=K2A-0100-V1.5 ipset_reply=unicast ipset_ms=300 dhcp_ip=10.231.7.5\n"
    "ip=10.231.3.6 mac=00:0F:7C:00:30:06 firmware=K9A-0200-A1.02.03 ipset_reply=unicast ipset_ms=100\n"
    "ip=10.231.3.7 mac=00:0F:7C:00:30:07 firmware=K2A-0100-V1.7 ipset_ms=300 http_port=8080\n"
    "ip=10.231.3.8 mac=00:0F:7C:00:30:08 firmware=K2A-0100-V1.8 password=other\n"
    "ip=10.231.3.9 mac=00:0F:7C:00:30:09 firmware=K2A-0100-V1.9\n"
    "ip=10.231.3.10 mac=00:0F:7C:00:30:10 firmware=K2A-0100-V1.10 password=other ipset_result=0\n"
    "ip=10.231.3.11 mac=00:0F:7C:00:30:11 firmware=K9A-0200-A1.02.11 ipset_reply=unicast ipset_ms=300 "
    "ipset_result_6005=1 ipset_result_6055=0\n";

std::wstring W(const std::string& s) { return port::FromLocal8(s); }
std::uint32_t A(const char* s) {
  std::uint32_t a = 0;
  port::ParseIPv4(s, &a);
  return a;
}
BatchRow Device(int n) {
  const std::string ip = "10.231.3." + std::to_string(n);
  char mac[32];
  std::snprintf(mac, sizeof mac, "00:0F:7C:00:30:%02d", n);
  return testlab::Row(static_cast<RowHandle>(100 + n), W(ip), W(mac), false,
                      n == 6 ? L"K9A-0200-A1.02.03"
                             : n == 11 ? L"K9A-0200-A1.02.11" : L"K2A-0100-V1." + std::to_wstring(n));
}

// The grid's part for the batch: the acknowledgements matched to the batch's devices as the
// window matches them to its checked rows, and for the DHCP watch the MACs of every record
// discovery brought.
class RecordingDiscovery : public IpSetDiscovery, public testlab::RecordingOwner {
 public:
  void TrackAcks(std::shared_ptr<IpSetAcks> acks) override {
    std::lock_guard<std::mutex> l(m_seenLock);
    m_acks = std::move(acks);
  }
  std::vector<std::wstring> SeenMacs() override {
    std::lock_guard<std::mutex> l(m_seenLock);
    return m_seen;
  }
  void ClearSeenMacs() override {
    std::lock_guard<std::mutex> l(m_seenLock);
    m_seen.clear();
  }
  std::uint32_t UserSearches() override { return userSearches.load(); }
  bool SearchAgain(const std::string& local, std::uint32_t since) override {
    if (userSearches.load() != since) return false;
    ++searches;
    ClearSeenMacs();
    searcher.CloseSockets();
    searcher.Search(local);
    return true;
  }
  // A search the user starts, as the window runs it: the seen MACs go, the sockets open anew.
  void UserSearch(const std::string& local) {
    ++userSearches;
    ClearSeenMacs();
    searcher.CloseSockets();
    searcher.Search(local);
  }
  void ParseDiscoveryReply(const std::uint8_t* reply) override {
    RecordingOwner::ParseDiscoveryReply(reply);
    const auto* r = reinterpret_cast<const DiscoveryReply*>(reply);
    DeviceRecord rec;
    FillDeviceRecord(r->identity, r->model, rec);
    std::lock_guard<std::mutex> l(m_seenLock);
    m_seen.push_back(rec[SLOT_MAC]);
  }
  void OnIpSetReply(const std::uint8_t* ack) override {
    RecordingOwner::OnIpSetReply(ack);
    Acknowledge(ack);
  }
  void Acknowledge(const std::uint8_t* ack) {
    IpSetAck read;
    if (!ReadIpSetAck(ack, &read)) return;
    std::lock_guard<std::mutex> l(m_seenLock);
    for (std::size_t i = 0; i < m_targets.size(); ++i)
      if (port::ToLocal8(m_targets[i]) == read.mac) {
        if (m_acks) m_acks->Record(i, read.result == 0);
        break;
      }
  }
  // The batch's MACs, in checked-row order.
  void SetTargets(const std::vector<std::wstring>& macs) {
    std::lock_guard<std::mutex> l(m_seenLock);
    m_targets = macs;
  }
  DeviceSearcher searcher;
  std::atomic<int> searches{0};
  std::atomic<std::uint32_t> userSearches{0};

 private:
  std::mutex m_seenLock;
  std::vector<std::wstring> m_seen;
  std::shared_ptr<IpSetAcks> m_acks;
  std::vector<std::wstring> m_targets;
};

// The batch's clock, which can have the user search as the DHCP watch begins its first wait.
class WatchClock : public testlab::RecordingClock {
 public:
  using RecordingClock::RecordingClock;
  void OnWait(const char* what, std::int64_t ms) override {
    RecordingClock::OnWait(what, ms);
    if (onWatchStart && std::string(what) == "dhcp watch") onWatchStart();
  }
  std::function<void()> onWatchStart;
};

class IpSetNetns : public testlab::SimulatorSuite<IpSetNetns> {
 public:
  static const char* Devices() { return kDevices; }
  static std::vector<std::string> Addresses() {
    return {"10.231.3.1", "10.231.3.2", "10.231.3.3", "10.231.3.4", "10.231.3.5", "10.231.3.6",
            "10.231.3.7", "10.231.3.8", "10.231.3.9", "10.231.3.10", "10.231.3.11"};
  }

 protected:
  void Begin() override {
    m_discovery.searcher.Start(&m_discovery);
    m_discovery.searcher.Search(NetnsLab::kHostIp);  // its sockets open, as in the program
  }
  void End() override { m_discovery.searcher.Stop(); }

  // Runs the command as the engine does, with the dialog's "Apply" given these fields.
  int RunBatch(const std::vector<BatchRow>& rows, const IpSetInput& input, const std::string& mask,
               const std::string& gateway) {
    testlab::FakeBatchUi ui;
    ui.selection.rows = rows;
    BatchEngine::Services services;
    services.clock = &m_clock;
    services.report = &m_report;
    BatchEngine engine(ui, services);
    struct Op : IpSetOperation {
      using IpSetOperation::IpSetOperation;
      std::function<int(const BatchSelection&)> apply;
      int message = -1;
      bool RunDialog(BatchUi&, const BatchSelection& rows) override {
        message = apply(rows);
        return message == 0;
      }
    } op(m_discovery, UdpIpSetSender());
    std::vector<std::wstring> macs;
    for (const BatchRow& r : rows) macs.push_back(r.mac);
    m_discovery.SetTargets(macs);
    op.apply = [&](const BatchSelection& sel) {
      const int m = op.Apply(input, mask, gateway, sel, {}, NetnsLab::kHostIp, "admin", "740912", &m_report,
                             [&](const std::uint8_t* ack) {
                               {
                                 std::lock_guard<std::mutex> l(m_ackLock);
                                 m_drained.emplace_back(reinterpret_cast<const char*>(ack) + 12);
                               }
                               m_discovery.Acknowledge(ack);
                             });
      std::lock_guard<std::mutex> l(m_ackLock);
      m_drainedAtApply = m_drained.size();
      return m;
    };
    engine.Run(op);
    m_newPlatform = op.NewPlatform();
    return op.message;
  }

  WatchClock m_clock{100};
  testlab::RecordingReport m_report;
  RecordingDiscovery m_discovery;
  std::mutex m_ackLock;
  std::vector<std::string> m_drained;  // acknowledgements that reached the IP-set sockets
  std::size_t m_drainedAtApply = 0;    // of them, those read before "Apply" returned
  bool m_newPlatform = false;
};

IpSetInput Static(const char* start) {
  IpSetInput in;
  in.dynamic = false;
  in.start = A(start);
  in.netmask = A("255.255.0.0");
  in.gateway = A("10.231.0.254");
  return in;
}

TEST_F(IpSetNetns, StaticBatchEachRowOnItsOwnConfirmation) {
  ASSERT_EQ(RunBatch({Device(1), Device(2), Device(3)}, Static("10.231.5.1"), "255.255.0.0", "10.231.0.254"), 0);
  // Row 2's device moved but its web server is gone: its new address never answers.
  EXPECT_EQ(m_report.Of(101), (std::vector<int>{539, 1004, 511}));
  EXPECT_EQ(m_report.Of(102), (std::vector<int>{539, 1004, 516}));
  EXPECT_EQ(m_report.Of(103), (std::vector<int>{539, 1004, 511}));
  EXPECT_EQ(LogLinesSince("move 10.231.3.1 to 10.231.5.1").size(), 1u);
  EXPECT_EQ(LogLinesSince("move 10.231.3.2 to 10.231.5.2").size(), 1u);
  EXPECT_EQ(LogLinesSince("move 10.231.3.3 to 10.231.5.3").size(), 1u);
  EXPECT_GE(LogLinesSince("http 10.231.5.1 GET /cgi-bin/cmd/system?SYSTEM_INFO").size(), 1u);
  EXPECT_EQ(m_clock.Count("new address=30000"), 3);
  EXPECT_GE(m_clock.Count("look again=5000"), 10);  // row 2's ten looks (and any of the others')
  EXPECT_FALSE(m_newPlatform);
  // Each device acknowledged, by unicast to the sender: the acknowledgements that reached the
  // IP-set sockets while they were open were handed on, the others reached discovery.
  // Here the kernel hands a unicast datagram to the socket bound last, the IP-set one: without
  // the hand-over these acknowledgements would be lost with it.
  EXPECT_FALSE(m_drained.empty());
  std::set<std::string> acked(m_drained.begin(), m_drained.end());
  for (const std::string& a : m_discovery.Acks()) acked.insert(a.c_str() + 12);
  EXPECT_EQ(acked, (std::set<std::string>{"00:0F:7C:00:30:01", "00:0F:7C:00:30:02", "00:0F:7C:00:30:03"}));
}

TEST_F(IpSetNetns, DatagramsAsTheDevicesGetThemOnceOrTwice) {
  // Device 6 runs firmware of the new platform: every datagram then also goes to 6055.
  ASSERT_EQ(RunBatch({Device(6)}, Static("10.231.6.6"), "255.255.0.0", "10.231.0.254"), 0);
  EXPECT_TRUE(m_newPlatform);
  IpSetCommon common;
  ASSERT_EQ(MakeIpSetCommon("admin", "740912", false, "255.255.0.0", "10.231.0.254", &common), 0);
  const IpSetPacket expected = BuildIpSetPacket(common, "00:0F:7C:00:30:06", "10.231.6.6");
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t b : expected) {
    hex += kHex[b >> 4];
    hex += kHex[b & 15];
  }
  const auto on6005 = LogLinesSince("udp ipset port=6005 mac=00:0F:7C:00:30:06");
  const auto on6055 = LogLinesSince("udp ipset port=6055 mac=00:0F:7C:00:30:06");
  ASSERT_EQ(on6005.size(), 1u);
  ASSERT_EQ(on6055.size(), 1u);
  for (const std::string& line : {on6005[0], on6055[0]}) {
    EXPECT_NE(line.find("login=ok"), std::string::npos) << line;
    EXPECT_NE(line.find("bytes=" + hex), std::string::npos) << line;
  }
  // Devices 1-3 are of the old platform: their datagrams went to 6005 only (previous test).
  EXPECT_EQ(Sim().LogLinesSince(0, "udp ipset port=6055 mac=00:0F:7C:00:30:01").size(), 0u);
  EXPECT_EQ(m_report.Last(106), 511);
}

TEST_F(IpSetNetns, TheWebServersPortGoesWithTheDevice) {
  g_HttpPortMap.Set(L"10.231.3.7", 8080);  // as its discovery answer told
  ASSERT_EQ(RunBatch({Device(7)}, Static("10.231.6.7"), "255.255.0.0", "10.231.0.254"), 0);
  EXPECT_EQ(m_report.Of(107), (std::vector<int>{539, 1004, 511}));
  EXPECT_GE(LogLinesSince("http 10.231.6.7 GET /cgi-bin/cmd/system?SYSTEM_INFO").size(), 1u);
}

TEST_F(IpSetNetns, AnotherDeviceAnsweringAtTheNewAddressIsNoSuccess) {
  // Device 10 acknowledges the request as taken but stays; the address it was given belongs to
  // device 9, which answers there with its own MAC.
  ASSERT_EQ(RunBatch({Device(10)}, Static("10.231.3.9"), "255.255.0.0", "10.231.0.254"), 0);
  EXPECT_EQ(m_report.Of(110), (std::vector<int>{539, 1004, 516}));
  EXPECT_EQ(LogLinesSince("udp ipset port=6005 mac=00:0F:7C:00:30:10 mode=2 ip=10.231.3.9").size(), 1u);
  EXPECT_TRUE(LogLinesSince("move 10.231.3.10").empty());
  EXPECT_GE(LogLinesSince("http 10.231.3.9 GET /cgi-bin/cmd/system?SYSTEM_INFO").size(), 10u);
}

IpSetInput Dynamic() {
  IpSetInput in;  // the dialog's defaults
  in.start = A("192.168.0.100");
  in.netmask = A("255.255.255.0");
  in.gateway = A("192.168.0.254");
  return in;
}

TEST_F(IpSetNetns, ARefusedRequestFailsAtOnceInEitherMode) {
  // Device 8 refuses the request (its login differs) and stays where it is, still answering
  // discovery: nothing will ever answer for it at a new address.
  for (bool dynamic : {false, true}) {
    SCOPED_TRACE(dynamic ? "DHCP" : "static");
    const IpSetInput in = dynamic ? Dynamic() : Static("10.231.6.8");
    const std::size_t before = m_report.Of(108).size();
    ASSERT_EQ(RunBatch({Device(8)}, in, dynamic ? "255.255.255.0" : "255.255.0.0",
                       dynamic ? "192.168.0.254" : "10.231.0.254"),
              0);
    const std::vector<int> statuses = m_report.Of(108);
    EXPECT_EQ(std::vector<int>(statuses.begin() + static_cast<std::ptrdiff_t>(before), statuses.end()),
              (std::vector<int>{539, 1004, 516}));
    const auto request = LogLinesSince("udp ipset port=6005 mac=00:0F:7C:00:30:08");
    ASSERT_FALSE(request.empty());
    EXPECT_NE(request.back().find(" login=bad "), std::string::npos);
    // Its row failed within its first wait: it was never looked for.
    EXPECT_TRUE(LogLinesSince("http 10.231.6.8 GET").empty());
    EXPECT_EQ(m_clock.Count(dynamic ? "dhcp=90000" : "new address=30000"), 1);
    EXPECT_EQ(m_clock.Count("look again=5000") + m_clock.Count("seen again=5000"), 0);
  }
}

TEST_F(IpSetNetns, BothPortsAreReadAfterApplyAndASuccessOnEitherWins) {
  // Device 11 (new platform) refuses the datagram on 6005 and takes the one on 6055. While the
  // sockets are read, 6005 is kept busy with other datagrams.
  std::atomic<bool> flooding{true};
  std::thread flood([&] {
    port::socket_t s = port::UdpSocket();
    const std::int64_t until = port::SteadyMs() + 2000;
    while (flooding && port::SteadyMs() < until) {
      port::SendTo(s, NetnsLab::kHostIp, 6005, "busy", 4);
      port::SleepMs(10);
    }
    port::CloseSocket(s);
  });
  const int message = RunBatch({Device(11)}, Static("10.231.6.11"), "255.255.0.0", "10.231.0.254");
  flooding = false;
  flood.join();
  ASSERT_EQ(message, 0);
  EXPECT_TRUE(m_newPlatform);
  // "Apply" returned without waiting for the devices; both acknowledgements were read after.
  EXPECT_EQ(m_drainedAtApply, 0u);
  EXPECT_EQ(std::count(m_drained.begin(), m_drained.end(), "00:0F:7C:00:30:11"), 2);
  EXPECT_EQ(LogLinesSince("move 10.231.3.11 to 10.231.6.11").size(), 1u);
  EXPECT_EQ(m_report.Of(111), (std::vector<int>{539, 1004, 511}));
}

TEST_F(IpSetNetns, DhcpBatchEndsWhenDiscoverySeesEveryDeviceAgain) {
  ASSERT_EQ(RunBatch({Device(4), Device(5)}, Dynamic(), "255.255.255.0", "192.168.0.254"), 0);
  EXPECT_EQ(m_report.Of(104), (std::vector<int>{539, 1004, 511}));
  EXPECT_EQ(m_report.Of(105), (std::vector<int>{539, 1004, 511}));
  EXPECT_EQ(LogLinesSince("move 10.231.3.4 to 10.231.7.4").size(), 1u);
  EXPECT_GE(m_discovery.searches.load(), 1);
  EXPECT_EQ(m_clock.Count("dhcp=90000"), 2);
  EXPECT_EQ(m_clock.Count("dhcp watch=120000"), 1);
  // Every device was seen in the first pass: the watch made no second one.
  EXPECT_EQ(m_clock.Count("search pass=30000"), 1);
  const auto requests = LogLinesSince("udp ipset port=6005 mac=00:0F:7C:00:30:04");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].find(" mode=1 ip=192.168.0.100 "), std::string::npos) << requests[0];
}

TEST_F(IpSetNetns, TheUsersOwnSearchIsLeftToRunAndCountsForTheWatch) {
  // The user searches as the watch begins: from then on the watch opens no sockets of its own,
  // and the devices that the user's search brings are the ones it finds.
  m_clock.onWatchStart = [this] { m_discovery.UserSearch(NetnsLab::kHostIp); };
  ASSERT_EQ(RunBatch({Device(4), Device(5)}, Dynamic(), "255.255.255.0", "192.168.0.254"), 0);
  EXPECT_EQ(m_discovery.userSearches.load(), 1u);
  EXPECT_EQ(m_discovery.searches.load(), 0);
  EXPECT_EQ(m_clock.Count("search pass=30000"), 1);
  EXPECT_EQ(m_report.Of(104), (std::vector<int>{539, 1004, 511}));
  EXPECT_EQ(m_report.Of(105), (std::vector<int>{539, 1004, 511}));
}

TEST_F(IpSetNetns, ASocketThatCannotBeOpenedIsASendFailure) {
  int fails = 0;
  JSocket::SetSendFailHandler([&] { ++fails; });
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
  // No descriptor is left: the lowest free one is above the limit.
  const int lowest = dup(0);
  ASSERT_GE(lowest, 0);
  close(lowest);
  rlimit tight = old;
  tight.rlim_cur = static_cast<rlim_t>(lowest);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  const port::socket_t probe = port::UdpSocket();
  std::unique_ptr<IpSetAckSockets> open;
  if (probe == port::kInvalidSocket) {
    IpSetCommon common;
    MakeIpSetCommon("admin", "740912", false, "255.255.0.0", "10.231.0.254", &common);
    open = UdpIpSetSender().Send(NetnsLab::kHostIp,
                                 {BuildIpSetPacket(common, "00:0F:7C:00:30:01", "10.231.6.1"),
                                  BuildIpSetPacket(common, "00:0F:7C:00:30:02", "10.231.6.2")},
                                 true);
  }
  setrlimit(RLIMIT_NOFILE, &old);
  JSocket::SetSendFailHandler(nullptr);
  if (probe != port::kInvalidSocket) port::CloseSocket(probe);
  ASSERT_EQ(probe, port::kInvalidSocket);
  EXPECT_EQ(open, nullptr);
  EXPECT_EQ(fails, 4);  // two devices, two ports: not one datagram left
  EXPECT_TRUE(LogLinesSince("udp ipset").empty());
}

}  // namespace
