#include "device/upgrade_io.h"

#include "device/http_client.h"

namespace {

class HttpUpgradeIo : public UpgradeIo {
 public:
  int GetCgi(const std::wstring& host, const std::wstring& path, char* reply, int replySize, int timeoutMs) override {
    return HttpGetCgi(host, path, reply, replySize, timeoutMs, false, false, 0);
  }
  int GetUrl(const std::wstring& url, int timeoutMs, char* reply, int replySize) override {
    return HttpGetUrl(url, timeoutMs, reply, replySize);
  }
};

}  // namespace

UpgradeIo& DefaultUpgradeIo() {
  static HttpUpgradeIo io;
  return io;
}
