// The firmware lists fetched through the system's HTTP library (WinINet): the proxy the
// system is set up with, redirects and HTTPS come with it. Only the two lists go this way;
// every request to a device uses the program's own client.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <mutex>

#include "app/firmware_check.h"

class WinInetListFetcher : public FirmwareListFetcher {
 public:
  WinInetListFetcher() = default;
  ~WinInetListFetcher() override;
  // http and https addresses only; redirects are followed (never from https to http).
  bool Fetch(const std::wstring& url, int timeoutMs, std::string* body) override;
  // Closes the handles of a fetch in flight, which ends its blocked call.
  void Cancel() override;

 private:
  bool Read(HINTERNET request, std::string* body);
  void CloseHandles();

  std::mutex m_Lock;  // the handles and the flag
  HINTERNET m_Session = nullptr;
  HINTERNET m_Request = nullptr;
  bool m_Cancelled = false;
};
