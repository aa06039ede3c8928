// From a discovery answer to the main window's WM_DEVICE_FOUND: the record is built on the
// discovery dispatcher thread, checked for an address conflict, in advanced searches
// completed over HTTP, and handed on (to the window, or to the upgrade engine while an
// upgrade runs).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "app/device_list/device_list.h"
#include "device/discovery_datagrams.h"

class DiscoveryFeed {
 public:
  struct Hooks {
    // Sends WM_DEVICE_FOUND (record, lParam) to the main window and waits for it.
    std::function<void(const DeviceRecord&, unsigned long)> deliver;
    // GetDeviceInfo: fills a record over HTTP, returns 0 or an INFO_ flag.
    std::function<unsigned(int channel, const std::wstring& ip, DeviceRecord&)> query;
    // True while a firmware upgrade runs; records then go to `toUpgrader` instead.
    std::function<bool()> upgradeRunning;
    std::function<void(const DeviceRecord&)> toUpgrader;
  };

  DiscoveryFeed(DeviceList& list, Hooks hooks) : m_list(list), m_hooks(std::move(hooks)) {}

  // A 268-byte reply.
  void ParseDiscoveryReply(const std::uint8_t* reply);
  // A recorder's text reply.
  void AddDiscoveredDevice(const char* text);

 private:
  void SendDeviceRecord(const DeviceIdentityPart& identity, const DeviceModelPart& model,
                        bool wholeDevice, bool conflict);
  bool UpgradeRunning() const { return m_hooks.upgradeRunning && m_hooks.upgradeRunning(); }

  DeviceList& m_list;
  Hooks m_hooks;
};
