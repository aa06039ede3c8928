// The interface language and the lookup of localised texts.
//
// Every text comes from a string table of the program's resources, one table
// per language (see res/README.md). A lookup takes the text in g_LanguageId,
// and when that is missing or empty the English (1033) one.
#pragma once
#include <windows.h>

#include <vector>

#include "fx/fxstring.h"

// Windows LANGID of the interface; 1024 = the user's default UI language.
extern LANGID g_LanguageId;

constexpr LANGID LANGID_USER_DEFAULT = 1024;
constexpr LANGID LANGID_ENGLISH = 1033;

// The language the texts are looked up in: g_LanguageId, unless this thread is inside a
// LanguageScope.
LANGID CurrentLanguage();
// While it lives, this thread's lookups are in `lang` (0: in g_LanguageId). A dialog handles
// each of its messages in one, so that it keeps the language it opened in until it closes.
class LanguageScope {
 public:
  explicit LanguageScope(LANGID lang);
  ~LanguageScope();
  LanguageScope(const LanguageScope&) = delete;
  LanguageScope& operator=(const LanguageScope&) = delete;

 private:
  LANGID m_Outer;
};

// The text of `id` in CurrentLanguage(), else in English, else empty.
CString LoadLangString(UINT id);
// The same lookup in a given language: 1024 is the user's default UI
// language; then the exact LANGID; then the language without region (1034,
// 1036, 1040, 1043 find the Spanish, French, Italian and Dutch tables); then
// English; then an empty text.
CString LoadLangStringIn(UINT id, LANGID lang);
// The text of `id` in exactly this table (no fallback); false when the table
// or the entry is missing or empty.
bool FindStringIn(UINT id, LANGID lang, CString* out);

// One grid column: localised text and width in pixels.
struct ColumnHeader {
  CString text;
  int width = 0;
};
// The grid's columns without and with the camera-name column, in display
// order; rebuilt by SetLanguage.
extern std::vector<ColumnHeader> g_ColumnHeaders;
extern std::vector<ColumnHeader> g_ColumnHeadersWithName;

// Sets g_LanguageId and rebuilds both column tables in the new language.
void SetLanguage(LANGID lang);

// Settings section [LANGUAGE], key "LANGUAGE": the decimal LANGID (default
// 1024). LoadLanguage reads it from the given settings file and calls
// SetLanguage; SaveLanguage writes g_LanguageId there.
void LoadLanguage(const wchar_t* settingsPath);
void SaveLanguage(const wchar_t* settingsPath);
