#include "tools/devsim/config_handlers.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

namespace devsim {
namespace {

std::mutex g_lock;
std::map<std::pair<int, int>, std::string> g_restored;  // (device, channel) -> file

// Lines padded to `size` bytes with "PAD=xx..." lines (the last one may be cut short).
std::string Padded(std::string text, std::size_t size) {
  while (text.size() < size) text += "PAD=" + std::string(60, 'x') + "\n";
  if (size > 0 && text.size() > size) {
    text.resize(size);
    text.back() = '\n';
  }
  return text;
}

HttpReply BlackBox(const HttpRequest& req) {
  const SimDevice& d = *req.device;
  HttpReply r;
  const std::string text = Setting(d, "blackbox", "");
  if (text == "unknown") {
    r.body = "GET_BLACKBOX_MSG not found\n";
    return r;
  }
  std::string log = text.empty() ? "[0001] boot " + d.fields.firmware + "\n[0002] serial " + d.fields.serial +
                                        "\n[0003] link up " + d.fields.ip + "\n"
                                  : text + "\n";
  r.body = Padded(log, static_cast<std::size_t>(std::atoll(Setting(d, "blackbox_size", "0").c_str())));
  return r;
}

}  // namespace

int ChannelOfQuery(const std::string& query) {
  std::size_t p = 0;
  while (p <= query.size()) {
    std::size_t e = query.find('&', p);
    if (e == std::string::npos) e = query.size();
    if (query.compare(p, 8, "CHANNEL=") == 0) return std::atoi(query.c_str() + p + 8);
    p = e + 1;
  }
  return 0;
}

// A device without channels keeps one configuration, whichever channel it is asked for.
static int StoreKey(const SimDevice& d, int channel) { return d.fields.channel == 0 ? 0 : channel; }

std::string ConfigurationOf(const SimDevice& d, int index, int channel) {
  {
    std::lock_guard<std::mutex> l(g_lock);
    auto it = g_restored.find({index, StoreKey(d, channel)});
    if (it != g_restored.end()) return it->second;
  }
  std::string text = "[CONFIG]\nMAC=" + d.fields.mac + "\nCHANNEL=" + std::to_string(channel) +
                     "\nFIRMWARE=" + d.fields.firmware + "\nVIDEO_FPS_NUM=25\nVIDEO_RESOLUTION=1920x1080\n";
  return Padded(text, static_cast<std::size_t>(std::atoll(Setting(d, "config_size", "600").c_str())));
}

void StoreConfiguration(const SimDevice& d, int index, int channel, const std::string& content, RequestLog& log) {
  {
    std::lock_guard<std::mutex> l(g_lock);
    // The "#INFO" line heads the file, not the configuration.
    const bool header = content.compare(0, 6, "#INFO,") == 0 && content.find('\n') != std::string::npos;
    g_restored[{index, StoreKey(d, channel)}] = header ? content.substr(content.find('\n') + 1) : content;
  }
  log.Write("config " + d.fields.ip + " restored ch=" + std::to_string(channel) +
            " size=" + std::to_string(content.size()));
}

void RegisterConfigHandlers(HttpRegistry& registry) {
  registry.Add("/cgi-bin/test", [](const HttpRequest& req) {
    if (req.query.find("GET_BLACKBOX_MSG") != std::string::npos) return BlackBox(req);
    HttpReply r;
    r.status = 404;
    r.body = "404 Not Found\n";
    return r;
  });
}

}  // namespace devsim
