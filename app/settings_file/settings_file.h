// The settings file "Dorvik_Setting.ini" beside the executable: reading and writing the
// private-profile format, and rewriting the file whole at close without ever leaving it
// missing or half-written.
#pragma once
#include <map>
#include <string>
#include <vector>

// An INI text in the form the private-profile API reads and writes: "[SECTION]" lines,
// "key=value" lines below them, CR LF line ends. Section and key names compare without
// regard to case; sections and keys keep the order in which they were first seen.
class IniDocument {
 public:
  // Reads a whole file's bytes: UTF-16LE when it starts with the byte-order mark FF FE,
  // otherwise 8-bit text in the local code page (port/text.h). Replaces what was held.
  void Parse(const std::string& bytes);
  // The value of a key, with blanks around it removed and one pair of enclosing quotes
  // dropped, as the private-profile API returns it; `def` when the key is missing.
  std::wstring Get(const std::wstring& section, const std::wstring& key,
                   const std::wstring& def = L"") const;
  // The leading decimal number of the value (optionally signed); `def` when the key is
  // missing or holds no digits.
  int GetInt(const std::wstring& section, const std::wstring& key, int def) const;
  bool Has(const std::wstring& section, const std::wstring& key) const;
  bool HasSection(const std::wstring& section) const;

  // Sets a key to a text, creating the section and the key at the end when missing. The value
  // is held as the file will hold it: Get gives back the same text (a text that would lose
  // outer blanks or quotes is quoted; line breaks, which a value cannot hold, are left out).
  void Set(const std::wstring& section, const std::wstring& key, const std::wstring& text);
  // Whether a value can hold the text as it is: it has no line break (a lone CR read from a
  // file is one).
  static bool CanHold(const std::wstring& text) { return text.find_first_of(L"\r\n") == std::wstring::npos; }
  // Empties a section (its place in the order stays).
  void ClearSection(const std::wstring& section);

  std::vector<std::wstring> SectionNames() const;
  // The keys of a section with their raw values, in order.
  std::vector<std::pair<std::wstring, std::wstring>> Entries(const std::wstring& section) const;

  // The file text of the given sections in the given order, each written as "[NAME]"
  // followed by its keys, one blank line between sections; a section that is not held is
  // written with no keys. UTF-16LE with its byte-order mark (as the wide private-profile API
  // keeps a file it finds so), CR LF line ends: every value reads back the same, unpaired
  // surrogates included.
  std::string Serialize(const std::vector<std::wstring>& order) const;

 private:
  struct Section {
    std::wstring name;
    std::vector<std::pair<std::wstring, std::wstring>> entries;
  };
  const Section* Find(const std::wstring& name) const;
  Section& FindOrAdd(const std::wstring& name);

  std::vector<Section> m_sections;
};

// The sections of the settings file in the order in which they are written at close;
// LANGUAGE, written by the application object after everything else, comes last.
const std::vector<std::wstring>& SettingsSectionOrder();

constexpr wchar_t kSettingsFileName[] = L"Dorvik_Setting.ini";

// The folder part of the executable's full path: everything up to and including the last
// backslash (or slash). An empty text when there is none.
std::wstring FolderOfPath(const std::wstring& path);
// The folder of the running executable (see FolderOfPath).
std::wstring ExecutableFolder();
// The settings file's path in the executable's folder.
std::wstring SettingsFilePath();

// Reads a whole file; false when it cannot be opened.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);
// Replaces the file at `path` with `bytes` in one step: the bytes go to a temporary file
// beside it first, are flushed to the disk, and the temporary file then takes the real file's
// place. Until that moment the old file is untouched, and a power loss after it finds the new
// content on the disk; on any failure the old file stays and the temporary one is removed.
bool ReplaceFileContents(const std::wstring& path, const std::string& bytes);

// The settings of one run: loaded once at start-up, handed to each section's loader, filled
// by each section's saver at close and written in one step. Sections that no saver fills
// keep what was loaded. Nothing is written unless the program got as far as arming it, so a
// copy of the program that ends during start-up leaves the file alone.
class SettingsStore {
 public:
  explicit SettingsStore(std::wstring path = L"") : m_path(std::move(path)) {}
  void SetPath(const std::wstring& path) { m_path = path; }
  const std::wstring& Path() const { return m_path; }

  // Reads the file (a missing file gives empty sections).
  void Load();
  IniDocument& Document() { return m_doc; }
  const IniDocument& Document() const { return m_doc; }

  void Arm() { m_armed = true; }
  bool Armed() const { return m_armed; }
  // Writes every section of SettingsSectionOrder() in order. Does nothing and answers false
  // when not armed; true once the new file is in place.
  bool Save();

 private:
  std::wstring m_path;
  IniDocument m_doc;
  bool m_armed = false;
};

// The program's settings (the application object sets the path at start-up).
extern SettingsStore g_Settings;

// [LANGUAGE] "LANGUAGE": the interface language id, default 1024.
int ReadLanguageId(const IniDocument& doc);
void WriteLanguageId(IniDocument& doc, int languageId);
