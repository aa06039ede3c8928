// The interface languages the language dialog offers: each name in its own language, in the
// order of the list, with its Windows LANGID.
#pragma once
#include <cstddef>

struct InterfaceLanguage {
  const wchar_t* name;
  unsigned short langId;
};

constexpr std::size_t kInterfaceLanguageCount = 13;
extern const InterfaceLanguage kInterfaceLanguages[kInterfaceLanguageCount];

// The entry whose texts the program shows for a language setting, looked up as the texts
// are: the user's default UI language for 1024 (or 0), then the exact LANGID, then Spanish,
// French, Italian and Dutch of any region (their tables hold the language alone), and
// English for every other language (the texts' fallback).
std::size_t LanguageEntryFor(unsigned langId, unsigned userDefaultLangId);
