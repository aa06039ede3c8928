#include "app/device_list/discovery_feed.h"

#include <cstring>

#include "device/device_info.h"
#include "device/http_port_map.h"
#include "device/model_tests.h"
#include "port/text.h"

void DiscoveryFeed::ParseDiscoveryReply(const std::uint8_t* bytes) {
  DiscoveryReply reply;
  std::memcpy(&reply, bytes, sizeof reply);
  const DeviceIdentityPart& id = reply.identity;
  std::size_t ipLen = port::FieldLength(id.ip, sizeof id.ip);
  if (const void* lf = std::memchr(id.ip, '\n', ipLen))
    ipLen = static_cast<std::size_t>(static_cast<const char*>(lf) - id.ip);
  const std::wstring ip = port::FromLocal8(id.ip, ipLen);
  const std::wstring mac = port::FromLocal8(id.mac, port::FieldLength(id.mac, sizeof id.mac));
  const std::wstring firmware =
      port::FromLocal8(id.firmware, port::FieldLength(id.firmware, sizeof id.firmware));

  const bool conflict = m_list.IsAddressConflict(ip, mac);
  if (IsFamilyModel(firmware) != 0) SendDeviceRecord(id, reply.model, true, conflict);
  SendDeviceRecord(id, reply.model, false, conflict);
}

void DiscoveryFeed::SendDeviceRecord(const DeviceIdentityPart& identity,
                                     const DeviceModelPart& model, bool wholeDevice,
                                     bool conflict) {
  unsigned long status = conflict ? kStatusAddressConflict : 0;
  DeviceRecord record;
  FillDeviceRecord(identity, model, record);

  if (m_list.ShowCameraName() && !conflict && !UpgradeRunning() && m_hooks.query) {
    DeviceRecord queried = record;
    const int channel = wholeDevice ? -1 : model.channel;
    unsigned result = m_hooks.query(channel, record[SLOT_IP], queried);
    if (result == INFO_LOGIN_REFUSED)
      status = INFO_LOGIN_REFUSED | kStatusLoginRefused;
    else
      status = result;
    if (queried[SLOT_MAC] == record[SLOT_MAC]) record = queried;
  }
  if (wholeDevice) record[SLOT_MULTICAST_IP].clear();

  if (UpgradeRunning()) {
    if (m_hooks.toUpgrader) m_hooks.toUpgrader(record);
    return;
  }
  if (m_hooks.deliver) m_hooks.deliver(record, status);
}

void DiscoveryFeed::AddDiscoveredDevice(const char* text) {
  DeviceRecord record;
  RecorderText got = ReadRecorderText(text ? std::string(text) : std::string(), record);
  if (got == RecorderText::Dropped) return;
  if (UpgradeRunning()) {
    if (m_hooks.toUpgrader) m_hooks.toUpgrader(record);
    return;
  }
  if (got != RecorderText::Complete) return;
  g_RecorderIps.Add(record[SLOT_IP]);
  if (m_hooks.deliver) m_hooks.deliver(record, FOUND_TEXT_REPLY);
}
