#include "tools/devsim/download_site.h"

#include <fstream>
#include <sstream>

namespace devsim {
namespace {

const char kFirstList[] = "/nocache/id=5927";
const char kSecondList[] = "/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=150";
const char kNotesFirst[] = "/nocache/";
const char kNotesSecond[] = "/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?";

HttpReply NotFound() {
  HttpReply r;
  r.status = 404;
  r.body = "404 Not Found\n";
  return r;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

HttpReply SiteAnswer(const HttpRequest& req) {
  const SimDevice& d = *req.device;
  if (!IsDownloadSite(d)) return NotFound();
  const std::string redirect = Setting(d, "redirect", "");
  const std::size_t arrow = redirect.find('>');
  const std::string from = arrow == std::string::npos ? std::string() : redirect.substr(0, arrow);
  if (!from.empty() && StartsWith(req.target, from)) {
    HttpReply r;
    r.status = 302;
    r.headers.emplace_back("Location", redirect.substr(arrow + 1) + req.target.substr(from.size()));
    r.body = "moved\n";
    return r;
  }
  if (req.target == kFirstList || req.target == kSecondList) {
    std::ifstream f(Setting(d, "list", ""), std::ios::binary);
    if (!f) return NotFound();
    std::ostringstream body;
    body << f.rdbuf();
    HttpReply r;
    r.body = body.str();
    return r;
  }
  for (const char* notes : {kNotesFirst, kNotesSecond})
    if (StartsWith(req.target, notes) && req.target.size() > std::string(notes).size()) {
      HttpReply r;
      r.headers.emplace_back("Content-Type", "text/html");
      r.body = "<html><body>Release notes " + req.target.substr(std::string(notes).size()) + "</body></html>\n";
      return r;
    }
  return NotFound();
}

}  // namespace

void RegisterDownloadSite(HttpRegistry& registry) {
  // Every path no other handler takes: a site answers, a device has no such page.
  registry.Add("/", SiteAnswer, false);
}

}  // namespace devsim
