// The devices found by the address-range scan, kept apart from the [MANUAL_IP] devices of the
// settings file: "ManualAddedDevices.ini" beside the executable is read at start-up, and every
// scan writes the scanned devices into a new dated file beside it ("ManualAddedDevices" with
// "_YYYYMMDD_hhmmss.ini"); the undated file itself is never written.
//
// The file is 8-bit text in the local code page, one record per device:
//   IP=10.0.0.5 CR LF  MAC=00:11:22:33:44:55 CR LF  HTTP=8080 CR LF  + CR LF
// in ascending order of the address text, and one byte 0x00 after the last record.
#pragma once
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "device/http_port_map.h"

// An address text -> text map shared between threads.
class AddressTextMap {
 public:
  void Set(const std::wstring& ip, const std::wstring& text);
  // The text stored for ip, empty when there is none.
  std::wstring Get(const std::wstring& ip) const;
  bool Contains(const std::wstring& ip) const;
  void Clear();
  // A copy, for threads that walk the map while others change it.
  std::map<std::wstring, std::wstring> Snapshot() const;

 private:
  mutable std::mutex m_lock;
  std::map<std::wstring, std::wstring> m_items;
};

// The scanned devices: address -> MAC, and address -> HTTP port.
extern AddressTextMap g_ManualMacMap;
extern HttpPortMap g_ManualHttpMap;

// The port kept for a scanned device, 0 when there is none.
int GetManualHttpPort(const std::wstring& ip);

constexpr wchar_t kManualDevicesFileName[] = L"ManualAddedDevices.ini";
// The reader takes at most this many bytes of the file; the rest is ignored.
constexpr std::size_t kManualDevicesReadLimit = 1024 * 1024 - 1;

struct ManualDevice {
  std::wstring ip, mac;
  int port = 0;
};

// Reads the text of a manual device file: records are separated by '+' (a run of them is one
// separator), and each record holds "IP=", "MAC=" and "HTTP=" anywhere, in any order, each
// followed by its value up to the end of its line (single quotes dropped; at most 15, 31 and 7
// characters kept). A record without all three values is skipped; a port that is not a number
// in 1..65535 reads as 0 (the device is asked on 80). The text ends at its first NUL byte.
std::vector<ManualDevice> ParseManualDevices(const std::string& text);

// The MAC address a device's text holds: six pairs of hexadecimal digits, all joined by ':' or
// all by '-', with nothing but blanks around them (which are left out). Empty for any other
// text: only a MAC address is kept as a device's MAC.
std::wstring MacAddressOf(const std::wstring& text);

// The bytes of a manual device file for these devices (address -> MAC) with their ports;
// entries with an empty address, or a MAC text that is no MAC address (which could be read
// back as other records or keys), are left out. Nothing at all for an empty map.
std::string FormatManualDevices(const std::map<std::wstring, std::wstring>& devices,
                                const std::function<int(const std::wstring&)>& portOf);

// Reads folder + "ManualAddedDevices.ini" into g_ManualMacMap and g_ManualHttpMap; each port is
// also the one every later request to that device uses (g_HttpPortMap). A missing file loads
// nothing. Returns the number of devices read.
int LoadManualAddedDevices(const std::wstring& folder);

// Writes the devices with their ports from g_ManualHttpMap into folder +
// "ManualAddedDevices_" + stamp + ".ini" (stamp: "YYYYMMDD_hhmmss", device/helpers.h
// GetTimeStamp), replacing a file of that name whole. An empty map writes nothing. Returns the
// path written, or an empty text when nothing was written.
std::wstring SaveManualAddedDevices(const std::map<std::wstring, std::wstring>& devices,
                                    const std::wstring& folder, const std::wstring& stamp);
