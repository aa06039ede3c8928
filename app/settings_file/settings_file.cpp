#include "app/settings_file/settings_file.h"

#include <cstdio>
#include <cwctype>

#include "app/settings_file/utf16_text.h"
#include "port/exe_file.h"
#include "port/text.h"

SettingsStore g_Settings;

namespace {

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

std::wstring Trim(const std::wstring& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == L' ' || s[b] == L'\t' || s[b] == L'\r')) ++b;
  while (e > b && (s[e - 1] == L' ' || s[e - 1] == L'\t' || s[e - 1] == L'\r')) --e;
  return s.substr(b, e - b);
}

// A text as its value is held and written, so that reading it (Trim, then one pair of quotes
// dropped) gives it back: line breaks left out (they would end the line and start another
// key), and the text put in quotes when it would otherwise lose blanks or quotes at its ends.
std::wstring StoredValue(const std::wstring& raw) {
  std::wstring value;
  for (wchar_t c : raw)
    if (c != L'\r' && c != L'\n') value.push_back(c);
  if (value.empty()) return value;
  const wchar_t first = value.front(), last = value.back();
  const bool blankEnd = first == L' ' || first == L'\t' || last == L' ' || last == L'\t';
  const bool quoted = value.size() >= 2 && (first == L'"' || first == L'\'') && last == first;
  return blankEnd || quoted ? L"\"" + value + L"\"" : value;
}

}  // namespace

const IniDocument::Section* IniDocument::Find(const std::wstring& name) const {
  for (const Section& s : m_sections)
    if (SameName(s.name, name)) return &s;
  return nullptr;
}

IniDocument::Section& IniDocument::FindOrAdd(const std::wstring& name) {
  for (Section& s : m_sections)
    if (SameName(s.name, name)) return s;
  m_sections.push_back(Section{name, {}});
  return m_sections.back();
}

void IniDocument::Parse(const std::string& bytes) {
  m_sections.clear();
  std::wstring text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE)
    text = DecodeUtf16Le(bytes, 2);
  else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
    text = port::FromUtf8(bytes.substr(3));
  else
    text = port::FromLocal8(bytes);

  Section* current = nullptr;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find(L'\n', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == L';') continue;
    if (line[0] == L'[') {
      std::size_t close = line.find(L']');
      std::wstring name = Trim(line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
      current = &FindOrAdd(name);
      continue;
    }
    if (!current) continue;  // keys before the first section belong to no section
    std::size_t eq = line.find(L'=');
    std::wstring key = Trim(line.substr(0, eq));
    std::wstring value = eq == std::wstring::npos ? std::wstring() : Trim(line.substr(eq + 1));
    bool replaced = false;
    for (auto& e : current->entries)
      if (SameName(e.first, key)) {  // the first occurrence of a key is the one read
        replaced = true;
        break;
      }
    if (!replaced) current->entries.emplace_back(key, value);
  }
}

bool IniDocument::HasSection(const std::wstring& section) const { return Find(section) != nullptr; }

bool IniDocument::Has(const std::wstring& section, const std::wstring& key) const {
  const Section* s = Find(section);
  if (!s) return false;
  for (const auto& e : s->entries)
    if (SameName(e.first, key)) return true;
  return false;
}

std::wstring IniDocument::Get(const std::wstring& section, const std::wstring& key,
                              const std::wstring& def) const {
  const Section* s = Find(section);
  if (!s) return def;
  for (const auto& e : s->entries) {
    if (!SameName(e.first, key)) continue;
    const std::wstring& v = e.second;
    if (v.size() >= 2 && (v[0] == L'"' || v[0] == L'\'') && v.back() == v[0])
      return v.substr(1, v.size() - 2);
    return v;
  }
  return def;
}

int IniDocument::GetInt(const std::wstring& section, const std::wstring& key, int def) const {
  if (!Has(section, key)) return def;
  std::wstring v = Get(section, key);
  std::size_t i = 0;
  bool negative = false;
  if (i < v.size() && (v[i] == L'-' || v[i] == L'+')) negative = v[i++] == L'-';
  if (i >= v.size() || v[i] < L'0' || v[i] > L'9') return def;
  long long n = 0;
  for (; i < v.size() && v[i] >= L'0' && v[i] <= L'9'; ++i) {
    n = n * 10 + (v[i] - L'0');
    if (n > 0x7FFFFFFFLL) n = 0x7FFFFFFFLL;
  }
  return static_cast<int>(negative ? -n : n);
}

void IniDocument::Set(const std::wstring& section, const std::wstring& key,
                      const std::wstring& text) {
  const std::wstring value = StoredValue(text);
  Section& s = FindOrAdd(section);
  for (auto& e : s.entries)
    if (SameName(e.first, key)) {
      e.second = value;
      return;
    }
  s.entries.emplace_back(key, value);
}

void IniDocument::ClearSection(const std::wstring& section) { FindOrAdd(section).entries.clear(); }

std::vector<std::wstring> IniDocument::SectionNames() const {
  std::vector<std::wstring> out;
  for (const Section& s : m_sections) out.push_back(s.name);
  return out;
}

std::vector<std::pair<std::wstring, std::wstring>> IniDocument::Entries(
    const std::wstring& section) const {
  const Section* s = Find(section);
  return s ? s->entries : std::vector<std::pair<std::wstring, std::wstring>>();
}

std::string IniDocument::Serialize(const std::vector<std::wstring>& order) const {
  std::wstring text;
  bool first = true;
  for (const std::wstring& name : order) {
    if (!first) text += L"\r\n";
    first = false;
    text += L"[" + name + L"]\r\n";
    if (const Section* s = Find(name))
      for (const auto& e : s->entries) text += e.first + L"=" + e.second + L"\r\n";
  }
  std::string bytes = "\xFF\xFE";
  AppendUtf16Le(bytes, text);
  return bytes;
}

const std::vector<std::wstring>& SettingsSectionOrder() {
  static const std::vector<std::wstring> order = {L"MANUAL_IP", L"FW_DATA", L"RS_DATA",
                                                  L"DT_DATA",   L"AV_DATA", L"MT_DATA",
                                                  L"URL_DATA",  L"LANGUAGE"};
  return order;
}

std::wstring FolderOfPath(const std::wstring& path) {
  std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

std::wstring ExecutableFolder() { return FolderOfPath(port::ExecutablePath()); }

std::wstring SettingsFilePath() { return ExecutableFolder() + kSettingsFileName; }

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  std::FILE* f = port::OpenFile(path, L"rb");
  if (!f) return false;
  bytes.clear();
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  std::fclose(f);
  return true;
}

bool ReplaceFileContents(const std::wstring& path, const std::string& bytes) {
  const std::wstring temp = path + L".new";
  std::FILE* f = port::OpenFile(temp, L"wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = port::FlushToDisk(f) && ok;
  ok = std::fclose(f) == 0 && ok;
  if (ok) ok = port::ReplaceFileWith(temp, path);
  if (!ok) port::RemoveFile(temp);
  return ok;
}

void SettingsStore::Load() {
  std::string bytes;
  if (ReadWholeFile(m_path, bytes))
    m_doc.Parse(bytes);
  else
    m_doc = IniDocument();
}

bool SettingsStore::Save() {
  if (!m_armed || m_path.empty()) return false;
  return ReplaceFileContents(m_path, m_doc.Serialize(SettingsSectionOrder()));
}

int ReadLanguageId(const IniDocument& doc) { return doc.GetInt(L"LANGUAGE", L"LANGUAGE", 1024); }

void WriteLanguageId(IniDocument& doc, int languageId) {
  doc.ClearSection(L"LANGUAGE");
  doc.Set(L"LANGUAGE", L"LANGUAGE", std::to_wstring(languageId));
}
