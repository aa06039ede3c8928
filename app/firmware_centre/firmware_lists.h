// The maker's two published firmware lists: where they are, how a value is read from them,
// how a device's version compares with theirs, and which of the eighteen result groups of the
// firmware check a device falls into.
//
// A list is text of KEY=value lines. "<code>_FW_VER=" gives the newest version for a
// platform or ISP code, "<code>_FW_LOG=" the query part of that firmware's release notes.
// Devices whose firmware text holds "-LV" are compared with the first list, every other
// device with the second.
#pragma once
#include <cstdint>
#include <string>

class IniDocument;

namespace fwlist {

// The two download sites: base addresses (scheme, host, optional port and path, such as
// "http://downloads.example.com") kept in [FW_DATA] of the settings file. There is no built-in
// host: while either is unset the check cannot start.
struct Sites {
  std::wstring first;   // the maker's download server: the list for "-LV" firmware
  std::wstring second;  // the second download site: the list for all other firmware
  bool Complete() const { return !first.empty() && !second.empty(); }
};
constexpr wchar_t kSettingsSection[] = L"FW_DATA";
constexpr wchar_t kFirstSiteKey[] = L"DownloadServer";
constexpr wchar_t kSecondSiteKey[] = L"DownloadSite";
// The sites as the settings hold them, each without blanks around it and without a '/' at
// its end.
Sites ReadSites(const IniDocument& doc);

// The addresses of the two lists, and of a release-notes page named by a log value.
std::wstring FirstListUrl(const std::wstring& site);   // site + "/nocache/id=5927"
std::wstring SecondListUrl(const std::wstring& site);  // site + "/Fennrow/.../DownloadFile.ashx?id=150"
std::wstring FirstLogUrl(const std::wstring& site, const std::string& logValue);   // ".../nocache/<value>"
std::wstring SecondLogUrl(const std::wstring& site, const std::string& logValue);  // "...DownloadFile.ashx?<value>"

// The longest value read from a list or a device's reply.
constexpr std::size_t kMaxValueChars = 63;

// The value of `key` ("R7_FW_VER=") on a list: the rest of the first line on which the key
// begins, at most kMaxValueChars characters, without blanks around it or single quotes. A key
// counts only at the start of a line, after blanks (and, on the first line, a UTF-8 byte-order
// mark), so that "C_FW_VER=" is not read out of "NVC_FW_VER="; a line ends at CR LF, at a CR
// or at an LF. Empty when the list has no such line.
std::string ListValue(const std::string& list, const std::string& key);

// The value after `key` in a device's reply ("Firmware Version = "): found anywhere in the
// reply, read to the end of its line as the devices write it, at most kMaxValueChars
// characters, blanks and carriage returns at its end removed. Empty when the key is absent.
std::string ReplyValue(const std::string& reply, const std::string& key);

// The version part of a firmware text: the first '-'-separated piece of at least three
// characters that starts with 'V' or 'A' and has '.' as its third character
// ("K7W-411-V6.08.30-LV" gives "V6.08.30"); empty when there is none.
std::string VersionToken(const std::string& text);

// The number of a version: its text without any 'V', 'A' or '.', read as a decimal number
// from its leading digits ("V6.09.05" is 60905); 0 when it starts with no digit. Numbers too
// long to hold stay at the largest value.
std::uint64_t VersionNumber(const std::string& version);

// Whether a list's version is newer than the version in a device's text: the list's number
// is greater than that of the device text's version part (a device text without one counts
// as 0).
bool IsNewer(const std::string& listVersion, const std::string& deviceText);

// ---- result groups -------------------------------------------------------------------

constexpr int kResultLists = 18;
// Groups 0 to 8 hold "-LV" devices and are linked to the first list; 9 to 17 the others,
// linked to the second. Within each half:
enum Group : int {
  kR7 = 0,        // R7 platform without a known ISP code
  kR7Isp0221 = 1, // R7 platform with ISP "0221" (firmware or ISP firmware outdated)
  kR7Isp0231 = 2,
  kR7Isp0331 = 3,
  kR7Isp0521 = 4,
  kR5 = 5,
  kR9 = 6,
  kR9X4 = 7,
  kC = 8,
};
constexpr int kGroupsPerList = 9;

inline bool UsesFirstList(int index) { return index < kGroupsPerList; }
// The result list of a group for a device with or without "-LV".
inline int ResultIndex(int group, bool lv) { return lv ? group : group + kGroupsPerList; }

// The keys of a group: the version compared, the firmware's and the ISP firmware's
// release-notes keys (the last empty for groups without an ISP code).
struct GroupKeys {
  const char* version;
  const char* fwLog;
  const char* ispLog;
};
GroupKeys KeysOf(int index);

// The platform group a firmware version belongs to, first match winning: "V7." R5,
// "V8." R9, "V9." R9X4, "R7.", "A2." or "A3." C, anything else R7.
Group PlatformGroup(const std::string& version);

// The ISP group of an R7-platform device by its ISP version: the first of "0221", "0231",
// "0331", "0521" that it holds; kR7 when it holds none.
Group IspGroup(const std::string& ispVersion);

}  // namespace fwlist
