#include "kit/lang.h"

#include "res/strings/kit_strings.h"

LANGID g_LanguageId = LANGID_USER_DEFAULT;
std::vector<ColumnHeader> g_ColumnHeaders;
std::vector<ColumnHeader> g_ColumnHeadersWithName;

bool FindStringIn(UINT id, LANGID lang, CString* out) {
  // Strings are stored in blocks of 16; block n + 1 holds ids 16n .. 16n + 15,
  // each as a length (in UTF-16 units) followed by that many characters.
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC res = ::FindResourceExW(module, MAKEINTRESOURCEW(6) /* RT_STRING */,
                                MAKEINTRESOURCEW((id >> 4) + 1), lang);
  if (!res) return false;
  HGLOBAL data = ::LoadResource(module, res);
  const WORD* p = data ? static_cast<const WORD*>(::LockResource(data)) : nullptr;
  if (!p) return false;
  const WORD* end = p + ::SizeofResource(module, res) / sizeof(WORD);
  for (UINT i = 0; i < (id & 15); ++i) {
    if (p >= end) return false;
    p += 1 + *p;
  }
  if (p >= end || *p == 0 || p + 1 + *p > end) return false;
  if (out) *out = CString(reinterpret_cast<const wchar_t*>(p + 1), *p);
  return true;
}

CString LoadLangStringIn(UINT id, LANGID lang) {
  if (lang == LANGID_USER_DEFAULT || lang == 0) lang = ::GetUserDefaultUILanguage();
  CString s;
  if (FindStringIn(id, lang, &s)) return s;
  LANGID languageOnly = MAKELANGID(PRIMARYLANGID(lang), SUBLANG_NEUTRAL);
  if (languageOnly != lang && FindStringIn(id, languageOnly, &s)) return s;
  if (lang != LANGID_ENGLISH && FindStringIn(id, LANGID_ENGLISH, &s)) return s;
  return CString();
}

namespace {
// The language of the dialog whose message this thread handles (0: none, g_LanguageId).
thread_local LANGID t_ScopeLanguage = 0;
}  // namespace

LANGID CurrentLanguage() { return t_ScopeLanguage ? t_ScopeLanguage : g_LanguageId; }

LanguageScope::LanguageScope(LANGID lang) : m_Outer(t_ScopeLanguage) { t_ScopeLanguage = lang; }

LanguageScope::~LanguageScope() { t_ScopeLanguage = m_Outer; }

CString LoadLangString(UINT id) { return LoadLangStringIn(id, CurrentLanguage()); }

void SetLanguage(LANGID lang) {
  g_LanguageId = lang;
  struct Column {
    UINT id;  // 0: the check-box column, no text
    int width;
    bool withNameOnly;
  };
  static const Column kColumns[] = {
      {0, 80, false},
      {IDS_COLUMN_IP_ADDRESS, 105, false},
      {IDS_COLUMN_SERIAL, 160, false},
      {IDS_COLUMN_CAMERA_NAME, 100, true},
      {IDS_COLUMN_MAC_ADDRESS, 110, false},
      {IDS_COLUMN_FW_VERSION, 140, false},
      {IDS_COLUMN_MODEL, 170, false},
      {IDS_COLUMN_MULTICAST, 105, false},
      {IDS_COLUMN_STATUS, 0, false},
      {IDS_COLUMN_PLATFORM, 0, false},
  };
  g_ColumnHeaders.clear();
  g_ColumnHeadersWithName.clear();
  for (const Column& c : kColumns) {
    ColumnHeader h;
    h.text = c.id ? LoadLangStringIn(c.id, lang) : CString();
    h.width = c.width;
    if (!c.withNameOnly) g_ColumnHeaders.push_back(h);
    g_ColumnHeadersWithName.push_back(h);
  }
}

void LoadLanguage(const wchar_t* settingsPath) {
  UINT lang = ::GetPrivateProfileIntW(L"LANGUAGE", L"LANGUAGE", LANGID_USER_DEFAULT, settingsPath);
  SetLanguage((LANGID)lang);
}

void SaveLanguage(const wchar_t* settingsPath) {
  CString value;
  value.Format(L"%d", (int)g_LanguageId);
  ::WritePrivateProfileStringW(L"LANGUAGE", L"LANGUAGE", value, settingsPath);
}
