#include "app/range_scan/range_scan.h"

#include <chrono>
#include <cstring>
#include <utility>

#include "app/device_list/device_list.h"
#include "app/device_list/manual_add.h"
#include "app/device_list/manual_devices.h"
#include "device/device_info.h"
#include "device/http_client.h"
#include "device/http_port_map.h"
#include "device/model_tests.h"
#include "port/net.h"
#include "port/stop_scope.h"
#include "port/text.h"

namespace {

bool Holds(const char* text, int length, const char* word) {
  const std::size_t n = std::strlen(word);
  for (int i = 0; i + static_cast<int>(n) <= length; ++i)
    if (std::memcmp(text + i, word, n) == 0) return true;
  return false;
}

std::wstring AddressText(std::uint32_t a) { return port::FromLocal8(port::FormatIPv4(a)); }

}  // namespace

bool IsDeviceAnswer(ScanRequest request, const char* reply, int length) {
  static const char* const kWords[2][3] = {{"Firmware Version", "Production ID", "Company Name"},
                                           {"Firmware", "ProductID", "CompanyName"}};
  if (!reply || length <= 0) return false;
  for (const char* word : kWords[request == ScanRequest::First ? 0 : 1])
    if (!Holds(reply, length, word)) return false;
  return true;
}

RangeScanHooks DeviceScanHooks() {
  RangeScanHooks h;
  h.get = [](const std::wstring& ip, int port, const std::wstring& path, char* reply, int size, int timeoutMs,
             int connectTimeoutMs) {
    return HttpGetCgi(ip, path, reply, size, timeoutMs, false, false, port, connectTimeoutMs);
  };
  h.query = [](int channel, const std::wstring& ip, DeviceRecord& record) { return GetDeviceInfo(channel, ip, record); };
  return h;
}

bool MakeScanZone(const std::wstring& start, const std::wstring& end, const std::wstring& port, ScanZone* zone) {
  std::uint32_t a = 0, b = 0;
  if (!port::ParseIPv4(port::ToLocal8(start), &a) || !port::ParseIPv4(port::ToLocal8(end), &b)) return false;
  const int p = ParseHttpPort(port);
  if (p == 0) return false;
  zone->first = a < b ? a : b;
  zone->last = a < b ? b : a;
  zone->port = p;
  return true;
}

// What one address gave: nothing, or a device with the reports to make for it.
struct RangeScan::Result {
  bool device = false;
  std::wstring ip, mac;
  std::vector<std::pair<DeviceRecord, unsigned long>> reports;
};

struct RangeScan::Zone {
  explicit Zone(const ScanZone& r) : range(r), count(std::uint64_t(r.last) - r.first + 1) {}
  ScanZone range;
  std::uint64_t count;
  mutable std::mutex lock;
  std::condition_variable changed;
  std::uint64_t next = 0;      // the next address to ask (offset from the first)
  std::uint64_t reported = 0;  // the addresses before this one are reported
  std::map<std::uint64_t, Result> results;
  int probers = 0;             // asking threads still running
  std::wstring status;
  std::atomic<bool> done{false};
  port::Thread thread;
  std::vector<port::Thread> askers;
};

RangeScan::RangeScan(std::vector<ScanZone> zones, RangeScanHooks hooks, ScanTexts texts, int window)
    : m_hooks(std::move(hooks)), m_texts(std::move(texts)), m_window(window > 0 ? window : 1) {
  if (zones.size() > static_cast<std::size_t>(kMaxScanZones)) zones.resize(kMaxScanZones);
  for (const ScanZone& z : zones) m_zones.push_back(std::make_unique<Zone>(z));
}

RangeScan::~RangeScan() {
  Stop();
  m_waiter.Join();
  for (auto& z : m_zones) {
    z->thread.Join();
    for (port::Thread& t : z->askers) t.Join();
  }
}

bool RangeScan::Start() {
  if (m_started) return false;
  m_started = true;
  bool ok = true;
  for (auto& zp : m_zones) {
    Zone* z = zp.get();
    z->thread = port::Thread([this, z] { RunZone(*z); });
    if (!z->thread.Joinable()) {
      ok = false;
      z->status = m_texts.completed;
      z->done = true;
    }
  }
  if (!ok) Stop();
  m_waiter = port::Thread([this] { RunWait(); });
  if (!m_waiter.Joinable()) {
    // Without its waiting thread the scan ends here: the zones are stopped and the box closed.
    Stop();
    for (auto& z : m_zones) z->thread.Join();
    if (m_hooks.closeBox) m_hooks.closeBox();
    m_ended = true;
    return false;
  }
  return ok;
}

void RangeScan::Stop() {
  m_stop = true;
  for (auto& z : m_zones) {
    std::lock_guard<std::mutex> l(z->lock);
    z->changed.notify_all();
  }
  Wake();
}

void RangeScan::Wake() {
  std::lock_guard<std::mutex> l(m_waitLock);
  ++m_wakes;
  m_waitWake.notify_all();
}

std::wstring RangeScan::StatusText(int zone) const {
  if (zone < 0 || zone >= ZoneCount()) return std::wstring();
  const Zone& z = *m_zones[static_cast<std::size_t>(zone)];
  std::lock_guard<std::mutex> l(z.lock);
  return z.status;
}

bool RangeScan::ZoneDone(int zone) const {
  return zone >= 0 && zone < ZoneCount() && m_zones[static_cast<std::size_t>(zone)]->done.load();
}

std::map<std::wstring, std::wstring> RangeScan::Found() const {
  std::lock_guard<std::mutex> l(m_reportLock);
  return m_found;
}

void RangeScan::RunZone(Zone& z) {
  const int askers = static_cast<int>(std::min<std::uint64_t>(z.count, static_cast<std::uint64_t>(m_window)));
  {
    std::lock_guard<std::mutex> l(z.lock);
    z.probers = askers;
  }
  for (int i = 0; i < askers; ++i) {
    port::Thread t([this, &z] { RunProber(z); });
    if (t.Joinable()) {
      z.askers.push_back(std::move(t));
    } else {
      std::lock_guard<std::mutex> l(z.lock);
      --z.probers;
    }
  }
  auto scanning = [&](std::uint64_t i) {
    std::wstring text = m_texts.scanning;
    const std::size_t at = text.find(L"%s");
    const std::wstring address = AddressText(z.range.first + static_cast<std::uint32_t>(i));
    if (at != std::wstring::npos) text.replace(at, 2, address);
    return text;
  };
  // The addresses are reported in order as their answers come in.
  for (std::uint64_t i = 0; i < z.count; ++i) {
    Result r;
    {
      std::unique_lock<std::mutex> l(z.lock);
      z.status = scanning(i);
      z.changed.wait(l, [&] { return z.results.count(i) != 0 || m_stop || z.probers == 0; });
      auto it = z.results.find(i);
      if (it == z.results.end()) break;
      r = std::move(it->second);
      z.results.erase(it);
      z.reported = i + 1;
    }
    z.changed.notify_all();
    if (r.device) Report(r);
  }
  // Stopped: the askers give up at once; the devices they had fully read are still reported.
  for (port::Thread& t : z.askers) t.Join();
  std::map<std::uint64_t, Result> left;
  {
    std::lock_guard<std::mutex> l(z.lock);
    left.swap(z.results);
  }
  for (auto& r : left)
    if (r.second.device) Report(r.second);
  {
    std::lock_guard<std::mutex> l(z.lock);
    z.status = m_texts.completed;
  }
  z.done = true;
  Wake();
}

void RangeScan::RunProber(Zone& z) {
  // A stop abandons this thread's request in flight.
  port::StopScope scope(&m_stop);
  for (;;) {
    std::uint64_t i;
    {
      std::unique_lock<std::mutex> l(z.lock);
      z.changed.wait(l, [&] { return m_stop || z.next >= z.count || z.next < z.reported + static_cast<std::uint64_t>(m_window); });
      if (m_stop || z.next >= z.count) break;
      i = z.next++;
    }
    Result r = Probe(z, z.range.first + static_cast<std::uint32_t>(i));
    {
      std::lock_guard<std::mutex> l(z.lock);
      z.results[i] = std::move(r);
    }
    z.changed.notify_all();
  }
  std::lock_guard<std::mutex> l(z.lock);
  --z.probers;
  z.changed.notify_all();
}

RangeScan::Result RangeScan::Probe(const Zone& z, std::uint32_t address) {
  Result r;
  const std::wstring ip = AddressText(address);
  const int port = z.range.port;
  auto ask = [&](ScanRequest request) {
    char reply[kScanReplySize];
    std::memset(reply, 0, sizeof reply);
    const wchar_t* path = request == ScanRequest::First ? kScanFirstRequest : kScanSecondRequest;
    const int n = m_hooks.get ? m_hooks.get(ip, port, path, reply, sizeof reply, kScanTimeoutMs, kScanConnectMs) : -1;
    return n > 0 && IsDeviceAnswer(request, reply, n < kScanReplySize ? n : kScanReplySize - 1);
  };
  bool second = false;
  bool device = ask(ScanRequest::First);
  if (!device && !m_stop) device = second = ask(ScanRequest::Second);
  if (!device || m_stop) return r;

  {
    std::lock_guard<std::mutex> l(m_infoLock);
    if (second) g_RecorderIps.Add(ip);
    g_ManualHttpMap.Set(ip, port);
    // Every later request to the device goes to the port it answered on.
    g_HttpPortMap.Set(ip, port);
  }
  DeviceRecord record;
  const unsigned info = m_hooks.query ? m_hooks.query(0, ip, record) : INFO_NO_ANSWER;
  record[SLOT_IP] = ip;
  const int channels = IsFamilyModel(record[SLOT_FIRMWARE]);
  const std::wstring firmware = record[SLOT_FIRMWARE];
  if (channels > 0) {
    record[SLOT_MULTICAST_IP].clear();
    record[SLOT_CHANNEL_IP].clear();
  }
  // The device first, then each channel that answered, as the device queries of a search
  // report them: the grid makes the channel rows under the device's row.
  const unsigned long status = info == 0 ? kScanFoundId : (info | kScanInfoFailedId);
  r.reports.emplace_back(record, FOUND_BY_SCAN | status);
  // Only a MAC address is kept as the device's MAC: the scanned-device file is written from it.
  r.mac = MacAddressOf(record[SLOT_MAC]);
  for (int c = 1; c <= channels && !m_stop; ++c) {
    record[SLOT_FIRMWARE] = firmware;
    if (m_hooks.query && m_hooks.query(c, ip, record) == 0) r.reports.emplace_back(record, 0);
  }
  // A device whose information was cut short by the stop is not known well enough to keep.
  if (m_stop) return Result();
  r.device = true;
  r.ip = ip;
  return r;
}

void RangeScan::Report(Result& r) {
  if (!r.mac.empty()) {
    std::lock_guard<std::mutex> l(m_reportLock);
    m_found[r.ip] = r.mac;
    g_ManualMacMap.Set(r.ip, r.mac);
  }
  if (m_hooks.report)
    for (const auto& report : r.reports) m_hooks.report(report.first, report.second);
}

void RangeScan::RunWait() {
  auto copyLines = [&] {
    if (!m_hooks.line) return;
    for (int i = 0; i < ZoneCount(); ++i) m_hooks.line(i, StatusText(i));
  };
  for (;;) {
    std::uint64_t seen;
    {
      std::lock_guard<std::mutex> l(m_waitLock);
      seen = m_wakes;
    }
    copyLines();
    bool all = true;
    for (int i = 0; i < ZoneCount(); ++i) all = all && ZoneDone(i);
    if (all || m_stop) break;
    std::unique_lock<std::mutex> l(m_waitLock);
    m_waitWake.wait_for(l, std::chrono::milliseconds(kScanLinesMs), [&] { return m_wakes != seen; });
  }
  // Stopped or done: every zone ends (at once after a stop), then what was found is saved.
  for (auto& z : m_zones) z->thread.Join();
  copyLines();
  if (m_hooks.save) m_hooks.save(g_ManualMacMap.Snapshot());
  if (m_hooks.closeBox) m_hooks.closeBox();
  m_ended = true;
}
