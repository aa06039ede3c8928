// The device-information queries against simulated devices: the walk over the kept devices at a
// search (blocked rows for a device that does not answer or answers with another MAC, channel
// rows of a multi-channel device) and the query of a device just added by hand, through the
// batch engine; a stop abandons a query in flight at once.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "app/batch/batch_engine.h"
#include "app/device_list/device_list.h"
#include "app/batch/device_query.h"
#include "device/device_info.h"
#include "tests/support/batch_fakes.h"
#include "tests/support/sim_suite.h"

namespace {

class DeviceQueryNetns : public testlab::SimulatorSuite<DeviceQueryNetns> {
 public:
  static const char* Devices() {
    return "ip=10.231.4.1 mac=00:0F:7C:00:40:01 firmware=K2A-0100-V1.1 model=CAM-1 serial=S1 name=One\n"
           "ip=10.231.4.2 mac=00:0F:7C:00:40:02 firmware=K2A-0100-V1.2 model=CAM-2 serial=S2\n"
           "ip=10.231.4.3 mac=00:0F:7C:00:40:03 firmware=K5H-0400-V2.1 model=ENC-4 serial=S3\n"
           "ip=10.231.4.4 mac=00:0F:7C:00:40:04 http=off\n"
           "ip=10.231.4.5 mac=00:0F:7C:00:40:05 fail=/cgi-bin/cmd/system?SYSTEM_INFO:silent\n";
  }
  static std::vector<std::string> Addresses() {
    return {"10.231.4.1", "10.231.4.2", "10.231.4.3", "10.231.4.4", "10.231.4.5"};
  }

 protected:
  // Runs the query of a device added by hand as the main window does, through the engine.
  void QueryAdded(const std::wstring& ip, const std::function<void()>& whileShown = nullptr) {
    testlab::FakeBatchUi ui;
    ui.whileBoxShown = whileShown;
    BatchEngine::Services services;
    services.report = &m_report;
    m_engine = std::make_unique<BatchEngine>(ui, services);
    QueryDeviceOperation query(ip);
    m_engine->Run(query);
    EXPECT_EQ(ui.Events(), (std::vector<std::string>{"rows", "box:558", "box closed"}));
    m_engine.reset();
  }
  testlab::RecordingReport m_report;
  std::unique_ptr<BatchEngine> m_engine;
};

TEST_F(DeviceQueryNetns, KeptDevicesAtASearch) {
  const std::map<std::wstring, std::wstring> kept = {
      {L"10.231.4.1", L"00:0F:7C:00:40:01"},  // answers with its stored MAC
      {L"10.231.4.2", L"00:0F:7C:00:99:99"},  // answers with another one
      {L"10.231.4.3", L"00:0F:7C:00:40:03"},  // a four-channel encoder
      {L"10.231.4.4", L"00:0F:7C:00:40:04"},  // does not answer
  };
  std::vector<std::pair<DeviceRecord, unsigned long>> sent;
  DeviceQueryHooks hooks;
  hooks.query = [](int channel, const std::wstring& ip, DeviceRecord& r) { return GetDeviceInfo(channel, ip, r); };
  hooks.deliver = [&](const DeviceRecord& r, unsigned long lp) { sent.emplace_back(r, lp); };
  std::atomic<bool> stop{false};
  QueryDevices(kept, FOUND_BY_QUERY, false, hooks, stop);

  ASSERT_EQ(sent.size(), 8u);  // four devices, four channel records
  EXPECT_EQ(sent[0].second, FOUND_BY_QUERY | 540);
  EXPECT_EQ(sent[0].first[SLOT_FIRMWARE], L"K2A-0100-V1.1");
  // Another MAC: a blocked row with only the stored address and MAC.
  EXPECT_EQ(sent[1].second, FOUND_BY_QUERY | FOUND_BLOCK_ROW | 541);
  EXPECT_EQ(sent[1].first[SLOT_IP], L"10.231.4.2");
  EXPECT_EQ(sent[1].first[SLOT_MAC], L"00:0F:7C:00:99:99");
  EXPECT_EQ(sent[1].first[SLOT_FIRMWARE], L"");
  // The encoder, then one record per channel.
  EXPECT_EQ(sent[2].second, FOUND_BY_QUERY | 540);
  EXPECT_EQ(sent[2].first[SLOT_MULTICAST_IP], L"");
  EXPECT_EQ(sent[2].first[SLOT_CHANNEL_IP], L"");
  for (int c = 1; c <= 4; ++c) {
    EXPECT_EQ(sent[2 + c].second, 0u) << c;
    EXPECT_EQ(sent[2 + c].first[SLOT_CHANNEL_IP], std::to_wstring(c) + L" - 10.231.4.3") << c;
  }
  EXPECT_EQ(sent[7].second, FOUND_BY_QUERY | FOUND_BLOCK_ROW | 541);
  EXPECT_EQ(sent[7].first[SLOT_MAC], L"00:0F:7C:00:40:04");
  EXPECT_GE(LogLinesSince("http 10.231.4.3 GET /cgi-bin/cmd/system?CHANNEL=4&SYSTEM_INFO").size(), 1u);
}

TEST_F(DeviceQueryNetns, DeviceAddedByHand) {
  QueryAdded(L"10.231.4.1");
  QueryAdded(L"10.231.4.99");  // nobody there
  const auto found = m_report.Found();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].second, FOUND_BY_QUERY | 508);
  EXPECT_EQ(found[0].first[SLOT_MAC], L"00:0F:7C:00:40:01");
  EXPECT_EQ(found[1].second, FOUND_BY_QUERY | INFO_NO_ANSWER | 513);  // INFO_NO_ANSWER blocks the row
  EXPECT_EQ(found[1].first[SLOT_IP], L"10.231.4.99");
}

TEST_F(DeviceQueryNetns, ClosingAbandonsAQueryInFlight) {
  // The device never answers its information request (90 s time-out): the program closes
  // under the wait box, and the request is given up at once.
  const auto t0 = std::chrono::steady_clock::now();
  QueryAdded(L"10.231.4.5", [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    m_engine->Shutdown();
  });
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
  EXPECT_GE(LogLinesSince("http 10.231.4.5 GET /cgi-bin/cmd/system?SYSTEM_INFO").size(), 1u);  // it was asked
}

}  // namespace
