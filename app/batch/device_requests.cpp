#include "app/batch/device_requests.h"

#include "device/device_info.h"
#include "device/http_client.h"

namespace {

class HttpRequests : public DeviceRequests {
 public:
  int GetCgi(const std::wstring& host, const std::wstring& path, char* reply, int replySize, int timeoutMs,
             bool useDefaultLogin, bool acceptError) override {
    return HttpGetCgi(host, path, reply, replySize, timeoutMs, useDefaultLogin, acceptError);
  }
  unsigned GetDeviceInfo(int channel, const std::wstring& ip, DeviceRecord& record) override {
    return ::GetDeviceInfo(channel, ip, record);
  }
};

}  // namespace

DeviceRequests& HttpDeviceRequests() {
  static HttpRequests requests;
  return requests;
}
