#include "app/firmware_centre/firmware_lists.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "app/settings_file/settings_file.h"
#include "device/device_info.h"
#include "port/text.h"

namespace fwlist {
namespace {

std::wstring Trimmed(const std::wstring& s) {
  const std::size_t first = s.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return std::wstring();
  const std::size_t last = s.find_last_not_of(L" \t");
  return s.substr(first, last - first + 1);
}

std::wstring SiteOf(const IniDocument& doc, const wchar_t* key) {
  std::wstring s = Trimmed(doc.Get(kSettingsSection, key));
  while (!s.empty() && s.back() == L'/') s.pop_back();
  return s;
}

// What ExtractLineValue read, without carriage returns and without blanks at its ends.
std::string Cleaned(const char* value) {
  std::string out;
  for (const char* p = value; *p; ++p)
    if (*p != '\r') out += *p;
  const std::size_t first = out.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return out.substr(first, out.find_last_not_of(" \t") - first + 1);
}

// The value after `key` at `at` in a NUL-terminated text.
std::string ValueAt(const std::string& text, std::size_t at, const std::string& key) {
  char buf[kMaxValueChars + 1] = {};
  if (ExtractLineValue(key.c_str(), buf, sizeof buf, text.c_str() + at) <= 0) return std::string();
  return Cleaned(buf);
}

const GroupKeys kKeys[kGroupsPerList] = {
    {"R7_FW_VER=", "R7_FW_LOG=", ""},
    {"0221_FW_VER=", "R7_FW_LOG=", "0221_FW_LOG="},
    {"0231_FW_VER=", "R7_FW_LOG=", "0231_FW_LOG="},
    {"0331_FW_VER=", "R7_FW_LOG=", "0331_FW_LOG="},
    {"0521_FW_VER=", "R7_FW_LOG=", "0521_FW_LOG="},
    {"R5_FW_VER=", "R5_FW_LOG=", ""},
    {"R9_FW_VER=", "R9_FW_LOG=", ""},
    {"R9X4_FW_VER=", "R9X4_FW_LOG=", ""},
    {"C_FW_VER=", "C_FW_LOG=", ""},
};

}  // namespace

Sites ReadSites(const IniDocument& doc) {
  Sites s;
  s.first = SiteOf(doc, kFirstSiteKey);
  s.second = SiteOf(doc, kSecondSiteKey);
  return s;
}

std::wstring FirstListUrl(const std::wstring& site) { return site + L"/nocache/id=5927"; }

std::wstring SecondListUrl(const std::wstring& site) {
  return site + L"/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=150";
}

std::wstring FirstLogUrl(const std::wstring& site, const std::string& logValue) {
  return site + L"/nocache/" + port::FromLocal8(logValue);
}

std::wstring SecondLogUrl(const std::wstring& site, const std::string& logValue) {
  return site + L"/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?" + port::FromLocal8(logValue);
}

std::string ListValue(const std::string& list, const std::string& key) {
  if (key.empty()) return std::string();
  static const char kBom[] = "\xEF\xBB\xBF";
  std::size_t begin = list.compare(0, 3, kBom) == 0 ? 3 : 0;
  while (begin < list.size()) {
    std::size_t end = list.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = list.size();
    const std::size_t start = std::min(list.find_first_not_of(" \t", begin), end);
    if (list.compare(start, key.size(), key) == 0 && start + key.size() <= end)
      return ValueAt(list.substr(start, end - start), 0, key);
    // CR LF is one line end; a CR or an LF alone is one too.
    begin = end + (list.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return std::string();
}

std::string ReplyValue(const std::string& reply, const std::string& key) {
  const std::size_t at = key.empty() ? std::string::npos : reply.find(key);
  return at == std::string::npos ? std::string() : ValueAt(reply, at, key);
}

std::string VersionToken(const std::string& text) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t dash = text.find('-', from);
    const std::string part = text.substr(from, dash == std::string::npos ? std::string::npos : dash - from);
    if (part.size() >= 3 && (part[0] == 'V' || part[0] == 'A') && part[2] == '.') return part;
    if (dash == std::string::npos) return std::string();
    from = dash + 1;
  }
}

std::uint64_t VersionNumber(const std::string& version) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t n = 0;
  for (char c : version) {
    if (c == 'V' || c == 'A' || c == '.') continue;
    if (c < '0' || c > '9') break;
    const unsigned digit = static_cast<unsigned>(c - '0');
    n = n > (kMax - digit) / 10 ? kMax : n * 10 + digit;
  }
  return n;
}

bool IsNewer(const std::string& listVersion, const std::string& deviceText) {
  return VersionNumber(listVersion) > VersionNumber(VersionToken(deviceText));
}

GroupKeys KeysOf(int index) {
  if (index < 0 || index >= kResultLists) return GroupKeys{"", "", ""};
  return kKeys[index % kGroupsPerList];
}

Group PlatformGroup(const std::string& version) {
  auto has = [&](const char* s) { return version.find(s) != std::string::npos; };
  if (has("V7.")) return kR5;
  if (has("V8.")) return kR9;
  if (has("V9.")) return kR9X4;
  if (has("R7.") || has("A2.") || has("A3.")) return kC;
  return kR7;
}

Group IspGroup(const std::string& ispVersion) {
  static const std::pair<const char*, Group> kCodes[] = {
      {"0221", kR7Isp0221}, {"0231", kR7Isp0231}, {"0331", kR7Isp0331}, {"0521", kR7Isp0521}};
  for (const auto& c : kCodes)
    if (ispVersion.find(c.first) != std::string::npos) return c.second;
  return kR7;
}

}  // namespace fwlist
