// The maker's firmware lists and the version comparison: every key read from a list as the
// line rule says (at the start of a line, after an optional byte-order mark and blanks; CR,
// LF or CR LF ending lines), the same whatever line ends and indentation the list is written
// with; version numbers and tokens as their texts say; and a device filed at most once, in the
// half of the result lists its firmware text chooses.
//
// Input: the list, a NUL, the device's information reply, a NUL, its log reply, a NUL, a
// version text; the first byte picks how the list is written again.
#include <algorithm>
#include <string>
#include <vector>

#include "app/firmware_centre/firmware_check.h"
#include "app/firmware_centre/firmware_lists.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

class NoFetcher : public FirmwareListFetcher {
 public:
  bool Fetch(const std::wstring&, int, std::string*) override { return false; }
  void Cancel() override {}
};

class NoDevices : public DeviceRequests {
 public:
  int GetCgi(const std::wstring&, const std::wstring&, char* reply, int, int, bool, bool) override {
    reply[0] = '\0';
    return -1;
  }
  unsigned GetDeviceInfo(int, const std::wstring&, DeviceRecord&) override { return 0; }
};

const char kBom[] = "\xEF\xBB\xBF";

// The list's lines, split as simply as possible: every CR LF, then every CR, becomes an LF.
std::vector<std::string> Lines(const std::string& list) {
  std::string text = list.compare(0, 3, kBom) == 0 ? list.substr(3) : list;
  std::string unified;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      unified += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      unified += text[i];
    }
  }
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < unified.size()) {
    const std::size_t end = std::min(unified.find('\n', from), unified.size());
    lines.push_back(unified.substr(from, end - from));
    from = end + 1;
  }
  return lines;
}

// What the rule gives for a key: the rest of the first line that begins with it after
// blanks, up to a NUL, without single quotes, cut to the longest value, trimmed of blanks.
std::string Expected(const std::vector<std::string>& lines, const std::string& key) {
  for (const std::string& line : lines) {
    const std::size_t start = std::min(line.find_first_not_of(" \t"), line.size());
    if (line.compare(start, key.size(), key) != 0) continue;
    std::string rest = line.substr(start + key.size());
    rest = rest.substr(0, rest.find('\0'));
    std::string value;
    for (char c : rest)
      if (c != '\'' && value.size() < fwlist::kMaxValueChars) value += c;
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return value.substr(first, value.find_last_not_of(" \t") - first + 1);
  }
  return std::string();
}

// The list written again from its lines: with or without a mark, each line indented or not,
// ended by CR, LF or CR LF.
std::string Rewritten(const std::vector<std::string>& lines, unsigned how) {
  static const char* const kEnds[] = {"\n", "\r", "\r\n"};
  std::string out = (how & 1) ? kBom : "";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (how & 2) out += (i % 2) ? "\t" : "  ";
    out += lines[i];
    if (i + 1 < lines.size() || (how & 4)) out += kEnds[((how >> 3) + i) % 3];
  }
  return out;
}

// Every key the check reads, and a few that hold others.
std::vector<std::string> Keys() {
  std::vector<std::string> keys;
  for (int i = 0; i < fwlist::kGroupsPerList; ++i) {
    const fwlist::GroupKeys k = fwlist::KeysOf(i);
    for (const char* key : {k.version, k.fwLog, k.ispLog})
      if (*key) keys.push_back(key);
  }
  keys.push_back("R7_FW_LOG=");
  keys.push_back("NVC_FW_VER=");
  return keys;
}

void CheckVersion(const std::string& text) {
  const std::string token = fwlist::VersionToken(text);
  if (!token.empty()) {
    FUZZ_CHECK(token.size() >= 3 && (token[0] == 'V' || token[0] == 'A') && token[2] == '.');
    FUZZ_CHECK(token.find('-') == std::string::npos && text.find(token) != std::string::npos);
  }
  // A version of digits, 'V', 'A' and '.' alone is the number of its digits.
  std::string digits;
  bool plain = true;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
    else if (c != 'V' && c != 'A' && c != '.') plain = false;
  }
  if (plain && digits.size() <= 18) FUZZ_CHECK(fwlist::VersionNumber(text) == (digits.empty() ? 0 : std::stoull(digits)));
  // A list that names the device's own version has nothing newer.
  if (!token.empty()) FUZZ_CHECK(!fwlist::IsNewer(token, text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  fuzz::Input in(data, size);
  const unsigned how = in.Byte();
  const std::string list = in.Part('\0');
  const std::string info = in.Part('\0');
  const std::string log = in.Part('\0');
  const std::string version = in.Rest();

  const std::vector<std::string> lines = Lines(list);
  const std::string again = Rewritten(lines, how);
  for (const std::string& key : Keys()) {
    const std::string value = fwlist::ListValue(list, key);
    FUZZ_CHECK(value.size() <= fwlist::kMaxValueChars);
    FUZZ_CHECK(value.find_first_of("\r\n'") == std::string::npos);
    FUZZ_CHECK(value.empty() || (value.front() != ' ' && value.back() != ' '));
    FUZZ_CHECK(value == Expected(lines, key));
    FUZZ_CHECK(fwlist::ListValue(again, key) == value);
  }

  CheckVersion(version);
  CheckVersion(info);

  NoFetcher fetcher;
  NoDevices devices;
  FirmwareCheck check(fwlist::Sites{L"http://first.test", L"http://second.test"}, Login{}, fetcher, devices);
  check.SetLists(list, again);
  bool lv = false;
  const int r = check.CheckDeviceFirmware(L"10.0.0.1", info, &lv);
  FUZZ_CHECK(r == 0 || r == 1 || r == 16);
  if (r != 0) check.CheckDeviceIsp(L"10.0.0.1", log, lv, r);
  int filed = 0;
  for (int i = 0; i < fwlist::kResultLists; ++i) {
    const std::size_t n = check.Results(i).size();
    FUZZ_CHECK(n <= 1);
    if (n) FUZZ_CHECK(fwlist::UsesFirstList(i) == lv);
    filed += static_cast<int>(n);
    check.FwLogUrl(i);
    check.IspLogUrl(i);
  }
  FUZZ_CHECK(filed <= 1);
  return 0;
}
