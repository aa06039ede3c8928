// Reading a device's information over HTTP into its record, and the reader of the devices'
// "KEY = value" / "KEY='value'" reply lines.
#pragma once
#include <cstddef>
#include <string>

#include "device/device_record.h"

// Results of GetDeviceInfo besides 0 (the main window passes them on with WM_DEVICE_FOUND).
constexpr unsigned INFO_NO_ANSWER = 0x10000000u;
constexpr unsigned INFO_ERROR_REPLY = 0x20000000u;
constexpr unsigned INFO_LOGIN_REFUSED = 0x40000000u;

// Fills `record` from the device at `ip`. channel: the device's channel, 0 for a
// single-channel device, -1 to ask the device as a whole (no channel in any query and no
// further queries). The record keeps what the caller put in it wherever the device tells
// nothing. Returns 0 or one of the INFO_ flags.
unsigned GetDeviceInfo(int channel, const std::wstring& ip, DeviceRecord& record);

// Appends to `reply` the bodies of the OEM_INFO, VIDEO_CAMERA_NAME and V2_MULTICAST_IP
// queries (a failed query adds nothing).
void GetDeviceExtraInfo(std::string& reply, int channel, const std::wstring& ip);

// Reads the rest of the line after a key found at `keyPos` in a NUL-terminated text: every
// character up to the next line feed (a CR before it stays), with every single quote
// removed, stored NUL-terminated in `value` and cut to capacity - 1 bytes. Returns the
// stored length; 0 with `value` untouched when the key ends the line or the text.
int ExtractLineValue(const char* key, char* value, std::size_t capacity, const char* keyPos);

// Finds the first occurrence of `key` in `text` and reads its value as above (at most
// 2047 bytes). False when the key is absent or its value is empty.
bool FindLineValue(const std::string& text, const char* key, std::string* value);
