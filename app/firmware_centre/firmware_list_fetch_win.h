// The firmware lists fetched through the system's HTTP library (WinINet): the proxy the
// system is set up with, redirects and HTTPS come with it. Only the two lists go this way;
// every request to a device uses the program's own client.
//
// The library works asynchronously and the fetching thread only waits for it, so that a
// cancel ends the fetch at once, whatever the library is still waiting for.
#pragma once
#include <windows.h>
#include <wininet.h>

#include "app/firmware_centre/firmware_check.h"

class WinInetListFetcher : public FirmwareListFetcher {
 public:
  WinInetListFetcher() = default;
  ~WinInetListFetcher() override;
  // http and https addresses only; redirects are followed (never from https to http).
  bool Fetch(const std::wstring& url, int timeoutMs, std::string* body) override;
  void Cancel() override;

  struct Call;

 private:
  // Waits until the library completes the call's pending step (true), or the fetch is
  // cancelled or the library never answers (false).
  bool WaitFor(Call& call, int timeoutMs);
  bool Read(Call& call, HINTERNET request, int timeoutMs, std::string* body, bool* pending);

  // Under the lock of every fetch (the library's callback takes it too).
  bool m_Cancelled = false;
  HINTERNET m_Session = nullptr;
};
