#include "app/shell/program_version.h"

#include <cwchar>

std::wstring AboutVersionText(unsigned long versionMs, unsigned long versionLs) {
  wchar_t text[64];
  std::swprintf(text, 64, L"Dorvik V%u.%u.%02u", static_cast<unsigned>((versionMs >> 16) & 0xFFFF),
                static_cast<unsigned>(versionMs & 0xFFFF), static_cast<unsigned>(versionLs & 0xFFFF));
  return text;
}
