// The twelve texts the program keeps of one device.
#pragma once
#include <array>
#include <cstddef>
#include <string>

enum DeviceSlot : std::size_t {
  SLOT_IP = 0,
  SLOT_CAMERA_NAME = 1,
  SLOT_MAC = 2,
  SLOT_FIRMWARE = 3,
  SLOT_MODEL = 4,
  SLOT_SERIAL = 5,
  SLOT_MULTICAST_IP = 6,
  SLOT_CHANNEL_IP = 7,
  SLOT_CHANNEL_MAC = 8,
  SLOT_PARAMETERS = 9,
  SLOT_UPGRADABLE = 10,
  SLOT_PLATFORM = 11,
  DEVICE_SLOT_COUNT = 12
};

struct DeviceRecord {
  std::array<std::wstring, DEVICE_SLOT_COUNT> slots;

  std::wstring& operator[](std::size_t i) { return slots[i]; }
  const std::wstring& operator[](std::size_t i) const { return slots[i]; }
  bool operator==(const DeviceRecord& o) const { return slots == o.slots; }
};
