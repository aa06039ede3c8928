// The firmware lists fetched with the program's own HTTP client, for the native tests of the
// firmware check against a simulated download site (the program itself fetches them with the
// system's library on Windows: app/firmware_centre/firmware_list_fetch_win.h). Plain http, no redirects.
#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "app/firmware_centre/firmware_check.h"
#include "device/http_connection.h"
#include "device/http_url.h"
#include "port/stop_scope.h"
#include "port/text.h"

namespace testlab {

class UrlListFetcher : public FirmwareListFetcher {
 public:
  bool Fetch(const std::wstring& url, int timeoutMs, std::string* body) override {
    body->clear();
    port::StopScope scope(&m_cancelled);
    http::Url u;
    if (m_cancelled || !http::ParseUrl(port::ToLocal8(url), &u)) return false;
    http::GetRequest req;
    req.host = u.host;
    req.port = u.port;
    req.target = u.target;
    req.timeoutMs = timeoutMs;
    std::vector<char> buf(kMaxListBytes + 2);
    http::GetResult res;
    if (!http::Get(req, buf.data(), static_cast<int>(buf.size()), &res) || res.status != 200 || res.truncated ||
        static_cast<std::size_t>(res.bodyBytes) > kMaxListBytes)
      return false;
    body->assign(buf.data(), static_cast<std::size_t>(res.bodyBytes));
    return !m_cancelled;
  }
  void Cancel() override { m_cancelled = true; }

 private:
  std::atomic<bool> m_cancelled{false};
};

}  // namespace testlab
