#include "device/http_url.h"

#include <cctype>
#include <cstdlib>

namespace http {
namespace {

const char kHex[] = "0123456789ABCDEF";

void AppendEscaped(std::string* out, unsigned char c) {
  *out += '%';
  *out += kHex[c >> 4];
  *out += kHex[c & 15];
}

bool HostChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

}  // namespace

bool ParseUrl(const std::string& url, Url* out) {
  std::string rest = url.substr(0, url.find('#'));
  std::size_t scheme = rest.find("://");
  if (scheme != std::string::npos) {
    std::string s = rest.substr(0, scheme);
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (s != "http") return false;
    rest = rest.substr(scheme + 3);
  }
  std::size_t slash = rest.find_first_of("/?");
  std::string authority = rest.substr(0, slash);
  std::string target = slash == std::string::npos ? std::string("/") : rest.substr(slash);
  if (authority.find('@') != std::string::npos) return false;
  int port = 80;
  std::size_t colon = authority.find(':');
  std::string host = authority.substr(0, colon);
  if (colon != std::string::npos) {
    std::string p = authority.substr(colon + 1);
    if (p.empty() || p.size() > 5) return false;
    for (char c : p)
      if (c < '0' || c > '9') return false;
    port = std::atoi(p.c_str());
    if (port < 1 || port > 65535) return false;
  }
  if (host.empty()) return false;
  for (char c : host)
    if (!HostChar(c)) return false;
  out->host = host;
  out->port = port;
  out->target = SafeTarget(target);
  return true;
}

std::string SafeTarget(const std::string& target) {
  std::string out;
  if (target.empty() || target[0] != '/') out += '/';
  for (char ch : target) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F || ch == '#') AppendEscaped(&out, c);
    else out += ch;
  }
  return out;
}

std::string PercentEncode(const std::string& bytes) {
  std::string out;
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F || ch == '&' || ch == '#' || ch == '%' || ch == '+') AppendEscaped(&out, c);
    else out += ch;
  }
  return out;
}

bool IsHeaderSafe(const std::string& text) {
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
  }
  return true;
}

}  // namespace http
