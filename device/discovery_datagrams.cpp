#include "device/discovery_datagrams.h"

#include <cstdio>
#include <cstring>

#include "device/http_port_map.h"
#include "port/text.h"

namespace {

template <std::size_t N>
std::wstring FieldText(const char (&field)[N]) {
  return port::FromLocal8(field, port::FieldLength(field, N));
}

std::wstring ChannelText(unsigned channel, const std::wstring& what) {
  wchar_t head[8];
  std::swprintf(head, sizeof head / sizeof head[0], L"%u - ", channel);
  return head + what;
}

bool Contains(const std::wstring& text, const wchar_t* what) {
  return text.find(what) != std::wstring::npos;
}

}  // namespace

int ReplyHttpPort(const DeviceIdentityPart& identity) {
  return identity.httpPort[0] | (identity.httpPort[1] << 8);
}

void FillDeviceRecord(const DeviceIdentityPart& identity, const DeviceModelPart& model,
                      DeviceRecord& record) {
  // The address text ends at a NUL or at a line feed, whichever comes first.
  std::size_t ipLen = port::FieldLength(identity.ip, sizeof identity.ip);
  if (const void* lf = std::memchr(identity.ip, '\n', ipLen))
    ipLen = static_cast<std::size_t>(static_cast<const char*>(lf) - identity.ip);
  record[SLOT_IP] = port::FromLocal8(identity.ip, ipLen);
  record[SLOT_MAC] = FieldText(identity.mac);
  record[SLOT_FIRMWARE] = FieldText(identity.firmware);
  record[SLOT_MODEL] = FieldText(model.model);
  record[SLOT_MULTICAST_IP] = FieldText(identity.multicastIp);

  g_HttpPortMap.Set(record[SLOT_IP], ReplyHttpPort(identity));

  if (model.channel != 0) {
    record[SLOT_CHANNEL_IP] = ChannelText(model.channel, record[SLOT_IP]);
    record[SLOT_CHANNEL_MAC] = ChannelText(model.channel, record[SLOT_MAC]);
  }

  const std::wstring shortSerial = FieldText(identity.shortSerial);
  const std::wstring serial = FieldText(model.serial);
  const std::wstring& firmware = record[SLOT_FIRMWARE];
  if (Contains(firmware, L"-QT"))
    record[SLOT_SERIAL] = serial;
  else if (Contains(firmware, L"LV"))
    record[SLOT_SERIAL] = serial.compare(0, shortSerial.size(), shortSerial) == 0 ? serial : shortSerial;
  else
    record[SLOT_SERIAL] = serial;
}
