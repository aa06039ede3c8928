#include "tools/devsim/cgi_handlers.h"
#include "tools/devsim/upgrade_state.h"

#include "tools/devsim/av_handlers.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>

namespace devsim {
namespace {

std::mutex g_setLock;
// Parameters set by requests, per device index.
std::map<int, std::map<std::string, std::string>> g_set;


bool IsRecorder(const SimDevice& d) {
  const std::string& m = d.fields.model;
  return m.compare(0, 4, "NVQ-") == 0 || m.compare(0, 4, "VTB-") == 0;
}

std::string Param(const SimDevice& d, int index, const std::string& key, int channel) {
  {
    std::lock_guard<std::mutex> l(g_setLock);
    auto dev = g_set.find(index);
    if (dev != g_set.end()) {
      auto it = dev->second.find(key);
      if (it != dev->second.end()) return it->second;
    }
  }
  // Upper-case configuration keys are CGI parameters of the device.
  auto it = d.extra.find(key);
  if (it != d.extra.end()) return it->second;
  if (key == "VIDEO_CAMERA_NAME")
    return channel > 0 ? d.cameraName + "-" + std::to_string(channel) : d.cameraName;
  if (key == "V2_MULTICAST_IP") return d.fields.multicastIp;
  if (key == "OEM_MODEL_DESC") return d.fields.model;
  if (key == "OEM_SERIAL_NUM") return d.fields.serial;
  if (key == "VIDEO_ENCODER") return "H264";
  if (key == "VIDEO_RESOLUTION") return "1920x1080";
  if (key == "VIDEO_FPS_NUM") return "30";
  if (key == "V2_AUDIO_ENABLED") return "1";
  if (key == "PORT_VIDEO") return "8001";
  if (key == "PORT_CONTROL") return "8002";
  if (key == "V2_PORT_RTSP") return "554";
  if (key == "PORT_HTTP") return std::to_string(d.fields.httpPort);
  return std::string();
}

const char kCompany[] = "Simulated Video Devices";

std::string Quoted(const std::string& key, const std::string& v) { return key + "='" + v + "'\n"; }

}  // namespace

std::string CgiReply(const SimDevice& d, int index, const std::string& query) {
  std::vector<std::string> items;
  std::size_t p = 0;
  while (p <= query.size()) {
    std::size_t e = query.find('&', p);
    if (e == std::string::npos) e = query.size();
    if (e > p) items.push_back(query.substr(p, e - p));
    p = e + 1;
  }
  int channel = 0;
  for (const auto& it : items)
    if (it.compare(0, 8, "CHANNEL=") == 0) channel = std::atoi(it.c_str() + 8);
  // A device that knows one syntax of the date commands answers the other with an error.
  const std::string syntax = Setting(d, "date_syntax", "");
  for (const auto& it : items) {
    const std::string key = it.substr(0, it.find('='));
    if ((syntax == "new" && key == "DATE_CONFIG") || (syntax == "old" && key == "DATE_TYPE")) return "ERROR\n";
  }
  if (AvRefuses(d, items)) return "ERROR\n";
  std::string out;
  for (const auto& it : items) {
    if (it.compare(0, 8, "CHANNEL=") == 0) continue;
    if (AvItem(d, index, channel, it, &out)) continue;
    std::size_t eq = it.find('=');
    if (eq != std::string::npos) {
      std::string key = it.substr(0, eq), value = it.substr(eq + 1);
      {
        std::lock_guard<std::mutex> l(g_setLock);
        g_set[index][key] = value;
      }
      out += Quoted(key, value);
    } else if (it == "SYSTEM_INFO") {
      bool q = Setting(d, "sysinfo_quotes", "0") == "1";
      auto line = [&](const char* key, const std::string& v) {
        out += std::string(key) + " = " + (q ? "'" + v + "'" : v) + "\n";
      };
      // The firmware it runs: what its last upgrade brought, once it has rebooted.
      DeviceFields now = d.fields;
      if (UpgradeState::Instance().Touched(index)) UpgradeState::Instance().Present(index, &now);
      line("Firmware Version", now.firmware);
      line("MAC Address", d.fields.mac);
      line("Unit Type", Setting(d, "unit_type", d.fields.model));
      line("Production ID", Setting(d, "production_id", d.fields.serial));
      const std::string company = Setting(d, "company", kCompany);
      if (!company.empty()) line("Company Name", company);
      line("Platform", d.platform);
      if (!Setting(d, "profile_id", "").empty()) line("Profile ID", Setting(d, "profile_id", ""));
      if (!Setting(d, "isp_generation", "").empty()) line("ISP_GENERATION", Setting(d, "isp_generation", ""));
      out += AvSystemInfoLines(d);
      if (IsRecorder(d) || Setting(d, "sysinfo_all", "0") == "1") {
        out += Quoted("OEM_MODEL_DESC", Param(d, index, "OEM_MODEL_DESC", channel));
        out += Quoted("OEM_SERIAL_NUM", Param(d, index, "OEM_SERIAL_NUM", channel));
        out += Quoted("VIDEO_CAMERA_NAME", Param(d, index, "VIDEO_CAMERA_NAME", channel));
        out += Quoted("V2_MULTICAST_IP", Param(d, index, "V2_MULTICAST_IP", channel));
      }
    } else if (it == "OEM_INFO") {
      out += Quoted("OEM_MODEL_DESC", Param(d, index, "OEM_MODEL_DESC", channel));
      out += Quoted("OEM_SERIAL_NUM", Param(d, index, "OEM_SERIAL_NUM", channel));
    } else {
      out += Quoted(it, Param(d, index, it, channel));
    }
  }
  return out;
}

std::string ServerInfoReply(const SimDevice& d) {
  if (Setting(d, "server_info", "0") != "1") return std::string();
  return "Firmware=" + d.fields.firmware + "\nProductID=" + Setting(d, "production_id", d.fields.serial) +
         "\nCompanyName=" + Setting(d, "company", kCompany) + "\n";
}

void RegisterCgiHandlers(HttpRegistry& registry) {
  registry.Add("/cgi-bin/cmd/", [](const HttpRequest& req) {
    HttpReply r;
    r.body = CgiReply(*req.device, req.deviceIndex, req.query);
    return r;
  });
  registry.Add("/cgi-bin/serverConfig", [](const HttpRequest& req) {
    HttpReply r;
    r.body = req.query == "Action=loadInfo" ? ServerInfoReply(*req.device) : std::string();
    if (r.body.empty()) r.status = 404;
    return r;
  });
}

}  // namespace devsim
