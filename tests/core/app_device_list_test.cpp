// The main window's device list: rows from discovery replies, recorder texts and queries,
// address conflicts, channel rows of multi-channel devices, IP-set acknowledgements and
// removal. The grid is a row store behind a fake of the window's operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/device_list/device_list.h"
#include "app/device_list/discovery_feed.h"
#include "device/device_info.h"
#include "device/http_port_map.h"
#include "tests/support/row_store_grid.h"

namespace {

class FakeGrid : public testlab::RowStoreGrid {
 public:
  void DisableCheckBox(RowHandle row) override { noCheck.insert(row); }
  void ShowStatus(RowHandle row, int id) override { status[row] = id; }
  // As the window does: on to the list at once, or held back (a report still waiting for
  // the window's thread).
  void ReportConflict(RowHandle row, std::uint32_t search) override {
    if (holdConflicts)
      heldConflicts.emplace_back(row, search);
    else if (list)
      list->ApplyConflict(row, search);
  }
  void SetMarkerTip(RowHandle row, const std::wstring& tip) override { tips[row] = tip; }
  void SortRows(int cell) override { lastSort = cell; }
  void SelectRow(RowHandle row) override { selected = row; }
  void RowAdded(const DeviceRecord& r) override { exported.push_back(r[SLOT_IP]); }

  std::vector<RowHandle> Top() { return store.Children(kRootRow); }

  DeviceList* list = nullptr;
  bool holdConflicts = false;
  std::vector<std::pair<RowHandle, std::uint32_t>> heldConflicts;
  std::set<RowHandle> noCheck;
  std::map<RowHandle, int> status;
  std::map<RowHandle, std::wstring> tips;
  std::vector<std::wstring> exported;
  int lastSort = -1;
  RowHandle selected = 0;
};

template <std::size_t N>
void Put(char (&field)[N], const char* text) {
  std::memset(field, 0, N);
  std::memcpy(field, text, std::min(N - 1, std::strlen(text)));
}

// A 268-byte reply as a device sends it.
std::vector<std::uint8_t> Reply(const char* ip, const char* mac, const char* firmware,
                                int channel = 0, const char* serial = "SER-0001") {
  DiscoveryReply r;
  std::memset(&r, 0, sizeof r);
  Put(r.identity.ip, ip);
  Put(r.identity.mac, mac);
  Put(r.identity.firmware, firmware);
  Put(r.identity.multicastIp, "239.0.0.9");
  Put(r.identity.shortSerial, "SER");
  Put(r.model.serial, serial);
  Put(r.model.model, "MODEL-X");
  r.model.channel = static_cast<std::uint8_t>(channel);
  r.identity.httpPort[0] = 80;
  std::vector<std::uint8_t> out(sizeof r);
  std::memcpy(out.data(), &r, sizeof r);
  return out;
}

// The feed delivers straight to the list, as the window's WM_DEVICE_FOUND handler does.
struct Bench {
  Bench() { grid.list = &list; }
  FakeGrid grid;
  DeviceList list{grid};
  std::vector<unsigned long> delivered;
  std::function<unsigned(int, const std::wstring&, DeviceRecord&)> query;
  DiscoveryFeed feed{list, DiscoveryFeed::Hooks{
                               [this](const DeviceRecord& r, unsigned long lp) {
                                 delivered.push_back(lp);
                                 list.OnDeviceFound(r, lp);
                               },
                               [this](int c, const std::wstring& ip, DeviceRecord& r) {
                                 return query ? query(c, ip, r) : 0u;
                               },
                               nullptr, nullptr}};
  void Discover(const std::vector<std::uint8_t>& reply) { feed.ParseDiscoveryReply(reply.data()); }
};

TEST(DeviceList, SameDeviceTwiceIsOneRowAndCellsGoToTheirColumns) {
  Bench b;
  b.list.StartSearch(false);
  b.Discover(Reply("10.1.0.5", "00:11:22:33:44:55", "K2A-1234-V1.02"));
  b.Discover(Reply("10.1.0.5", "00:11:22:33:44:55", "K2A-1234-V1.03"));
  ASSERT_EQ(b.grid.Top().size(), 1u);
  RowHandle row = b.grid.Top()[0];
  EXPECT_EQ(b.list.RowCount(), 1);
  EXPECT_EQ(b.grid.exported, std::vector<std::wstring>{L"10.1.0.5"});  // exported once
  // Without the camera-name column: IP, serial, MAC, firmware, model, multicast.
  auto cells = b.grid.store.GetRow(row)->cells;
  ASSERT_GE(cells.size(), 6u);
  EXPECT_EQ(cells[0], L"10.1.0.5");
  EXPECT_EQ(cells[1], L"SER-0001");
  EXPECT_EQ(cells[2], L"00:11:22:33:44:55");
  EXPECT_EQ(cells[3], L"K2A-1234-V1.03");  // the second answer rewrote it
  EXPECT_EQ(cells[4], L"MODEL-X");
  EXPECT_EQ(cells[5], L"239.0.0.9");
  EXPECT_FALSE(b.grid.Blocked(row));
  EXPECT_EQ(b.list.SeenMacs().size(), 2u);
  EXPECT_EQ(b.grid.lastSort, 1);
  EXPECT_EQ(g_HttpPortMap.Get(L"10.1.0.5"), 80);
}

TEST(DeviceList, TwoMacsOnOneIpAreBothBlockedWith517) {
  Bench b;
  b.list.StartSearch(false);
  b.Discover(Reply("10.1.0.9", "00:00:00:00:00:01", "K2A-1234-V1.02"));
  b.Discover(Reply("10.1.0.9", "00:00:00:00:00:02", "K2A-1234-V1.02"));
  auto rows = b.grid.Top();
  ASSERT_EQ(rows.size(), 2u);
  for (RowHandle r : rows) {
    EXPECT_TRUE(b.grid.Blocked(r)) << r;
    EXPECT_EQ(b.grid.status[r], kStatusAddressConflict) << r;
  }
  // The first answer again: still a conflict for the second row, no new row.
  b.Discover(Reply("10.1.0.9", "00:00:00:00:00:01", "K2A-1234-V1.02"));
  EXPECT_EQ(b.grid.Top().size(), 2u);
  EXPECT_EQ(b.list.RowCount(), 2);

  // A device kept in [MANUAL_IP] with the answering MAC is no conflict, even when another
  // row holds its IP; any other MAC for that IP is one even without a row.
  Bench m;
  m.list.SetManualDevices({{L"10.1.0.20", L"00:00:00:00:00:0A"}});
  m.list.StartSearch(false);
  EXPECT_TRUE(m.list.IsAddressConflict(L"10.1.0.20", L"00:00:00:00:00:0B"));
  m.Discover(Reply("10.1.0.20", "00:00:00:00:00:0B", "K2A-1234-V1.02"));
  EXPECT_FALSE(m.list.IsAddressConflict(L"10.1.0.20", L"00:00:00:00:00:0A"));
}

// A conflict report still on its way when a new search begins is dropped: the row it names
// is gone, and a new row may already have its handle.
TEST(DeviceList, ConflictReportOfAnEarlierSearchIsDropped) {
  Bench b;
  b.list.StartSearch(false);
  b.Discover(Reply("10.1.0.9", "00:00:00:00:00:01", "K2A-1234-V1.02"));
  RowHandle old = b.grid.Top().at(0);
  b.grid.holdConflicts = true;
  EXPECT_TRUE(b.list.IsAddressConflict(L"10.1.0.9", L"00:00:00:00:00:02"));
  ASSERT_EQ(b.grid.heldConflicts.size(), 1u);
  EXPECT_EQ(b.grid.heldConflicts[0].first, old);
  EXPECT_FALSE(b.grid.Blocked(old));  // nothing happens on the discovery thread

  // New search; the next row comes out with the old row's handle.
  b.grid.store.Clear();
  b.list.StartSearch(false);
  b.grid.next = old - 1;
  b.grid.holdConflicts = false;
  b.Discover(Reply("10.1.0.9", "00:00:00:00:00:03", "K2A-1234-V1.02"));
  ASSERT_EQ(b.grid.Top(), std::vector<RowHandle>{old});
  b.list.ApplyConflict(b.grid.heldConflicts[0].first, b.grid.heldConflicts[0].second);
  EXPECT_FALSE(b.grid.Blocked(old));
  EXPECT_EQ(b.grid.status.count(old), 0u);

  // A report of the search under way still blocks.
  b.list.ApplyConflict(old, b.list.CurrentSearch());
  EXPECT_TRUE(b.grid.Blocked(old));
  EXPECT_EQ(b.grid.status[old], kStatusAddressConflict);
}

TEST(DeviceList, FamilyDeviceGetsAChannelRowUnderItsDeviceRow) {
  for (int channel : {1, 3}) {
    Bench b;
    b.list.StartSearch(false);
    b.Discover(Reply("10.1.0.30", "00:00:00:00:00:30", "K3F-0800-V2.01", channel));
    auto top = b.grid.Top();
    ASSERT_EQ(top.size(), 1u) << channel;
    auto kids = b.grid.store.Children(top[0]);
    ASSERT_EQ(kids.size(), 1u) << channel;
    const std::wstring text = std::to_wstring(channel) + L" - 10.1.0.30";
    EXPECT_EQ(b.grid.GetCell(kids[0], 0), text);
    EXPECT_EQ(b.grid.GetCell(kids[0], 2), L"00:00:00:00:00:30");
    EXPECT_FALSE(b.grid.store.GetRow(kids[0])->hasCheckBox);
    // The device row's multicast cell: emptied for the whole device, set from channel 1.
    EXPECT_EQ(b.grid.GetCell(top[0], 5), channel == 1 ? L"239.0.0.9" : L"") << channel;
    EXPECT_EQ(b.list.RowCount(), 1);
    // The same reply again finds both rows.
    b.Discover(Reply("10.1.0.30", "00:00:00:00:00:30", "K3F-0800-V2.01", channel));
    EXPECT_EQ(b.grid.store.Size(), 2u);
  }
}

TEST(DeviceList, AdvancedSearchQueriesEachDeviceForItsName) {
  Bench b;
  b.list.StartSearch(true);
  b.query = [](int channel, const std::wstring& ip, DeviceRecord& r) -> unsigned {
    EXPECT_EQ(channel, 0);
    if (ip == L"10.1.0.41") return INFO_LOGIN_REFUSED;
    r[SLOT_CAMERA_NAME] = L"Name of " + ip;
    r[SLOT_PARAMETERS] = L"params";
    return 0;
  };
  b.Discover(Reply("10.1.0.40", "00:00:00:00:00:40", "K2A-1234-V1.02"));
  b.Discover(Reply("10.1.0.41", "00:00:00:00:00:41", "K2A-1234-V1.02"));
  RowHandle r40 = b.list.FindRow(L"10.1.0.40", L"00:00:00:00:00:40");
  RowHandle r41 = b.list.FindRow(L"10.1.0.41", L"00:00:00:00:00:41");
  ASSERT_TRUE(r40 && r41);
  EXPECT_EQ(b.grid.GetCell(r40, 2), L"Name of 10.1.0.40");  // camera-name column
  EXPECT_EQ(b.grid.GetCell(r40, 3), L"00:00:00:00:00:40");
  EXPECT_EQ(b.grid.tips[r40], L"params");
  EXPECT_TRUE(b.grid.store.GetRow(r40)->markerShown);
  // A refused login: the row is added all the same and shows 538.
  EXPECT_EQ(b.grid.status[r41], kStatusLoginRefused);
  EXPECT_EQ(b.delivered.back(), INFO_LOGIN_REFUSED | kStatusLoginRefused);
  EXPECT_FALSE(b.grid.Blocked(r41));
}

TEST(DeviceList, RecorderTextsNeedTheirRootAndEveryField) {
  const char* full =
      "<HMY><IP>10.1.0.50</IP><MAC>00:00:00:00:00:50</MAC><Model>NVQ-16</Model>"
      "<HttpPort>8080</HttpPort><SysName>Recorder</SysName><Firmware>NVQ-QR-1.0</Firmware>"
      "<Serial>R50</Serial><Upgradable>False</Upgradable><Platform>R9</Platform></HMY>";
  Bench b;
  b.list.StartSearch(false);
  b.feed.AddDiscoveredDevice(full);
  ASSERT_EQ(b.grid.Top().size(), 1u);
  RowHandle row = b.grid.Top()[0];
  EXPECT_EQ(b.delivered.back(), FOUND_TEXT_REPLY);
  EXPECT_EQ(b.grid.GetCell(row, 7), L"R9");  // platform column
  EXPECT_TRUE(b.grid.noCheck.count(row));     // "False" upgradable: no check box
  EXPECT_TRUE(g_RecorderIps.Contains(L"10.1.0.50"));
  EXPECT_EQ(g_HttpPortMap.Get(L"10.1.0.50"), 8080);
  // A port no request could use is not kept (a recorder at 70000 would be asked at 4464).
  std::string far = full;
  far.replace(far.find("8080"), 4, "70000");
  b.feed.AddDiscoveredDevice(far.c_str());
  EXPECT_EQ(ResolveHttpPort(L"10.1.0.50"), 80);

  std::string nvq = full;
  nvq.replace(nvq.find("<HMY>"), 5, "<NVQ>");
  nvq.replace(nvq.find("</HMY>"), 6, "</NVQ>");
  nvq.replace(nvq.find("10.1.0.50"), 9, "10.1.0.51");
  nvq.replace(nvq.find("00:50"), 5, "00:51");
  b.feed.AddDiscoveredDevice(nvq.c_str());
  EXPECT_EQ(b.grid.Top().size(), 2u);

  // No serial, or another root: no row.
  std::string noSerial = full;
  noSerial.replace(noSerial.find("R50"), 3, "");
  noSerial.replace(noSerial.find("10.1.0.50"), 9, "10.1.0.52");
  b.feed.AddDiscoveredDevice(noSerial.c_str());
  std::string other = full;
  other.replace(other.find("<HMY>"), 5, "<ABC>");
  other.replace(other.find("</HMY>"), 6, "</ABC>");
  b.feed.AddDiscoveredDevice(other.c_str());
  b.feed.AddDiscoveredDevice("");
  EXPECT_EQ(b.grid.Top().size(), 2u);
}

TEST(DeviceList, QueryAnswersFindOrAddTheirRow) {
  Bench b;
  b.list.StartSearch(false);
  DeviceRecord q;
  q[SLOT_IP] = L"10.1.0.60";
  q[SLOT_MAC] = L"00:00:00:00:00:60";
  q[SLOT_FIRMWARE] = L"K2A-QR-1.0";
  // No row yet: the answer adds one, keeps the MAC in the manual map and selects the row.
  RowHandle row = b.list.OnDeviceFound(q, FOUND_BY_QUERY | 540);
  ASSERT_NE(row, 0u);
  EXPECT_EQ(b.grid.selected, row);
  EXPECT_EQ(b.grid.status[row], 540);
  EXPECT_EQ(b.list.ManualDevices().at(L"10.1.0.60"), L"00:00:00:00:00:60");
  EXPECT_TRUE(g_RecorderIps.Contains(L"10.1.0.60"));
  // The same IP from the scan's query: the row is found, not added; the flag blocks it.
  EXPECT_EQ(b.list.OnDeviceFound(q, FOUND_BY_SCAN | FOUND_BLOCK_ROW | 541), row);
  EXPECT_TRUE(b.grid.Blocked(row));
  EXPECT_EQ(b.grid.Top().size(), 1u);
  // Bits above the status that are no flag change nothing.
  DeviceRecord r2 = q;
  r2[SLOT_IP] = L"10.1.0.61";
  RowHandle other = b.list.OnDeviceFound(r2, 0x40000000);
  EXPECT_FALSE(b.grid.Blocked(other));
  EXPECT_EQ(b.grid.status.count(other), 0u);
}

TEST(DeviceList, IpSetAcknowledgementBlocksTheMatchingCheckedRow) {
  Bench b;
  b.list.StartSearch(false);
  b.Discover(Reply("10.1.0.70", "00:00:00:00:00:70", "K2A-1234-V1.02"));
  b.Discover(Reply("10.1.0.71", "00:00:00:00:00:71", "K2A-1234-V1.02"));
  b.Discover(Reply("10.1.0.72", "00:00:00:00:00:72", "K2A-1234-V1.02"));
  RowHandle r70 = b.list.FindRow(L"10.1.0.70", L"00:00:00:00:00:70");
  RowHandle r72 = b.list.FindRow(L"10.1.0.72", L"00:00:00:00:00:72");
  b.grid.store.SetChecked(r70, true);
  b.grid.store.SetChecked(r72, true);

  auto ack = [](std::uint32_t type, const char* mac, std::uint32_t result) {
    std::vector<std::uint8_t> a(228, 0);
    std::memcpy(&a[4], &type, 4);  // little-endian machines in both builds
    std::memcpy(&a[12], mac, std::strlen(mac));
    std::memcpy(&a[224], &result, 4);
    return a;
  };
  bool ok = true;
  EXPECT_EQ(b.list.OnIpSetReply(ack(1, "00:00:00:00:00:72", 0).data(), &ok), -1);  // our own datagram
  EXPECT_EQ(b.list.OnIpSetReply(ack(2, "00:00:00:00:00:71", 0).data(), &ok), -1);  // not checked
  EXPECT_FALSE(b.grid.Blocked(b.list.FindRow(L"10.1.0.71", L"00:00:00:00:00:71")));
  EXPECT_EQ(b.list.OnIpSetReply(ack(2, "00:00:00:00:00:72", 5).data(), &ok), 1);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(b.grid.Blocked(r72));
  EXPECT_FALSE(b.grid.Blocked(r70));
  EXPECT_EQ(b.list.OnIpSetReply(ack(2, "00:00:00:00:00:70", 0).data(), &ok), 0);
  EXPECT_TRUE(ok);
}

TEST(DeviceList, IpSetAcknowledgementMatchesTheWholeMacField) {
  // MAC texts as devices report them, some longer than an address and sharing its first 17
  // characters; each acknowledgement belongs to the row whose whole MAC text it carries.
  const std::string full32(32, 'M');  // fills the field: no terminator in the datagram
  const std::vector<std::string> macs = {"00:0F:7C:00:00:01", "00:0F:7C:00:00:01-2", "00:0F:7C:00:00:01:AA",
                                         full32};
  Bench b;
  b.list.StartSearch(false);
  std::vector<RowHandle> rows;
  for (std::size_t i = 0; i < macs.size(); ++i) {
    DeviceRecord r;
    r[SLOT_IP] = L"10.1.0." + std::to_wstring(90 + i);
    r[SLOT_MAC] = std::wstring(macs[i].begin(), macs[i].end());
    rows.push_back(b.list.OnDeviceFound(r, 0));
    b.grid.store.SetChecked(rows.back(), true);
  }
  auto ack = [](const std::string& mac) {
    std::vector<std::uint8_t> a(228, 0);
    std::memcpy(a.data(), "Zolk", 4);
    a[4] = 2;
    std::memcpy(&a[12], mac.data(), std::min<std::size_t>(32, mac.size()));
    return a;
  };
  const std::vector<std::uint8_t> checkedOrder = [&] {
    std::vector<std::uint8_t> v;
    for (RowHandle r : b.grid.CheckedRows()) v.push_back(static_cast<std::uint8_t>(
        std::find(rows.begin(), rows.end(), r) - rows.begin()));
    return v;
  }();
  for (std::size_t i = macs.size(); i-- > 0;) {
    bool ok = false;
    const int at = b.list.OnIpSetReply(ack(macs[i]).data(), &ok);
    ASSERT_GE(at, 0) << macs[i];
    EXPECT_EQ(checkedOrder[static_cast<std::size_t>(at)], i) << macs[i];
    EXPECT_TRUE(ok);
    for (std::size_t j = 0; j < macs.size(); ++j) EXPECT_EQ(b.grid.Blocked(rows[j]), j >= i) << macs[i] << " " << j;
  }
  // Neither a part of a MAC text nor one with more after it is any row's.
  for (const char* other : {"00:0F:7C:00:00:0", "00:0F:7C:00:00:01-", "00:0F:7C:00:00:01-23"})
    EXPECT_EQ(b.list.OnIpSetReply(ack(other).data(), nullptr), -1) << other;
}

TEST(DeviceList, RemovalAndSearchStart) {
  Bench b;
  b.list.SetManualDevices({{L"10.1.0.80", L"00:00:00:00:00:80"}});
  b.list.StartSearch(false);
  b.Discover(Reply("10.1.0.80", "00:00:00:00:00:80", "K2A-1234-V1.02"));
  b.Discover(Reply("10.1.0.81", "00:00:00:00:00:81", "K2A-1234-V1.02"));
  b.Discover(Reply("10.1.0.81", "00:00:00:00:00:82", "K2A-1234-V1.02"));
  b.Discover(Reply("10.1.0.83", "00:00:00:00:00:83", "K2A-1234-V1.02"));
  EXPECT_EQ(b.list.RowCount(), 4);
  // The count is always the device rows shown: an address with no row changes nothing, one
  // with two rows takes both.
  const struct {
    const wchar_t* ip;
    std::size_t rows;
  } steps[] = {{L"10.9.9.9", 4}, {L"10.1.0.80", 3}, {L"10.1.0.80", 3}, {L"10.1.0.81", 1}, {L"10.9.9.9", 1},
               {L"10.1.0.83", 0}, {L"10.1.0.83", 0}};
  for (const auto& step : steps) {
    b.list.RemoveDeviceRow(step.ip);
    EXPECT_EQ(b.grid.store.Size(), step.rows) << step.ip;
    EXPECT_EQ(b.list.RowCount(), static_cast<int>(step.rows)) << step.ip;
  }
  EXPECT_TRUE(b.list.ManualDevices().empty());
  EXPECT_TRUE(b.list.RowMap().empty());

  b.list.StartSearch(true);
  EXPECT_TRUE(b.list.RowMap().empty());
  EXPECT_TRUE(b.list.SeenMacs().empty());
  EXPECT_EQ(b.list.RowCount(), 0);
  EXPECT_TRUE(b.list.ShowCameraName());
}

TEST(DeviceList, AMultiChannelDeviceRemovedAndAddedAgainGetsItsChannelRowsBack) {
  Bench b;
  b.list.StartSearch(false);
  b.Discover(Reply("10.1.0.84", "00:00:00:00:00:84", "K3F-0800-V2.01", 1));
  b.Discover(Reply("10.1.0.84", "00:00:00:00:00:84", "K3F-0800-V2.01", 2));
  ASSERT_EQ(b.grid.store.Size(), 3u);  // the device and two channels
  EXPECT_EQ(b.list.RowCount(), 1);
  b.list.RemoveDeviceRow(L"10.1.0.84");
  EXPECT_EQ(b.grid.store.Size(), 0u);
  EXPECT_EQ(b.list.RowCount(), 0);
  EXPECT_TRUE(b.list.RowMap().empty());
  // Added again before a new search, as a query of a device added by hand brings it.
  b.Discover(Reply("10.1.0.84", "00:00:00:00:00:84", "K3F-0800-V2.01", 1));
  b.Discover(Reply("10.1.0.84", "00:00:00:00:00:84", "K3F-0800-V2.01", 2));
  auto top = b.grid.Top();
  ASSERT_EQ(top.size(), 1u);
  auto kids = b.grid.store.Children(top[0]);
  ASSERT_EQ(kids.size(), 2u);
  EXPECT_EQ(b.grid.GetCell(kids[0], 0), L"1 - 10.1.0.84");
  EXPECT_EQ(b.grid.GetCell(kids[1], 0), L"2 - 10.1.0.84");
  EXPECT_EQ(b.grid.GetCell(kids[1], 2), L"00:00:00:00:00:84");
  EXPECT_EQ(b.list.RowCount(), 1);
}

}  // namespace
