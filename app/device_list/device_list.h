// The main window's device list: how device answers become grid rows. The row map by IP,
// the manual IP map, the MACs seen since the search began and the row counter live here
// under one lock; what is done to the grid window goes through DeviceRowOps, which the
// window implements (and the tests fake).
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "grid/grid_rows.h"
#include "device/device_record.h"

// WM_DEVICE_FOUND lParam flags (a status id sits in the low 24 bits). FOUND_IPSET_REPLY is
// device/device_searcher.h's.
constexpr unsigned long FOUND_BY_QUERY = 0x1000000;
constexpr unsigned long FOUND_TEXT_REPLY = 0x4000000;
constexpr unsigned long FOUND_BY_SCAN = 0x8000000;
constexpr unsigned long FOUND_BLOCK_ROW = 0x10000000;
constexpr unsigned long FOUND_STATUS_MASK = 0xFFFFFF;

constexpr int kStatusAddressConflict = 517;
constexpr int kStatusLoginRefused = 538;

// The device field keys of the recorders' text replies, in order.
extern const std::vector<std::string> g_ColumnKeys;

// What the device list asks of the grid window.
class DeviceRowOps {
 public:
  virtual ~DeviceRowOps() = default;
  // A new row under parent (kRootRow for a device row) with cell 0 = text.
  virtual RowHandle InsertRow(RowHandle parent, const std::wstring& text, bool marker,
                              bool checkBox) = 0;
  virtual void DeleteRow(RowHandle row) = 0;
  virtual std::wstring GetCell(RowHandle row, int cell) = 0;
  virtual void SetCell(RowHandle row, int cell, const std::wstring& text) = 0;
  // Sets the blocked flag and disables the row's marker and link buttons.
  virtual void BlockRow(RowHandle row) = 0;
  virtual void DisableCheckBox(RowHandle row) = 0;
  // The row's status cell shows string `id` (WM_DEVICE_STATUS).
  virtual void ShowStatus(RowHandle row, int id) = 0;
  // The discovery thread found `row` in address conflict during search `search`: the window
  // hands this to its own thread and there calls DeviceList::ApplyConflict.
  virtual void ReportConflict(RowHandle row, std::uint32_t search) = 0;
  virtual void SetMarkerTip(RowHandle row, const std::wstring& tip) = 0;
  virtual void SortRows(int cell) = 0;  // ascending
  virtual void SelectRow(RowHandle row) = 0;  // caret and scrolled into view
  // A device row was added: lay out, repaint, append to the export.
  virtual void RowAdded(const DeviceRecord& record) = 0;
  virtual std::vector<RowHandle> CheckedRows() = 0;
};

class DeviceList {
 public:
  explicit DeviceList(DeviceRowOps& ops) : m_ops(ops) {}

  // A search begins: the camera-name choice for this search, the row map and the seen MACs
  // emptied, the row counter back to 0. The caller has deleted the rows.
  void StartSearch(bool showCameraName);
  bool ShowCameraName() const;
  // The column of the user's last header click, used for sorting from now on (-1: none).
  void SetUserSortColumn(int cell);

  // The address-conflict test of a discovery answer (dispatcher thread): true when another
  // device already holds the IP. Rows of that IP with another MAC are reported
  // (DeviceRowOps::ReportConflict) with the search they belong to.
  bool IsAddressConflict(const std::wstring& ip, const std::wstring& mac);
  // A reported conflict, on the window's thread: the row is blocked and shows 517, unless a
  // search has begun since the report (its row is gone, and the handle may already be a new
  // row's).
  void ApplyConflict(RowHandle row, std::uint32_t search);
  // The search under way: counts up at every StartSearch.
  std::uint32_t CurrentSearch() const;

  // WM_DEVICE_FOUND with a device record (not the IP-set acknowledgement).
  RowHandle OnDeviceFound(const DeviceRecord& record, unsigned long lParam);
  // The row that received the record's cells.
  RowHandle AddDeviceRow(const DeviceRecord& record);
  RowHandle FindRow(const std::wstring& ip, const std::wstring& mac) const;

  // An IP-set acknowledgement (228 bytes): blocks the first checked row whose MAC cell
  // matches and returns its position among the checked rows, with *success from the
  // result code; -1 when the reply is not an acknowledgement or matches no checked row.
  int OnIpSetReply(const std::uint8_t* ack, bool* success);

  // Removes the rows of an IP (the manual device first, then every row-map entry), each
  // device row with its channel rows; the row count drops by the device rows that went.
  void RemoveDeviceRow(const std::wstring& ip);

  // The manual IP map (IP -> MAC) of the [MANUAL_IP] section.
  void SetManualDevices(const std::map<std::wstring, std::wstring>& devices);
  std::map<std::wstring, std::wstring> ManualDevices() const;

  std::vector<std::wstring> SeenMacs() const;
  void ClearSeenMacs();
  // The device rows shown (channel rows are not counted).
  int RowCount() const;
  // The IP texts and rows of the row map (copies), in map order.
  std::vector<std::pair<std::wstring, RowHandle>> RowMap() const;

 private:
  RowHandle FindRowLocked(const std::wstring& ip, const std::wstring& mac) const;
  // Deletes a row and every row-map entry of it and of its channel rows.
  void DeleteRowLocked(RowHandle row);

  DeviceRowOps& m_ops;
  mutable std::recursive_mutex m_lock;
  std::multimap<std::wstring, std::pair<std::wstring, RowHandle>> m_rowMap;
  std::map<RowHandle, RowHandle> m_channelParent;  // channel row -> its device row
  std::map<std::wstring, std::wstring> m_manualIps;
  std::vector<std::wstring> m_seenMacs;
  int m_rowCount = 0;
  std::uint32_t m_search = 0;
  bool m_showCameraName = false;
  int m_userSortColumn = -1;
};

// A recorder's tagged text reply read into a record. Dropped: neither an "HMY" nor an "NVQ"
// root; Incomplete: one of IP, MAC, model, name, firmware or serial is empty. The "HttpPort"
// value is stored in g_HttpPortMap under the IP whatever the outcome past the root test.
enum class RecorderText { Dropped, Incomplete, Complete };
RecorderText ReadRecorderText(const std::string& text, DeviceRecord& record);
