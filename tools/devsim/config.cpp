#include "tools/devsim/config.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "port/net.h"

namespace devsim {
namespace {

bool ToUnsigned(const std::string& v, unsigned max, unsigned* out) {
  if (v.empty() || v.size() > 6) return false;
  unsigned n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<unsigned>(c - '0');
  }
  if (n > max) return false;
  *out = n;
  return true;
}

}  // namespace

bool ParseDeviceLine(const std::string& line, SimDevice* d, std::string* error) {
  std::istringstream in(line);
  std::string word;
  while (in >> word) {
    std::size_t eq = word.find('=');
    if (eq == std::string::npos || eq == 0) {
      *error = "not key=value: " + word;
      return false;
    }
    std::string k = word.substr(0, eq), v = word.substr(eq + 1);
    // Texts may carry spaces written as %20 and line feeds as %0A.
    std::string t;
    for (std::size_t i = 0; i < v.size(); ++i) {
      if (v[i] == '%' && i + 2 < v.size() && std::isxdigit(static_cast<unsigned char>(v[i + 1])) &&
          std::isxdigit(static_cast<unsigned char>(v[i + 2]))) {
        t.push_back(static_cast<char>(std::stoi(v.substr(i + 1, 2), nullptr, 16)));
        i += 2;
      } else {
        t.push_back(v[i]);
      }
    }
    v = t;
    unsigned n = 0;
    if (k == "ip") d->fields.ip = v;
    else if (k == "mac") d->fields.mac = v;
    else if (k == "firmware") d->fields.firmware = v;
    else if (k == "model") d->fields.model = v;
    else if (k == "serial") d->fields.serial = v;
    else if (k == "short_serial") d->fields.shortSerial = v;
    else if (k == "multicast") d->fields.multicastIp = v;
    else if (k == "name") d->cameraName = v;
    else if (k == "text_root") d->textRoot = v;
    else if (k == "upgradable") d->upgradable = v;
    else if (k == "platform") d->platform = v;
    else if (k == "discovery") d->discovery = v;
    else if (k == "channel" || k == "http_port") {
      if (!ToUnsigned(v, k == "channel" ? 255u : 65535u, &n)) {
        *error = "bad number: " + word;
        return false;
      }
      (k == "channel" ? d->fields.channel : d->fields.httpPort) = n;
    } else if (k == "malformed") {
      std::istringstream parts(v);
      std::string m;
      while (std::getline(parts, m, ',')) d->malformed.insert(m);
    } else {
      d->extra[k] = v;
    }
  }
  // A download site (tools/devsim/download_site.h) answers no probe.
  if (d->extra.count("role") && d->extra["role"] == "site") d->discovery = "none";
  return true;
}

bool LoadConfig(const std::string& path, std::vector<SimDevice>* out, std::string* error) {
  std::ifstream f(path);
  if (!f) {
    *error = "cannot read " + path;
    return false;
  }
  std::string line;
  int number = 0;
  while (std::getline(f, line)) {
    ++number;
    std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    SimDevice d;
    if (!ParseDeviceLine(line, &d, error)) {
      *error = path + ":" + std::to_string(number) + ": " + *error;
      return false;
    }
    if (d.fields.ip.empty()) {
      *error = path + ":" + std::to_string(number) + ": no ip";
      return false;
    }
    out->push_back(d);
  }
  return true;
}

std::vector<SimDevice> GenerateDevices(int count, const std::string& firstIp) {
  std::vector<SimDevice> out;
  std::uint32_t base = 0;
  if (!port::ParseIPv4(firstIp, &base)) return out;
  for (int i = 0; i < count; ++i) {
    SimDevice d;
    char buf[64];
    d.fields.ip = port::FormatIPv4(base + static_cast<std::uint32_t>(i));
    std::snprintf(buf, sizeof buf, "00:0F:7C:%02X:%02X:%02X", (i >> 16) & 255, (i >> 8) & 255, i & 255);
    d.fields.mac = buf;
    d.fields.firmware = "A1D-310-V5.00.01-AC";
    d.fields.model = "CAM-3100";
    std::snprintf(buf, sizeof buf, "SN%08d", i);
    d.fields.serial = buf;
    d.fields.shortSerial = "SN";
    d.fields.multicastIp = "239.1.0.1";
    d.cameraName = "Camera " + std::to_string(i);
    out.push_back(d);
  }
  return out;
}

}  // namespace devsim
