#include "tools/devsim/system_handlers.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "tools/devsim/cgi_handlers.h"
#include "tools/devsim/upgrade_state.h"

namespace devsim {
namespace {


bool HasItem(const std::string& query, const std::string& item) {
  std::size_t p = 0;
  while (p <= query.size()) {
    std::size_t e = query.find('&', p);
    if (e == std::string::npos) e = query.size();
    if (query.compare(p, e - p, item) == 0 && e - p == item.size()) return true;
    p = e + 1;
  }
  return false;
}

// True when one of the device's fail rules answers this request instead of the device.
// Whether the rule that answers the request refuses the command. A rule that only empties or
// cuts the reply does not: the device acts and its reply is what goes wrong.
bool Refused(const HttpRequest& req) {
  for (const FailRule& r : FailRules(*req.device)) {
    if (req.target.compare(0, r.prefix.size(), r.prefix) != 0) continue;
    for (const std::string& a : r.actions)
      if (a != "empty" && a != "cut" && a != "cut_reset") return true;
    return false;
  }
  return false;
}

HttpReply SystemLog(const HttpRequest& req) {
  HttpReply r;
  const SimDevice& d = *req.device;
  auto line = [&](const char* label, const std::string& key, const char* setting) {
    std::string v = UpgradeState::Instance().IspVersion(req.deviceIndex, key);
    if (v.empty()) v = Setting(d, setting, "");
    if (!v.empty()) r.body += std::string(label) + v + "\n";
  };
  r.body = "[boot] system start\n";
  line("ISP Firmware Version ", "ISP_FIRMWARE", "isp_firmware");
  line("ISP Device Resource Version ", "ISP_DEV", "isp_dev");
  line("ISP Hardware Version ", "ISP_HARDWARE", "isp_hardware");
  return r;
}

HttpReply SystemGroup(const HttpRequest& req, RequestLog& log) {
  if (req.query.find("SYSTEM_LOG") != std::string::npos) return SystemLog(req);
  for (const char* command : {"CONFIG_RESET", "SAVE_REBOOT"}) {
    if (!HasItem(req.query, command)) continue;
    HttpReply r;
    r.body = std::string(command) + "='OK'\n";
    if (!Refused(req)) {
      const int away = RebootAwayMs(*req.device);
      log.Write("reboot " + req.device->fields.ip + " " + command + " away=" +
                (away == UpgradeState::kNever ? std::string("never") : std::to_string(away)));
      UpgradeState::Instance().Reboot(req.deviceIndex, away, std::string(), std::string());
    }
    return r;
  }
  HttpReply r;
  r.body = CgiReply(*req.device, req.deviceIndex, req.query);
  return r;
}

std::string Decoded(const std::string& v) {
  std::string out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '%' && i + 2 < v.size() && std::isxdigit(static_cast<unsigned char>(v[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(v[i + 2]))) {
      out += static_cast<char>(std::stoi(v.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += v[i];
    }
  }
  return out;
}

// The same commands with the login in the query ("USER=..&PWD=..&SYSTEM_INFO") instead of an
// HTTP login; a wrong one is answered as the device answers a wrong login.
HttpReply QueryLoginGroup(const HttpRequest& req, RequestLog& log) {
  std::string user, password, rest;
  std::size_t p = 0;
  while (p <= req.query.size()) {
    std::size_t e = req.query.find('&', p);
    if (e == std::string::npos) e = req.query.size();
    const std::string item = req.query.substr(p, e - p);
    if (item.compare(0, 5, "USER=") == 0) user = Decoded(item.substr(5));
    else if (item.compare(0, 4, "PWD=") == 0) password = Decoded(item.substr(4));
    else if (!item.empty()) rest += (rest.empty() ? "" : "&") + item;
    p = e + 1;
  }
  const SimDevice& d = *req.device;
  if (user != Setting(d, "user", "admin") || password != Setting(d, "password", "740912")) {
    HttpReply r;
    r.body = Setting(d, "bad_login", "") == "not_authorized" ? "not authorized\n" : "bad account/password\n";
    return r;
  }
  HttpRequest inner = req;
  inner.query = rest;
  return SystemGroup(inner, log);
}

}  // namespace

int RebootAwayMs(const SimDevice& d) {
  const std::string v = Setting(d, "reboot_ms", "2000");
  if (v == "never") return UpgradeState::kNever;
  return std::atoi(v.c_str());
}

void RegisterSystemHandlers(HttpRegistry& registry, RequestLog& log) {
  RequestLog* l = &log;
  registry.Add("/cgi-bin/cmd/system", [l](const HttpRequest& req) { return SystemGroup(req, *l); });
  registry.Add("/cgi-bin/system", [l](const HttpRequest& req) { return QueryLoginGroup(req, *l); }, false);
}

}  // namespace devsim
