#include "app/shell/languages.h"

#include <initializer_list>

const InterfaceLanguage kInterfaceLanguages[kInterfaceLanguageCount] = {
    {L"\u010Ce\u0161tina", 1029},      // Čeština
    {L"Nederlands", 1043},
    {L"English", 1033},
    {L"Fran\u00E7ais", 1036},          // Français
    {L"Magyar", 1038},
    {L"Italiano", 1040},
    {L"\u65E5\u672C\u8A9E", 1041},     // 日本語
    {L"Polski", 1045},
    {L"Romana", 1048},
    {L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439", 1049},  // Русский
    {L"Espa\u00F1ol", 1034},           // Español
    {L"\u7B80\u4F53\u4E2D\u6587", 2052},  // 简体中文
    {L"\u7E41\u9AD4\u4E2D\u6587", 1028},  // 繁體中文
};

std::size_t LanguageEntryFor(unsigned langId, unsigned userDefaultLangId) {
  constexpr unsigned kUserDefault = 1024, kEnglish = 1033;
  if (langId == kUserDefault || langId == 0) langId = userDefaultLangId;
  std::size_t english = 0;
  for (std::size_t i = 0; i < kInterfaceLanguageCount; ++i) {
    if (kInterfaceLanguages[i].langId == langId) return i;
    if (kInterfaceLanguages[i].langId == kEnglish) english = i;
  }
  // The tables kept for a language without its region: Spanish, French, Italian, Dutch.
  const unsigned primary = langId & 0x3FF;
  for (unsigned languageOnly : {0x0Au, 0x0Cu, 0x10u, 0x13u})
    if (primary == languageOnly)
      for (std::size_t i = 0; i < kInterfaceLanguageCount; ++i)
        if ((kInterfaceLanguages[i].langId & 0x3FFu) == primary) return i;
  return english;
}
