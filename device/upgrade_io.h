// The device requests of the upgrade path, behind one interface so that the engine can be
// driven by fakes; the default forwards to the HTTP client.
#pragma once
#include <string>

class UpgradeIo {
 public:
  virtual ~UpgradeIo() = default;
  // A CGI GET at a device with the main window's login, "ERROR" in the body counted as a
  // failure, the port from the device's entry. Results as HttpGetCgi.
  virtual int GetCgi(const std::wstring& host, const std::wstring& path, char* reply, int replySize,
                     int timeoutMs) = 0;
  // A whole URL without a login on the connection. Results as HttpGetUrl.
  virtual int GetUrl(const std::wstring& url, int timeoutMs, char* reply, int replySize) = 0;
};

// The HTTP client (device/http_client.h).
UpgradeIo& DefaultUpgradeIo();
