// The discovery engine built for Windows, run under Wine on a private test network.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "device/device_searcher.h"
#include "device/http_port_map.h"
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
