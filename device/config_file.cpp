#include "device/config_file.h"

#include <cstdio>
#include <cstring>
#include <cwctype>
#include <type_traits>

#include "device/device_info.h"
#include "device/model_tests.h"
#include "port/dir_list.h"
#include "port/exe_file.h"

namespace {

constexpr char kProfileKey[] = "Profile ID = ";
constexpr char kInfoTag[] = "#INFO,";
constexpr char kChannelModel[] = "K7W-320";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// A device's text as the header carries it: every character that could end the line, split
// its fields or end a field early (controls, blanks, commas, anything beyond ASCII) becomes '_'.
template <typename Char>
std::string HeaderField(const std::basic_string<Char>& text) {
  using Unsigned = typename std::make_unsigned<Char>::type;
  std::string out;
  for (Char c : text) {
    const Unsigned u = static_cast<Unsigned>(c);
    out += u > 0x20 && u < 0x7F && u != static_cast<Unsigned>(',') ? static_cast<char>(u) : '_';
  }
  return out;
}

}  // namespace

std::string ProfileIdOf(const char* reply) {
  if (!reply) return std::string();
  const char* at = std::strstr(reply, kProfileKey);
  if (!at) return std::string();
  char value[kIniHeaderMax + 1] = {};
  if (ExtractLineValue(kProfileKey, value, sizeof value, at) <= 0) return std::string();
  std::string id = value;
  std::size_t dash = id.find('-');
  if (dash != std::string::npos) id.resize(dash);
  while (!id.empty() && IsBlank(id.back())) id.pop_back();
  return id;
}

std::string BuildIniHeader(const std::wstring& firmware, int channel, const std::string& profileId) {
  std::string model = channel != 0 && IsFamilyModel(firmware) != 0 ? std::string(kChannelModel)
                                                                    : HeaderField(firmware.substr(0, 7));
  // A device without a firmware text still names a model, so that its own file reads back.
  if (model.empty()) model = "_";
  // "#INFO," model "," profile "\n" within kIniHeaderMax characters: the Profile ID gives way
  // first, then the model.
  const std::size_t fixed = std::strlen(kInfoTag) + 1 + 1;
  if (model.size() > kIniHeaderMax - fixed) model.resize(kIniHeaderMax - fixed);
  std::string profile = HeaderField(profileId);
  if (profile.size() > kIniHeaderMax - fixed - model.size()) profile.resize(kIniHeaderMax - fixed - model.size());
  return kInfoTag + model + "," + profile + "\n";
}

bool ParseIniHeader(const std::string& line, std::string* model, std::string* profileId) {
  model->clear();
  profileId->clear();
  if (line.compare(0, std::strlen(kInfoTag), kInfoTag) != 0) return false;
  std::size_t p = std::strlen(kInfoTag);
  while (p < line.size() && IsBlank(line[p])) ++p;
  while (p < line.size() && line[p] != ',' && line[p] != ' ' && line[p] != '\0' && line[p] != '\n') *model += line[p++];
  if (model->empty()) return false;
  while (p < line.size() && IsBlank(line[p])) ++p;
  if (p >= line.size() || line[p] != ',') return true;
  ++p;
  while (p < line.size() && IsBlank(line[p])) ++p;
  while (p < line.size() && !IsBlank(line[p]) && line[p] != '\0') *profileId += line[p++];
  return true;
}

bool ReadFirstLine(const std::wstring& path, std::string* line) {
  line->clear();
  std::FILE* f = port::OpenFile(path, L"rb");
  if (!f) return false;
  int c;
  while (line->size() < kIniHeaderMax && (c = std::fgetc(f)) != EOF) {
    line->push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  std::fclose(f);
  return true;
}

int CheckRestoreFileForm(const std::wstring& path) {
  std::string line;
  if (path.empty() || !ReadFirstLine(path, &line)) return kRestoreFileUnreadable;
  std::size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  std::size_t dot = name.rfind(L'.');
  std::wstring ext = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
  for (wchar_t& c : ext) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  if (ext != L".ini") return 0;
  std::string model, profile;
  return ParseIniHeader(line, &model, &profile) ? 0 : kRestoreFileWrongType;
}

std::wstring SafeFileNamePart(const std::wstring& text) {
  std::wstring out = text;
  for (wchar_t& c : out)
    if (c < 0x20 || c == 0x7F || std::wcschr(L"\\/:*?\"<>|", c)) c = L'_';
  return out;
}

std::wstring FolderWithSeparator(const std::wstring& folder) {
  if (folder.empty() || folder.back() == L'\\' || folder.back() == L'/') return folder;
  return folder + port::kPathSeparator;
}

std::wstring BackupDateText(const std::tm& t) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"%04d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  return buf;
}

std::wstring BackupFileName(const std::wstring& folder, const std::wstring& mac, int channel,
                            const std::wstring& date, bool binary) {
  std::wstring bare;
  for (wchar_t c : mac)
    if (c != L':') bare.push_back(c);
  wchar_t ch[16];
  std::swprintf(ch, 16, L"%02d", channel);
  return FolderWithSeparator(folder) + L"Conf_" + SafeFileNamePart(bare) + L"_" + ch + L"_" + date +
         (binary ? L".bin" : L".ini");
}

bool IsBinaryBackup(const std::wstring& firmware) { return HasPlatformVersionToken(firmware); }
