#include "grid/grid_sort.h"

#include "port/net.h"
#include "port/text.h"

std::uint32_t GridIpKey(const std::wstring* cell) {
  std::uint32_t v = 0xFFFFFFFFu;
  if (cell == nullptr) return v;
  std::uint32_t parsed = 0;
  if (port::ParseIPv4(port::ToLocal8(*cell), &parsed)) v = parsed;
  return v;
}

static int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

static std::u16string ToUtf16Units(const std::wstring& s) {
  std::u16string out;
  out.reserve(s.size());
  for (wchar_t c : s) {
    std::uint32_t cp = static_cast<std::uint32_t>(c);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

int CompareGridCells(const std::wstring* a, const std::wstring* b, int index) {
  if (index == 0) {
    std::uint32_t ka = GridIpKey(a), kb = GridIpKey(b);
    return ka < kb ? -1 : (ka > kb ? 1 : 0);
  }
  if (a == nullptr || b == nullptr) {
    if (a == b) return 0;
    return a == nullptr ? -1 : 1;
  }
  // std::wstring::compare is a code-unit comparison; on Windows wchar_t is a UTF-16 unit.
  // On 32-bit wchar_t systems, compare the same units a UTF-16 text would hold.
  if (sizeof(wchar_t) == 2) return Sign(a->compare(*b));
  std::u16string ua = ToUtf16Units(*a), ub = ToUtf16Units(*b);
  return Sign(ua.compare(ub));
}
