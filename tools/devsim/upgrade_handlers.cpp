#include "tools/devsim/upgrade_handlers.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "tools/devsim/config_handlers.h"
#include "tools/devsim/system_handlers.h"
#include "tools/devsim/upgrade_state.h"

namespace devsim {
namespace {

const std::string kBoundary = "---------------------------7d72d818540206";
const std::string kDelimiter = "--" + kBoundary;


// The last '&' item of a query: the update key.
std::string UpdateKey(const std::string& target) {
  std::size_t q = target.find('?');
  if (q == std::string::npos) return std::string();
  std::size_t amp = target.rfind('&');
  return target.substr(amp == std::string::npos || amp < q ? q + 1 : amp + 1);
}

std::string BaseName(const std::string& file) {
  std::size_t dot = file.rfind('.');
  return dot == std::string::npos ? file : file.substr(0, dot);
}

HttpReply Reset() {
  HttpReply r;
  r.delivery = HttpDelivery::Refuse;
  return r;
}

void RebootAfterUpgrade(const HttpRequest& req, const std::string& newFirmware) {
  const SimDevice& d = *req.device;
  std::string after = Setting(d, "after_firmware", "new");
  std::string fw = after == "new" ? newFirmware : after == "old" ? std::string() : after;
  std::string ip = Setting(d, "after_ip", "");
  if (ip == "default") ip = "192.168.0.100";
  UpgradeState::Instance().Reboot(req.deviceIndex, RebootAwayMs(d), fw, ip);
}

std::string Page(const SimDevice& d) {
  std::string kind = Setting(d, "upgrade_page", "two");
  if (kind == "none") return "<html><body>Upgrade</body></html>\n";
  std::string p = "<html><body><form method=\"post\" action=\"/cgi-bin/upload.cgi\" "
                  "enctype=\"multipart/form-data\">\n"
                  "<input type=\"FILE\" size=\"40\" name=\"upfile\">\n";
  if (kind == "two") p += "<input type=\"FILE\" size=\"40\" name=\"md5file\">\n";
  p += "<input type=\"submit\" value=\"Apply\" name=\"apply\">\n</form></body></html>\n";
  return p;
}

HttpReply UpdatePage(const HttpRequest& req, RequestLog& log) {
  HttpReply r;
  r.headers.emplace_back("Content-Type", "text/html");
  if (UpdateKey(req.target) == "CONFIG_GET") {
    r.headers.back().second = "text/plain";
    r.body = ConfigurationOf(*req.device, req.deviceIndex, ChannelOfQuery(req.query));
    return r;
  }
  if (UpdateKey(req.target) == "FIRMWARE_NETWORK") {
    log.Write("upgrade " + req.device->fields.ip + " network");
    RebootAfterUpgrade(req, Setting(*req.device, "network_firmware", ""));
    r.body = "OK\n";
    return r;
  }
  r.body = Page(*req.device);
  return r;
}

// One part from `at` (just after a delimiter's CR LF): its headers and its content up to
// the next delimiter (`delimiters`: where each CR LF delimiter starts, in order). Returns the
// position after that delimiter, or npos.
std::size_t ReadPart(const std::string& body, const std::vector<std::size_t>& delimiters, std::size_t at,
                     std::string* headers, std::size_t* contentAt, std::size_t* contentLen) {
  std::size_t h = body.find("\r\n\r\n", at);
  if (h == std::string::npos) return std::string::npos;
  *headers = body.substr(at, h - at);
  *contentAt = h + 4;
  const auto hit = std::lower_bound(delimiters.begin(), delimiters.end(), *contentAt);
  if (hit == delimiters.end()) return std::string::npos;
  *contentLen = *hit - *contentAt;
  return *hit + 2 + kDelimiter.size();
}

std::string Quoted(const std::string& headers, const std::string& key, bool* found) {
  std::size_t p = headers.find(key + "=\"");
  *found = p != std::string::npos;
  if (!*found) return std::string();
  p += key.size() + 2;
  std::size_t e = headers.find('"', p);
  return headers.substr(p, e == std::string::npos ? std::string::npos : e - p);
}

HttpReply UploadReceiver(const HttpRequest& req, RequestLog& log) {
  const SimDevice& d = *req.device;
  HttpReply r;
  UploadParts parts;
  std::string bad = req.method != "POST" ? "not a POST" : CheckUploadBody(req.Header("content-type"), req.body, req.delimiters, &parts);
  if (bad.empty() && req.Header("content-length") != std::to_string(req.body.size())) bad = "content-length";
  if (bad.empty() && req.Header("host").empty()) bad = "no host";
  if (bad.empty() && parts.firstField != "upfile") bad = "first field " + parts.firstField;
  if (bad.empty() && parts.hasSecond && parts.secondField != "md5file") bad = "second field " + parts.secondField;
  if (bad.empty() && (parts.submitField != "apply" || parts.submitValue != "Apply")) bad = "submit part";
  if (!bad.empty()) {
    log.Write("upload " + d.fields.ip + " bad " + bad);
    r.status = 400;
    r.body = "ERROR: " + bad + "\n";
    return r;
  }
  const std::string key = UpdateKey(req.Header("referer"));
  std::string line = "upload " + d.fields.ip + " ok key=" + key + " file=" + parts.firstName +
                     " size=" + std::to_string(parts.firstSize);
  if (parts.hasSecond) line += " second=" + parts.secondName + " size2=" + std::to_string(parts.secondSize);
  log.Write(line);
  UpgradeState::Instance().CountUpload(req.deviceIndex);

  const std::string answer = Setting(d, "upload", "ok");
  if (answer == "reset") return Reset();
  if (answer == "silent") {
    r.delivery = HttpDelivery::Silent;
    return r;
  }
  if (answer == "status404" || answer == "status500") {
    r.status = answer == "status404" ? 404 : 500;
    r.body = "Not here\n";
    return r;
  }
  r.body = answer == "error" ? "Upload Error\n" : "Upgrade OK\n";
  if (answer != "error") {
    const std::string base = BaseName(parts.firstName);
    if (key.compare(0, 4, "ISP_") == 0) {
      UpgradeState::Instance().SetIspVersion(req.deviceIndex, key, base);
      RebootAfterUpgrade(req, std::string());
    } else if (key == "CONFIG_SET") {
      const int channel = ChannelOfQuery(req.Header("referer"));  // its '&' items
      StoreConfiguration(d, req.deviceIndex, channel, req.body.substr(parts.firstAt, parts.firstSize), log);
      // A channel's configuration is applied at once; the device's own makes it reboot.
      if (channel == 0) RebootAfterUpgrade(req, std::string());
    } else {
      RebootAfterUpgrade(req, base);
    }
  }
  return r;
}

}  // namespace

std::string CheckUploadBody(const std::string& contentType, const std::string& body,
                            const std::vector<std::size_t>& delimiters, UploadParts* parts) {
  if (contentType != "multipart/form-data; boundary=" + kBoundary) return "content-type";
  const std::string closing = kDelimiter + "--\r\n" + std::string(1, '\0');
  if (body.size() < closing.size() || body.compare(body.size() - closing.size(), closing.size(), closing) != 0)
    return "no closing delimiter and NUL";
  if (body.compare(0, kDelimiter.size() + 2, kDelimiter + "\r\n") != 0) return "no opening delimiter";
  std::size_t at = kDelimiter.size() + 2;
  int index = 0;
  while (true) {
    std::string headers;
    std::size_t contentAt = 0, contentLen = 0;
    std::size_t next = ReadPart(body, delimiters, at, &headers, &contentAt, &contentLen);
    if (next == std::string::npos) return "part " + std::to_string(index) + " unterminated";
    bool hasName = false, hasFile = false;
    std::string name = Quoted(headers, "name", &hasName), file = Quoted(headers, "filename", &hasFile);
    if (headers.compare(0, 31, "Content-Disposition: form-data;") != 0 || !hasName) return "disposition";
    if (hasFile) {
      if (file.empty() || file.find_first_of("/\\") != std::string::npos) return "file name " + file;
      const bool first = index == 0;
      const char* type = first ? "Content-Type: application/x-gzip-compressed" : "Content-Type: text/plain";
      if (headers.find(type) == std::string::npos) return "content type of " + name;
      if (first) {
        parts->firstField = name;
        parts->firstName = file;
        parts->firstAt = contentAt;
        parts->firstSize = contentLen;
      } else if (index == 1 && !parts->hasSecond) {
        parts->hasSecond = true;
        parts->secondField = name;
        parts->secondName = file;
        parts->secondSize = contentLen;
      } else {
        return "too many files";
      }
    } else {
      if (index == 0) return "no file part";
      parts->submitField = name;
      parts->submitValue = body.substr(contentAt, contentLen);
    }
    ++index;
    if (body.compare(next, 2, "\r\n") == 0) {
      at = next + 2;
      if (!parts->submitField.empty()) return "part after submit";
      continue;
    }
    if (next + 5 == body.size() && body.compare(next, 4, "--\r\n") == 0) break;
    return "bytes after the closing delimiter";
  }
  if (parts->submitField.empty()) return "no submit part";
  return std::string();
}

void RegisterUpgradeHandlers(HttpRegistry& registry, RequestLog& log) {
  RequestLog* l = &log;
  registry.Add("/cgi-bin/update", [l](const HttpRequest& req) { return UpdatePage(req, *l); }, false);
  registry.Add("/cgi-bin/upload.cgi", [l](const HttpRequest& req) { return UploadReceiver(req, *l); }, false);
}

}  // namespace devsim
