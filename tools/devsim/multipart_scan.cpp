#include "tools/devsim/multipart_scan.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace devsim {

std::string MultipartScan::BoundaryOf(const std::string& contentType) {
  std::string lower(contentType);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower.compare(0, 10, "multipart/") != 0) return std::string();
  const std::size_t at = lower.find("boundary=");
  if (at == std::string::npos) return std::string();
  std::size_t b = at + 9, e = contentType.find(';', b);
  std::string value = contentType.substr(b, e == std::string::npos ? std::string::npos : e - b);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return value;
}

MultipartScan::MultipartScan(const std::string& boundary) {
  if (boundary.empty()) return;
  m_needle = "\r\n--" + boundary;
}

void MultipartScan::Feed(const char* body, std::size_t have) {
  if (m_needle.empty() || have < m_next + m_needle.size()) return;
  // Each CR is a candidate: memchr finds them many bytes at a time, where a skipping search
  // would wait for each byte it reads before it knows where to read next.
  const std::size_t n = m_needle.size();
  const char* end = body + have;
  for (const char* at = body + m_next; static_cast<std::size_t>(end - at) >= n;) {
    const char* cr = static_cast<const char*>(std::memchr(at, '\r', static_cast<std::size_t>(end - at) - (n - 1)));
    if (!cr) break;
    if (std::memcmp(cr, m_needle.data(), n) == 0) {
      m_positions.push_back(static_cast<std::size_t>(cr - body));
      at = cr + n;
    } else {
      at = cr + 1;
    }
  }
  // Past the last hit, a delimiter may still begin in the last needle-size-1 bytes.
  const std::size_t tail = have - (m_needle.size() - 1);
  const std::size_t afterHit = m_positions.empty() ? 0 : m_positions.back() + m_needle.size();
  m_next = std::max({m_next, tail, afterHit});
}

}  // namespace devsim
