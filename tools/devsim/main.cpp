// devsim: stands in for the maker's devices on a test network.
//
//   devsim (--config FILE | --generate N --first-ip A.B.C.D) [--reply-to ADDR]
//          [--log FILE] [--ready FILE] [--burst-batch N] [--burst-pause-us N]
//
// Runs until SIGTERM or SIGINT. --ready names a file written once every service listens.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "tools/devsim/address_move.h"
#include "tools/devsim/config.h"
#include "tools/devsim/cgi_handlers.h"
#include "tools/devsim/config_handlers.h"
#include "tools/devsim/discovery_service.h"
#include "tools/devsim/download_site.h"
#include "tools/devsim/http_server.h"
#include "tools/devsim/request_log.h"
#include "tools/devsim/system_handlers.h"
#include "tools/devsim/upgrade_state.h"
#include "tools/devsim/upgrade_handlers.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

int Usage(const char* why) {
  std::fprintf(stderr, "devsim: %s\nusage: devsim (--config FILE | --generate N --first-ip IP) "
                       "[--reply-to ADDR] [--log FILE] [--ready FILE]\n", why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string config, firstIp, logPath, readyPath;
  int generate = 0;
  devsim::DiscoveryOptions discovery;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](std::string* v) {
      if (i + 1 >= argc) return false;
      *v = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--config" && next(&config)) continue;
    if (a == "--first-ip" && next(&firstIp)) continue;
    if (a == "--log" && next(&logPath)) continue;
    if (a == "--ready" && next(&readyPath)) continue;
    if (a == "--reply-to" && next(&discovery.replyTo)) continue;
    if (a == "--generate" && next(&v)) { generate = std::atoi(v.c_str()); continue; }
    if (a == "--burst-batch" && next(&v)) { discovery.burstBatch = std::atoi(v.c_str()); continue; }
    if (a == "--burst-pause-us" && next(&v)) { discovery.burstPauseUs = std::atoi(v.c_str()); continue; }
    return Usage(("unknown argument " + a).c_str());
  }

  std::vector<devsim::SimDevice> devices;
  std::string error;
  if (!config.empty()) {
    if (!devsim::LoadConfig(config, &devices, &error)) return Usage(error.c_str());
  } else if (generate > 0 && !firstIp.empty()) {
    devices = devsim::GenerateDevices(generate, firstIp);
  } else {
    return Usage("no devices");
  }

  devsim::RequestLog log;
  if (!logPath.empty() && !log.Open(logPath)) return Usage(("cannot write " + logPath).c_str());

  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);

  std::vector<std::unique_ptr<devsim::Service>> services;
  // HTTP: every device's CGI interface on its own address and HTTP port.
  devsim::HttpRegistry httpHandlers;
  devsim::RegisterCgiHandlers(httpHandlers);
  devsim::RegisterUpgradeHandlers(httpHandlers, log);  // update page, upload receiver
  devsim::RegisterSystemHandlers(httpHandlers, log);   // SYSTEM_LOG, CONFIG_RESET, SAVE_REBOOT
  devsim::RegisterConfigHandlers(httpHandlers);        // GET_BLACKBOX_MSG (CONFIG_GET: update page)
  devsim::RegisterDownloadSite(httpHandlers);          // the firmware lists of role=site lines
  auto* http = new devsim::HttpService(devices, httpHandlers, log);
  // An IP-set request moves a device: away for a moment, then at its new address on this
  // namespace's network, its web server with it.
  devsim::DeviceMover move = [&devices, http, &log](int index, const std::string& to, const std::string& netmask) {
    const devsim::SimDevice& d = devices[static_cast<std::size_t>(index)];
    devsim::DeviceFields now = d.fields;
    devsim::UpgradeState::Instance().Present(index, &now);
    int sharing = 0;
    for (const devsim::SimDevice& o : devices) sharing += o.fields.ip == now.ip;
    std::string error;
    if (!devsim::MoveAddress(now.ip, to, netmask, sharing > 1, &error)) {
      log.Write("move " + now.ip + " failed: " + error);
      return;
    }
    http->MoveDevice(index, to);
    const int awayMs = std::atoi(devsim::Setting(d, "ipset_ms", "1000").c_str());
    devsim::UpgradeState::Instance().Reboot(index, awayMs, std::string(), to);
    log.Write("move " + now.ip + " to " + to + " away=" + std::to_string(awayMs));
  };
  services.emplace_back(new devsim::DiscoveryService(devices, discovery, log, move));
  services.emplace_back(http);
  for (auto& s : services) {
    if (!s->Start(&error)) {
      std::fprintf(stderr, "devsim: %s\n", error.c_str());
      return 1;
    }
  }
  if (!readyPath.empty()) std::ofstream(readyPath) << devices.size() << "\n";
  while (!g_stop) pause();
  for (auto& s : services) s->Stop();
  return 0;
}
