// One term per concept in every language: each text whose English holds a concept's key
// holds that language's term for it, as the glossary of the language (res/strings/glossary)
// lists it. Read from the program's own string tables.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "fx/fx.h"
#include "kit/lang.h"

namespace {

struct Entry {
  std::wstring concept, key;
  std::vector<std::wstring> forms;  // any one will do
};

std::wstring Lower(std::wstring s) {
  if (!s.empty()) ::CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
  return s;
}

std::wstring Trim(const std::wstring& s) {
  const std::size_t a = s.find_first_not_of(L" \t\r");
  if (a == std::wstring::npos) return std::wstring();
  return s.substr(a, s.find_last_not_of(L" \t\r") - a + 1);
}

std::vector<std::wstring> Split(const std::wstring& s, const std::wstring& sep) {
  std::vector<std::wstring> out;
  std::size_t from = 0;
  for (std::size_t at; (at = s.find(sep, from)) != std::wstring::npos; from = at + sep.size())
    out.push_back(Trim(s.substr(from, at - from)));
  out.push_back(Trim(s.substr(from)));
  return out;
}

// The source tree, from where this file was compiled.
std::wstring SourceFile(const char* relative) {
  std::string here = __FILE__;
  here = here.substr(0, here.rfind("tests"));
  std::wstring path(here.begin(), here.end());
  for (const char* p = relative; *p; ++p) path += static_cast<wchar_t>(*p);
  // A path of the build machine under Wine.
  if (!path.empty() && path[0] == L'/') path = L"\\\\?\\unix" + path;
  return path;
}

bool ReadUtf8(const std::wstring& path, std::wstring& text) {
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  std::string bytes;
  char buf[4096];
  DWORD got = 0;
  while (::ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
  ::CloseHandle(f);
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  text.assign(static_cast<std::size_t>(n), L'\0');
  if (n) ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
  return true;
}

// The rows of the glossary's table: | concept | English key | term | checked forms |
std::vector<Entry> ReadGlossary(const std::wstring& text) {
  std::vector<Entry> entries;
  for (const std::wstring& line : Split(text, L"\n")) {
    if (line.size() < 2 || line[0] != L'|') continue;
    std::vector<std::wstring> cells = Split(line.substr(1, line.size() - 2), L"|");
    if (cells.size() != 4 || cells[0] == L"concept" || cells[0].rfind(L"---", 0) == 0) continue;
    entries.push_back({cells[0], Lower(cells[1]), Split(Lower(cells[3]), L"/")});
  }
  return entries;
}

// Every id that has an English text.
std::vector<UINT> EnglishIds() {
  std::vector<UINT> ids;
  HMODULE module = ::GetModuleHandleW(nullptr);
  for (UINT block = 1; block <= 4096; ++block) {
    if (!::FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block), 1033)) continue;
    for (UINT id = (block - 1) * 16; id < block * 16; ++id)
      if (FindStringIn(id, 1033, nullptr)) ids.push_back(id);
  }
  return ids;
}

std::string Utf8(const std::wstring& w) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
  return s;
}

TEST(Glossary, EveryTextUsesTheTermsOfItsLanguage) {
  const struct {
    const char* file;
    LANGID lang;
  } languages[] = {
      {"res/strings/glossary/zh-TW.md", 1028}, {"res/strings/glossary/zh-CN.md", 2052},
      {"res/strings/glossary/ja.md", 1041},    {"res/strings/glossary/cs.md", 1029},
      {"res/strings/glossary/hu.md", 1038},    {"res/strings/glossary/pl.md", 1045},
      {"res/strings/glossary/ro.md", 1048},    {"res/strings/glossary/ru.md", 1049},
      {"res/strings/glossary/es.md", 0x0A},    {"res/strings/glossary/fr.md", 0x0C},
      {"res/strings/glossary/it.md", 0x10},    {"res/strings/glossary/nl.md", 0x13},
  };
  const std::vector<UINT> ids = EnglishIds();
  ASSERT_GT(ids.size(), 30u);
  for (const auto& l : languages) {
    std::wstring text;
    ASSERT_TRUE(ReadUtf8(SourceFile(l.file), text)) << l.file;
    const std::vector<Entry> glossary = ReadGlossary(text);
    EXPECT_GE(glossary.size(), 15u) << l.file;
    for (const Entry& e : glossary) {
      int used = 0;
      for (UINT id : ids) {
        const std::wstring english = Lower(LoadLangStringIn(id, 1033).GetString());
        if (english.find(e.key) == std::wstring::npos) continue;
        ++used;
        const std::wstring local = LoadLangStringIn(id, l.lang).GetString();
        bool found = false;
        for (const std::wstring& form : e.forms) found = found || Lower(local).find(form) != std::wstring::npos;
        EXPECT_TRUE(found) << l.file << ": " << id << " \"" << Utf8(local) << "\" lacks the term for "
                           << Utf8(e.concept);
      }
      EXPECT_GT(used, 0) << l.file << ": no text names " << Utf8(e.concept);
    }
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
