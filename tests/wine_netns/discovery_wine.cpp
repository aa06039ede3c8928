// The discovery engine built for Windows, run under Wine on a private test network.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "device/device_searcher.h"
#include "device/http_port_map.h"
#include "port/net.h"
#include "port/sync.h"
#include "port/text.h"
#include "tests/support/recording_owner.h"

TEST(DiscoveryUnderWine, FindsEveryDeviceOnBothPorts) {
  const char* local = std::getenv("DORVIK_LOCAL_IP");
  const char* expect = std::getenv("DORVIK_EXPECT_DEVICES");
  if (!local || !expect) GTEST_SKIP() << "run by scripts/wine-netns-test";
  const int n = std::atoi(expect);

  testlab::RecordingOwner owner;
  DeviceSearcher searcher;
  searcher.Start(&owner);
  searcher.Search(local);
  ASSERT_TRUE(owner.WaitFor(static_cast<std::size_t>(2 * n), 0, 10000)) << owner.Records().size();

  std::map<std::wstring, int> seen;
  for (const auto& r : owner.Records()) ++seen[r[SLOT_IP]];
  for (int i = 1; i <= n; ++i) {
    std::wstring ip = L"10.231.1." + std::to_wstring(i);
    EXPECT_EQ(seen[ip], 2) << i;
    EXPECT_EQ(g_HttpPortMap.Get(ip), 8000 + i) << i;
  }
  for (const auto& r : owner.Records())
    if (r[SLOT_IP] == L"10.231.1.3") {
      EXPECT_EQ(r[SLOT_MODEL], L"WCAM-3");
      EXPECT_EQ(r[SLOT_FIRMWARE], L"W-V1.3");
    }

  // A second search after closing the sockets finds them again.
  searcher.CloseSockets();
  owner.Clear();
  searcher.Search(local);
  EXPECT_TRUE(owner.WaitFor(static_cast<std::size_t>(2 * n), 0, 10000)) << owner.Records().size();
  searcher.Stop();
}

TEST(DiscoveryUnderWine, OnlyAnswersOfTheirOwnLengthAreTaken) {
  // Windows tells of a datagram longer than the buffer by an error (WSAEMSGSIZE), after storing
  // its first bytes: such a datagram is ignored, not taken cut short.
  const char* local = std::getenv("DORVIK_LOCAL_IP");
  if (!local) GTEST_SKIP() << "run by scripts/wine-netns-test";
  testlab::RecordingOwner owner;
  DeviceSearcher searcher;
  searcher.Start(&owner);
  searcher.Search(local);
  port::socket_t sender = port::UdpSocket();
  port::SetDeviceOptions(sender);
  ASSERT_EQ(port::BindLocal(sender, local, 0), 0);
  auto send = [&](const std::string& bytes) {
    EXPECT_EQ(port::SendTo(sender, "255.255.255.255", 2900, bytes.data(), static_cast<int>(bytes.size()), local),
              static_cast<int>(bytes.size()));
  };
  auto recorder = [](const std::string& ip, std::size_t length) {
    std::string t = "<HMY><IP>" + ip + "</IP></HMY>";
    return t + std::string(length - t.size(), ' ');
  };
  send(recorder("10.231.7.2", 512));
  send(recorder("10.231.7.3", 600));  // its first 511 bytes would make a whole text
  send(recorder("10.231.7.1", 511));  // the longest text there is, after the others
  // The receiver takes the three in the order they came (beside the probe it hears itself).
  std::vector<std::string> ours;
  for (int i = 0; i < 1000; ++i, port::SleepMs(10)) {
    ours.clear();
    for (const std::string& t : owner.Texts())
      if (t.compare(0, 5, "<HMY>") == 0) ours.push_back(t);
    if (!ours.empty() && ours.back().find("10.231.7.1") != std::string::npos) break;
  }
  ASSERT_EQ(ours.size(), 1u);
  EXPECT_NE(ours[0].find("10.231.7.1"), std::string::npos);
  EXPECT_EQ(ours[0].size(), 511u);
  port::CloseSocket(sender);
  searcher.Stop();
}
