#include "app/device_list/device_list.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "device/helpers.h"
#include "device/http_port_map.h"
#include "device/model_tests.h"
#include "device/tag_parser.h"
#include "device/ip_set_packet.h"
#include "port/text.h"

const std::vector<std::string> g_ColumnKeys = {"IP",     "MAC",    "Model",      "HttpPort", "SysName",
                                               "Firmware", "Serial", "Upgradable", "Platform"};

void DeviceList::StartSearch(bool showCameraName) {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  m_showCameraName = showCameraName;
  m_rowMap.clear();
  m_channelParent.clear();
  m_seenMacs.clear();
  m_rowCount = 0;
  ++m_search;
}

std::uint32_t DeviceList::CurrentSearch() const {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  return m_search;
}

bool DeviceList::ShowCameraName() const {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  return m_showCameraName;
}

void DeviceList::SetUserSortColumn(int cell) {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  m_userSortColumn = cell;
}

RowHandle DeviceList::FindRowLocked(const std::wstring& ip, const std::wstring& mac) const {
  auto range = m_rowMap.equal_range(ip);
  for (auto it = range.first; it != range.second; ++it)
    if (it->second.first == mac) return it->second.second;
  return 0;
}

RowHandle DeviceList::FindRow(const std::wstring& ip, const std::wstring& mac) const {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  return FindRowLocked(ip, mac);
}

bool DeviceList::IsAddressConflict(const std::wstring& ip, const std::wstring& mac) {
  bool conflict = false;
  std::vector<RowHandle> others;
  std::uint32_t search = 0;
  {
    std::lock_guard<std::recursive_mutex> l(m_lock);
    search = m_search;
    auto range = m_rowMap.equal_range(ip);
    if (range.first != range.second) {
      bool same = false;
      for (auto it = range.first; it != range.second; ++it) {
        if (it->second.first == mac)
          same = true;
        else
          others.push_back(it->second.second);
      }
      conflict = !same;
    }
    auto manual = m_manualIps.find(ip);
    if (manual != m_manualIps.end()) conflict = manual->second != mac;
  }
  // Reported outside the lock: the window hands this to its own thread, which may be
  // starting a new search meanwhile.
  for (RowHandle row : others) m_ops.ReportConflict(row, search);
  return conflict;
}

void DeviceList::ApplyConflict(RowHandle row, std::uint32_t search) {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  if (search != m_search) return;
  m_ops.BlockRow(row);
  m_ops.ShowStatus(row, kStatusAddressConflict);
}

RowHandle DeviceList::OnDeviceFound(const DeviceRecord& record, unsigned long lParam) {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  const std::wstring& ip = record[SLOT_IP];
  RowHandle row = 0;
  if (lParam & FOUND_BY_QUERY) {
    auto it = m_rowMap.find(ip);
    if (it != m_rowMap.end()) row = it->second.second;
    if (!record[SLOT_MAC].empty()) m_manualIps[ip] = record[SLOT_MAC];
  }
  if (lParam & FOUND_BY_SCAN) {
    auto it = m_rowMap.find(ip);
    if (it != m_rowMap.end()) row = it->second.second;
  }
  if (!row) row = AddDeviceRow(record);
  if (!row) return 0;

  const int status = static_cast<int>(lParam & FOUND_STATUS_MASK);
  if (status != 0) m_ops.ShowStatus(row, status);
  if ((lParam & FOUND_BLOCK_ROW) || status == kStatusAddressConflict) m_ops.BlockRow(row);

  if (lParam & (FOUND_BY_QUERY | FOUND_BY_SCAN)) {
    m_ops.SelectRow(row);
    if (record[SLOT_FIRMWARE].find(L"QR-") != std::wstring::npos) g_RecorderIps.Add(ip);
  }
  if (lParam & (FOUND_TEXT_REPLY | FOUND_BY_QUERY | FOUND_BY_SCAN)) {
    if (record[SLOT_PLATFORM].find(L"NVQG3") != std::wstring::npos ||
        record[SLOT_UPGRADABLE].find(L"False") != std::wstring::npos)
      m_ops.DisableCheckBox(row);
  }
  return row;
}

RowHandle DeviceList::AddDeviceRow(const DeviceRecord& r) {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  const bool withName = m_showCameraName;
  RowHandle row = FindRowLocked(r[SLOT_IP], r[SLOT_MAC]);
  m_seenMacs.push_back(r[SLOT_MAC]);

  if (!row) {
    const bool marker = withName && IsFamilyModel(r[SLOT_FIRMWARE]) == 0;
    row = m_ops.InsertRow(kRootRow, r[SLOT_IP], marker, true);
    if (!row) return 0;
    m_rowMap.emplace(r[SLOT_IP], std::make_pair(r[SLOT_MAC], row));
    ++m_rowCount;
    m_ops.RowAdded(r);
  }

  const int fwColumn = ColumnIndexOf(502, withName);
  if (!r[SLOT_CHANNEL_IP].empty() && IsFamilyModel(m_ops.GetCell(row, fwColumn)) != 0) {
    if (std::wcstol(r[SLOT_CHANNEL_IP].c_str(), nullptr, 10) == 1)
      m_ops.SetCell(row, ColumnIndexOf(506, withName), r[SLOT_MULTICAST_IP]);
    RowHandle channel = FindRowLocked(r[SLOT_CHANNEL_IP], r[SLOT_CHANNEL_MAC]);
    if (!channel) {
      channel = m_ops.InsertRow(row, r[SLOT_CHANNEL_IP], withName, false);
      if (channel) {
        m_rowMap.emplace(r[SLOT_CHANNEL_IP], std::make_pair(r[SLOT_CHANNEL_MAC], channel));
        m_channelParent[channel] = row;
      }
    }
    if (withName) m_ops.SortRows(0);
    if (channel) row = channel;
  }

  auto put = [&](int id, std::size_t slot) {
    if (!r[slot].empty()) m_ops.SetCell(row, ColumnIndexOf(id, withName), r[slot]);
  };
  put(504, SLOT_SERIAL);
  put(501, SLOT_MAC);
  put(502, SLOT_FIRMWARE);
  put(503, SLOT_MODEL);
  put(506, SLOT_MULTICAST_IP);
  if (!r[SLOT_PLATFORM].empty()) m_ops.SetCell(row, withName ? 8 : 7, r[SLOT_PLATFORM]);
  if (withName) {
    if (!r[SLOT_PARAMETERS].empty()) m_ops.SetMarkerTip(row, r[SLOT_PARAMETERS]);
    put(505, SLOT_CAMERA_NAME);
  }
  m_ops.SortRows(m_userSortColumn >= 0 ? m_userSortColumn : 1);
  return row;
}

int DeviceList::OnIpSetReply(const std::uint8_t* ack, bool* success) {
  IpSetAck read;
  if (!ReadIpSetAck(ack, &read)) return -1;
  const int macCell = ShowCameraName() ? 3 : 2;
  const std::vector<RowHandle> checked = m_ops.CheckedRows();
  for (std::size_t i = 0; i < checked.size(); ++i) {
    // The whole field against the whole cell: a longer MAC text that begins alike is another.
    const std::wstring cell = m_ops.GetCell(checked[i], macCell);
    if (cell.empty() || port::ToLocal8(cell) != read.mac) continue;
    m_ops.BlockRow(checked[i]);
    if (success) *success = read.result == 0;
    return static_cast<int>(i);
  }
  return -1;
}

void DeviceList::DeleteRowLocked(RowHandle row) {
  m_ops.DeleteRow(row);
  // The grid deletes a device row with its channel rows: their entries go with them.
  std::vector<RowHandle> gone = {row};
  auto parent = m_channelParent.find(row);
  if (parent != m_channelParent.end()) {
    m_channelParent.erase(parent);
  } else {
    for (auto it = m_channelParent.begin(); it != m_channelParent.end();)
      if (it->second == row) {
        gone.push_back(it->first);
        it = m_channelParent.erase(it);
      } else {
        ++it;
      }
    if (m_rowCount > 0) --m_rowCount;
  }
  for (auto it = m_rowMap.begin(); it != m_rowMap.end();)
    if (std::find(gone.begin(), gone.end(), it->second.second) != gone.end())
      it = m_rowMap.erase(it);
    else
      ++it;
}

void DeviceList::RemoveDeviceRow(const std::wstring& ip) {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  auto manual = m_manualIps.find(ip);
  if (manual != m_manualIps.end()) {
    RowHandle row = FindRowLocked(ip, manual->second);
    if (row) DeleteRowLocked(row);
    m_manualIps.erase(manual);
  }
  // The count follows the device rows that really went.
  for (auto it = m_rowMap.find(ip); it != m_rowMap.end(); it = m_rowMap.find(ip)) DeleteRowLocked(it->second.second);
}

void DeviceList::SetManualDevices(const std::map<std::wstring, std::wstring>& devices) {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  m_manualIps = devices;
}

std::map<std::wstring, std::wstring> DeviceList::ManualDevices() const {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  return m_manualIps;
}

std::vector<std::wstring> DeviceList::SeenMacs() const {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  return m_seenMacs;
}

void DeviceList::ClearSeenMacs() {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  m_seenMacs.clear();
}

int DeviceList::RowCount() const {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  return m_rowCount;
}

std::vector<std::pair<std::wstring, RowHandle>> DeviceList::RowMap() const {
  std::lock_guard<std::recursive_mutex> l(m_lock);
  std::vector<std::pair<std::wstring, RowHandle>> out;
  for (const auto& e : m_rowMap) out.emplace_back(e.first, e.second.second);
  return out;
}

RecorderText ReadRecorderText(const std::string& text, DeviceRecord& record) {
  TagParser parser;
  if (!parser.Find(text, "HMY") && !parser.Find(text, "NVQ")) return RecorderText::Dropped;
  static const int kSlots[] = {SLOT_IP, SLOT_MAC, SLOT_MODEL, -1, SLOT_CAMERA_NAME,
                               SLOT_FIRMWARE, SLOT_SERIAL, SLOT_UPGRADABLE, SLOT_PLATFORM};
  for (std::size_t k = 0; k < g_ColumnKeys.size(); ++k) {
    std::string value = parser.GetValue(g_ColumnKeys[k]);
    if (kSlots[k] < 0) continue;
    record[static_cast<std::size_t>(kSlots[k])] = port::FromLocal8(value);
  }
  const std::string httpPort = parser.GetValue("HttpPort");
  if (!record[SLOT_IP].empty()) g_HttpPortMap.Set(record[SLOT_IP], PortFromText(port::FromLocal8(httpPort)));
  for (std::size_t slot : {SLOT_IP, SLOT_MAC, SLOT_MODEL, SLOT_CAMERA_NAME, SLOT_FIRMWARE, SLOT_SERIAL})
    if (record[slot].empty()) return RecorderText::Incomplete;
  return RecorderText::Complete;
}
