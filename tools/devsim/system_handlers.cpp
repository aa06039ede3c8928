#include "tools/devsim/system_handlers.h"

#include <cstdlib>

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
bool Refused(const HttpRequest& req) {
  for (const FailRule& r : FailRules(*req.device))
    if (req.target.compare(0, r.prefix.size(), r.prefix) == 0) return true;
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

}  // namespace

int RebootAwayMs(const SimDevice& d) {
  const std::string v = Setting(d, "reboot_ms", "2000");
  if (v == "never") return UpgradeState::kNever;
  return std::atoi(v.c_str());
}

void RegisterSystemHandlers(HttpRegistry& registry, RequestLog& log) {
  RequestLog* l = &log;
  registry.Add("/cgi-bin/cmd/system", [l](const HttpRequest& req) { return SystemGroup(req, *l); });
}

}  // namespace devsim
