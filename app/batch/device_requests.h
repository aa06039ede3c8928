// The device requests of the batch workers, behind one interface so that the workers can be
// driven by fakes; the default forwards to the HTTP client and the device-information query.
#pragma once
#include <string>

#include "device/device_record.h"

class DeviceRequests {
 public:
  virtual ~DeviceRequests() = default;
  // HttpGetCgi (device/http_client.h), port from the device's entry. A batch thread's request
  // in flight is given up when its batch is stopped (the thread's stop scope, port/stop_scope.h).
  virtual int GetCgi(const std::wstring& host, const std::wstring& path, char* reply, int replySize,
                     int timeoutMs, bool useDefaultLogin, bool acceptError) = 0;
  // GetDeviceInfo (device/device_info.h): 0 or an INFO_ flag.
  virtual unsigned GetDeviceInfo(int channel, const std::wstring& ip, DeviceRecord& record) = 0;
};

// The HTTP client.
DeviceRequests& HttpDeviceRequests();
