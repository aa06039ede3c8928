#include "device/upgrade_files.h"

#include <cwctype>
#include <map>
#include <vector>

#include "device/upgrade_rules.h"
#include "port/dir_list.h"

namespace {

wchar_t Fold(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); }

// Folder trees deeper than this are not walked (a guard against loops the file system
// might still build, for example through bind mounts).
constexpr int kMaxDepth = 64;

std::wstring FindIn(const std::wstring& pattern, const std::wstring& folder, int depth) {
  std::vector<port::DirEntry> entries;
  if (pattern.empty() || depth > kMaxDepth || !port::ListDirectory(folder, &entries)) return std::wstring();
  const wchar_t sep = !folder.empty() && (folder.back() == L'\\' || folder.back() == L'/') ? folder.back()
                                                                                           : port::kPathSeparator;
  const std::wstring base = !folder.empty() && folder.back() == sep ? folder : folder + sep;
  std::map<std::wstring, std::wstring> found;  // base name -> full path; the greatest wins
  for (const port::DirEntry& e : entries) {
    if (e.isDirectory) continue;
    if (MatchesFilePattern(e.name, pattern)) found[FileNameOf(e.name, false)] = base + e.name;
  }
  for (const port::DirEntry& e : entries) {
    if (!e.isDirectory || e.isLink) continue;
    std::wstring sub = FindIn(pattern, base + e.name + sep, depth + 1);
    found[FileNameOf(sub, false)] = sub;
  }
  return found.empty() ? std::wstring() : found.rbegin()->second;
}

}  // namespace

bool MatchesFilePattern(const std::wstring& name, const std::wstring& pattern) {
  // Iterative matching with back-tracking to the last '*'.
  const std::size_t none = std::wstring::npos;
  std::size_t n = 0, p = 0, star = none, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size()) {
      const wchar_t c = pattern[p];
      if (c == L'*') {
        star = p++;
        mark = n;
        continue;
      }
      const bool escaped = c == L'\\' && p + 1 < pattern.size();
      if ((!escaped && c == L'?') || Fold(escaped ? pattern[p + 1] : c) == Fold(name[n])) {
        ++n;
        p += escaped ? 2 : 1;
        continue;
      }
    }
    if (star == none) return false;
    p = star + 1;
    n = ++mark;
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

std::wstring LiteralPattern(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'*' || c == L'?' || c == L'\\') out.push_back(L'\\');
    out.push_back(c);
  }
  return out;
}

std::wstring FindUpgradeFile(int channel, const std::wstring& folder, const UpgradeJob& job) {
  return FindIn(FindFiles(channel, job.kind, job.firmware, job.mac), folder, 0);
}
