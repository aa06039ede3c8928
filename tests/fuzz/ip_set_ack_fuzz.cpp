// The IP-set acknowledgement: what the IP-set sockets hand on, how the datagram is read, and
// which checked row of the grid it blocks.
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/device_list/device_list.h"
#include "device/ip_set_packet.h"
#include "dialogs/ip_set/ip_set_sender.h"
#include "port/text.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/row_store_grid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const unsigned flags = in.Byte();
  const bool withName = (flags & 1) != 0;
  const unsigned rowCount = in.Byte() % 6;
  testlab::RowStoreGrid grid;
  DeviceList list(grid);
  list.StartSearch(withName);
  const int macCell = withName ? 3 : 2;
  for (unsigned i = 0; i < rowCount; ++i) {
    const std::string mac = in.Part('\n');
    const RowHandle row = grid.InsertRow(kRootRow, L"10.0.0." + std::to_wstring(i + 1), false, true);
    if (!mac.empty()) grid.SetCell(row, macCell, fuzz::Wide(mac));
    if ((flags >> (1 + i)) & 1) grid.store.SetChecked(row, true);
  }
  const std::string datagram = in.Rest();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(datagram.data());

  // The sockets hand on exactly the datagrams of an acknowledgement's length with the magic.
  // As a socket receives it: what fits its buffer is stored, and the whole length is told.
  int handed = 0;
  const auto count = [&handed](const std::uint8_t*) { ++handed; };
  std::uint8_t received[kIpSetAckLength + 1] = {};
  std::memcpy(received, datagram.data(), std::min(sizeof received, datagram.size()));
  HandOnIpSetAck(received, static_cast<int>(datagram.size()), count);
  const bool isAck = datagram.size() == kIpSetAckLength && std::memcmp(datagram.data(), "Zolk", 4) == 0;
  FUZZ_CHECK(handed == (isAck ? 1 : 0));
  HandOnIpSetAck(received, -1, count);  // a failed receive
  FUZZ_CHECK(handed == (isAck ? 1 : 0));
  if (datagram.size() != kIpSetAckLength) return 0;

  // The MAC is the whole field up to its first NUL.
  IpSetAck ack;
  const bool read = ReadIpSetAck(bytes, &ack);
  if (read) {
    FUZZ_CHECK(ack.mac.size() <= kIpSetMacWidth);
    FUZZ_CHECK(ack.mac.find('\0') == std::string::npos);
    FUZZ_CHECK(datagram.compare(kIpSetMacAt, ack.mac.size(), ack.mac) == 0);
    FUZZ_CHECK(ack.mac.size() == kIpSetMacWidth || datagram[kIpSetMacAt + ack.mac.size()] == '\0');
  }

  // The first checked row whose whole MAC text it carries, and no other, is blocked.
  const std::vector<RowHandle> checked = grid.CheckedRows();
  std::vector<std::string> cells;
  for (RowHandle r : checked) cells.push_back(port::ToLocal8(grid.GetCell(r, macCell)));
  bool ok = false;
  const int at = list.OnIpSetReply(bytes, &ok);
  FUZZ_CHECK(at >= -1 && at < static_cast<int>(checked.size()));
  int expected = -1;
  if (read)
    for (std::size_t i = 0; i < checked.size() && expected < 0; ++i)
      if (!cells[i].empty() && cells[i] == ack.mac) expected = static_cast<int>(i);
  FUZZ_CHECK(at == expected);
  if (at >= 0) FUZZ_CHECK(ok == (ack.result == 0));
  for (std::size_t i = 0; i < checked.size(); ++i)
    FUZZ_CHECK(grid.store.GetRow(checked[i])->blocked == (static_cast<int>(i) == at));
  return 0;
}
