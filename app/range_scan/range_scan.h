// The address-range scan: up to ten zones, each an address range with the HTTP port to ask
// there, scanned side by side. Every address is asked for its system information; one whose
// answer carries the three words of the maker's devices, or that answers the recorders' request
// with theirs, is a device. It is queried in full, reported to the main window and kept with the
// scanned devices (app/device_list/manual_devices.h), which are written into a new dated file when the scan
// ends, also when it was stopped.
//
// Each zone asks up to kScanWindow addresses at once, taken from a window that moves in address
// order, and reports its addresses (its live line) and its devices in address order. A
// request's connection must be made within kScanConnectMs; once connected, the device has
// kScanTimeoutMs to answer. A stop abandons the requests in flight, so every zone ends at once.
//
// Threads: per zone one thread that reports and up to kScanWindow that ask; one waiting thread
// that copies the live lines every kScanLinesMs, saves at the end and closes the wait box.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_record.h"
#include "port/thread.h"

constexpr int kMaxScanZones = 10;
constexpr int kScanWindow = 64;
constexpr int kScanTimeoutMs = 30000;
constexpr int kScanConnectMs = 3000;
constexpr int kScanLinesMs = 500;
constexpr int kScanReplySize = 2048;
// Status of a device the scan reports (508 "Success"), and of one whose information could not
// be read after it had answered (513 "Failed").
constexpr unsigned kScanFoundId = 508;
constexpr unsigned kScanInfoFailedId = 513;

constexpr wchar_t kScanFirstRequest[] = L"/cgi-bin/cmd/system?SYSTEM_INFO";
constexpr wchar_t kScanSecondRequest[] = L"/cgi-bin/serverConfig?Action=loadInfo";

enum class ScanRequest { First, Second };

// True when the reply (length bytes) holds all three words of the request: "Firmware Version",
// "Production ID" and "Company Name" for the first, "Firmware", "ProductID" and "CompanyName"
// for the second.
bool IsDeviceAnswer(ScanRequest request, const char* reply, int length);

struct ScanZone {
  std::uint32_t first = 0, last = 0;  // host order, first <= last
  int port = 0;
};

// A zone from a panel's texts: the two addresses in either order (the lower one first) and the
// port. False when an address is not a dotted IPv4 address or the port is not 1..65535.
bool MakeScanZone(const std::wstring& start, const std::wstring& end, const std::wstring& port, ScanZone* zone);

struct RangeScanHooks {
  // The scan request: HttpGetCgi to `port` with the user's login, "ERROR" refused, the
  // connect bounded by connectTimeoutMs. The bytes read, or below 0 for no device answer.
  std::function<int(const std::wstring& ip, int port, const std::wstring& path, char* reply, int size,
                    int timeoutMs, int connectTimeoutMs)>
      get;
  // GetDeviceInfo (the device's port is known by then, g_HttpPortMap).
  std::function<unsigned(int channel, const std::wstring& ip, DeviceRecord&)> query;
  // WM_DEVICE_FOUND (record, lParam) to the main window, waited for.
  std::function<void(const DeviceRecord&, unsigned long lParam)> report;
  // The wait box's live line of a zone.
  std::function<void(int zone, const std::wstring& text)> line;
  // Closes the wait box (also when it is not shown yet).
  std::function<void()> closeBox;
  // Writes the scanned devices (a copy of g_ManualMacMap) into a new dated file.
  std::function<void(const std::map<std::wstring, std::wstring>&)> save;
};

// The device requests of a scan: the HTTP client and the device-information query; the
// caller adds where the scan reports.
RangeScanHooks DeviceScanHooks();

// The live lines: `scanning` with "%s" where the address goes, and `completed`.
struct ScanTexts {
  std::wstring scanning = L"Scanning %s...";
  std::wstring completed = L"Scan completed";
};

class RangeScan {
 public:
  RangeScan(std::vector<ScanZone> zones, RangeScanHooks hooks, ScanTexts texts, int window = kScanWindow);
  // Stops and joins every thread. A thread may be waiting for the main window in `report`:
  // the user-interface thread lets the scan end (Ended) while handling messages first.
  ~RangeScan();
  RangeScan(const RangeScan&) = delete;
  RangeScan& operator=(const RangeScan&) = delete;

  // Starts the zones and the waiting thread. False when a thread could not be started (the
  // scan then stops what did start and still ends, saves and closes the box).
  bool Start();
  // Every zone stops: no further address is asked, the requests in flight are abandoned.
  void Stop();
  bool Stopping() const { return m_stop.load(); }

  int ZoneCount() const { return static_cast<int>(m_zones.size()); }
  std::wstring StatusText(int zone) const;
  bool ZoneDone(int zone) const;
  // The waiting thread has saved and closed the box: nothing of the scan runs any more.
  bool Ended() const { return m_ended.load(); }
  // The devices this scan found (address -> MAC).
  std::map<std::wstring, std::wstring> Found() const;

 private:
  struct Result;
  struct Zone;
  void RunZone(Zone& z);
  void RunProber(Zone& z);
  Result Probe(const Zone& z, std::uint32_t address);
  void Report(Result& r);
  void RunWait();
  void Wake();

  std::vector<std::unique_ptr<Zone>> m_zones;
  RangeScanHooks m_hooks;
  ScanTexts m_texts;
  int m_window;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_ended{false};
  std::mutex m_infoLock;    // the port maps and the recorders, written by every zone
  mutable std::mutex m_reportLock;  // the found devices
  std::map<std::wstring, std::wstring> m_found;
  std::mutex m_waitLock;
  std::condition_variable m_waitWake;
  std::uint64_t m_wakes = 0;
  port::Thread m_waiter;
  bool m_started = false;
};
