#include "device/upgrade_rules.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "device/cgi_urls.h"
#include "device/config_file.h"
#include "device/helpers.h"
#include "device/model_tests.h"
#include "device/upgrade_files.h"
#include "port/text.h"

namespace {

constexpr int kInfoReplySize = 2048;
constexpr int kInfoTimeoutMs = 90000;

// Characters [from, from+count) of a text, as many as there are.
std::wstring Mid(const std::wstring& s, std::size_t from, std::size_t count) {
  if (from >= s.size()) return std::wstring();
  return s.substr(from, count);
}

std::wstring Last(const std::wstring& s, std::size_t count) {
  return s.size() <= count ? s : s.substr(s.size() - count);
}

bool StartsWith(const std::wstring& s, const wchar_t* prefix) {
  return s.compare(0, std::wcslen(prefix), prefix) == 0;
}

bool Contains(const std::wstring& s, const wchar_t* part) { return s.find(part) != std::wstring::npos; }

std::wstring ReplaceAll(std::wstring s, const std::wstring& from, const std::wstring& to) {
  for (std::size_t p = 0; (p = s.find(from, p)) != std::wstring::npos; p += to.size()) s.replace(p, from.size(), to);
  return s;
}

// The rest of the line after `label` in a reply, single quotes removed and a trailing CR
// dropped (devices that end their lines with CR LF report the same versions).
bool LineValue(const std::string& reply, const char* label, std::string* value) {
  std::size_t p = reply.find(label);
  if (p == std::string::npos) return false;
  p += std::strlen(label);
  std::size_t e = reply.find('\n', p);
  std::string v = reply.substr(p, e == std::string::npos ? std::string::npos : e - p);
  if (!v.empty() && v.back() == '\r') v.pop_back();
  std::string out;
  for (char c : v)
    if (c != '\'') out.push_back(c);
  *value = out;
  return !out.empty();
}

// The value after `name="` that follows position `from`, up to the next double quote.
std::string NameAfter(const std::string& page, std::size_t from, std::size_t* end) {
  std::size_t n = page.find("name=\"", from);
  if (n == std::string::npos) return std::string();
  n += 6;
  std::size_t q = page.find('"', n);
  if (q == std::string::npos) return std::string();
  if (end) *end = n;
  return page.substr(n, q - n);
}

// The token that identifies the version: the first "-" piece that begins with V or H, else
// the last piece.
std::wstring VersionToken(const std::wstring& text) {
  std::wstring token;
  std::size_t p = 0;
  while (true) {
    std::size_t e = text.find(L'-', p);
    token = text.substr(p, e == std::wstring::npos ? std::wstring::npos : e - p);
    if (!token.empty() && (token[0] == L'V' || token[0] == L'H')) return token;
    if (e == std::wstring::npos) return token;
    p = e + 1;
  }
}

}  // namespace

std::wstring FileNameOf(const std::wstring& path, bool withExtension) {
  // Paths found in folder walks may use either separator.
  std::wstring backslashed = path;
  std::replace(backslashed.begin(), backslashed.end(), L'/', L'\\');
  return SplitFileName(backslashed, withExtension);
}

std::wstring FindFiles(int channel, std::uint32_t kind, const std::wstring& version, const std::wstring& mac) {
  if (channel == 0) channel = IsFamilyModel(version) != 0 ? 0 : 1;
  std::wstring text = version;
  if (Contains(version, L"K7W-700") || Contains(version, L"K7W-701") || Contains(version, L"K7W-702") ||
      Contains(version, L"K7W-703"))
    text = ReplaceAll(version, L"QT", L"LV");

  // A device at an early ISP 0300 release must first pass through the staged versions.
  std::wstring code = kind == UPGRADE_ISP_FIRMWARE ? Mid(text, 6, 4) : Mid(text, 1, 4);
  if (code == L"0300") {
    std::wstring v = Last(text, 7);
    const wchar_t* prefix = kind == UPGRADE_ISP_FIRMWARE ? L"ISP-F-0300-V" : L"C0300-V";
    if (v < L"1.01.04") return std::wstring(prefix) + L"1.01.04.bin";
    if (v < L"1.01.06") return std::wstring(prefix) + L"1.01.06.bin";
  }

  switch (kind) {
    // The device's texts stand for themselves: a '*' or '?' in them widens nothing.
    case UPGRADE_FIRMWARE:
      return LiteralPattern(version.substr(0, 7)) + L"*" + (IsLvModel(text) ? L"-LV" : L"-QT") + L".upg";
    case UPGRADE_ISP_IMAGE:
    case UPGRADE_ISP_FIRMWARE:
    case UPGRADE_ISP_HARDWARE:
      return LiteralPattern(version.substr(0, 12)) + L"*.bin";
    case UPGRADE_ISP_DEV:
      return LiteralPattern(version.substr(0, 7)) + L"*.bin";
    case UPGRADE_CONFIG_SET:
      // The backup's own name with any date; its MAC part can hold no wild card (the backup
      // made it safe for a file name).
      return BackupFileName(std::wstring(), mac, channel, L"*", IsBinaryBackup(version));
    default:
      return std::wstring();
  }
}

bool NeedsMd5File(const std::wstring& firmware) {
  return HasVersionTagToken(firmware) && !StartsWith(firmware, L"NVQ-040") && !StartsWith(firmware, L"VTB");
}

int CheckUpgradeRule(UpgradeIo& io, std::uint32_t kind, const std::wstring& version, const std::wstring& fileBase,
                     const std::wstring& ip) {
  const std::wstring verMid = Mid(version, 9, 7), fileMid = Mid(fileBase, 9, 7);
  bool conflict = false;
  if (kind == UPGRADE_FIRMWARE && StartsWith(version, L"K7W-320")) {
    conflict = (verMid < L"3.12.00" && fileMid > L"3.13.00") || (verMid < L"3.13.00" && fileMid > L"3.14.00");
  } else if (kind == UPGRADE_FIRMWARE && StartsWith(version, L"K7W-410") && fileMid < L"4.11.06") {
    std::vector<char> reply(kInfoReplySize, 0);
    int n = io.GetCgi(ip, L"/cgi-bin/cmd/system?SYSTEM_INFO", reply.data(), kInfoReplySize, kInfoTimeoutMs);
    std::string id;
    if (n > 0 && LineValue(std::string(reply.data(), static_cast<std::size_t>(n)), "Production ID = ", &id)) {
      for (const char* board : {"HLP4331", "HLP6331", "HLP8331", "HLP7231"})
        if (id.find(board) != std::string::npos) conflict = true;
    }
  } else if ((kind == UPGRADE_ISP_FIRMWARE || kind == UPGRADE_ISP_HARDWARE) && Mid(version, 6, 4) == L"0300") {
    const std::wstring v = Last(version, 7), f = Last(fileBase, 7);
    conflict = (v < L"1.01.06" && f > L"1.01.06") || (v < L"1.01.04" && f > L"1.01.04");
  } else if (kind == UPGRADE_BOOTLOADER && StartsWith(version, L"K7W-700")) {
    conflict = fileMid < L"6.09.05" || verMid < L"6.08.30";
  }
  return conflict ? RESULT_RULE_CONFLICT : RESULT_SUCCESS;
}

bool IsFirmwareOfFile(const std::wstring& firmware, const std::wstring& fileBase) {
  std::wstring a = VersionToken(firmware), b = VersionToken(fileBase);
  return !a.empty() && !b.empty() && a == b;
}

static bool IsIspKind(std::uint32_t kind) {
  return kind != UPGRADE_FIRMWARE && kind != UPGRADE_CONFIG_SET && kind != UPGRADE_BOOTLOADER;
}

bool ParseReportedVersion(const std::string& reply, std::uint32_t kind, std::wstring* out) {
  const char* label = "Firmware Version = ";
  if (kind == UPGRADE_ISP_IMAGE || kind == UPGRADE_ISP_FIRMWARE) label = "ISP Firmware Version ";
  else if (kind == UPGRADE_ISP_DEV) label = "ISP Device Resource Version ";
  else if (kind == UPGRADE_ISP_HARDWARE) label = "ISP Hardware Version ";
  std::string value;
  if (!LineValue(reply, label, &value)) return false;
  std::wstring v = NormalizeModelPrefix(port::FromLocal8(value));
  if (IsIspKind(kind)) {
    if (v.size() == 7) v = L"ISP-F-0100-V" + v;  // a bare version number
    v = AdjustNameForKind(static_cast<int>(kind), v);
  }
  *out = v;
  return true;
}

bool ReadSystemInfo(UpgradeIo& io, std::wstring* out, int channel, std::uint32_t kind, const std::wstring& ip) {
  const wchar_t* query = IsIspKind(kind) ? L"SYSTEM_LOG" : L"SYSTEM_INFO";
  std::vector<char> reply(kInfoReplySize, 0);
  int n = io.GetCgi(ip, BuildCgiCmdUrl(channel, L"system", query), reply.data(), kInfoReplySize, kInfoTimeoutMs);
  if (n <= 0) return false;
  return ParseReportedVersion(std::string(reply.data(), static_cast<std::size_t>(n)), kind, out);
}

UpgradeForm ParseUpgradeForm(const std::string& page) {
  UpgradeForm form;
  std::size_t a = page.find("action=\"");
  if (a != std::string::npos) {
    a += 8;
    std::size_t q = page.find('"', a);
    if (q != std::string::npos) form.postPath = page.substr(a, q - a);
  }
  std::size_t f = page.find("<input type=\"FILE\"");
  if (f != std::string::npos) {
    std::size_t nameAt = f;
    form.fileField = NameAfter(page, f, &nameAt);
    if (!form.fileField.empty()) {
      std::size_t g = page.find("<input type=\"FILE\"", nameAt);
      if (g != std::string::npos) form.secondFileField = NameAfter(page, g, nullptr);
    }
  }
  std::size_t s = page.find("<input type=\"submit\"");
  if (s != std::string::npos) form.submitName = NameAfter(page, s, nullptr);
  return form;
}

int ReadUpgradeForm(UpgradeIo& io, UpgradeForm* form, const std::wstring& path, const UpgradeJob& job) {
  *form = UpgradeForm();
  std::vector<char> reply(kInfoReplySize, 0);
  int n = io.GetCgi(job.ip, path, reply.data(), kInfoReplySize, kInfoTimeoutMs);
  if (n > 0) *form = ParseUpgradeForm(std::string(reply.data(), static_cast<std::size_t>(n)));
  bool ok = !form->fileField.empty() && !form->submitName.empty() &&
            (job.secondFilePath.empty() || !form->secondFileField.empty());
  return ok ? RESULT_SUCCESS : RESULT_UPGRADE_FAIL;
}
