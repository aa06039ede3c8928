#include "port/text.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace port {
namespace {

#ifdef _WIN32
std::wstring Widen(UINT cp, const char* s, std::size_t len) {
  if (len == 0) return std::wstring();
  int n = MultiByteToWideChar(cp, 0, s, static_cast<int>(len), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  if (n > 0) MultiByteToWideChar(cp, 0, s, static_cast<int>(len), &w[0], n);
  return w;
}
std::string Narrow(UINT cp, const std::wstring& w) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  if (n > 0) WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}
#endif

// Decodes UTF-8; a byte that does not start a valid sequence stands for itself (Latin-1).
std::wstring DecodeUtf8(const char* s, std::size_t len) {
  std::wstring out;
  out.reserve(len);
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  std::size_t i = 0;
  while (i < len) {
    unsigned c = p[i];
    std::size_t extra = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
    unsigned long cp = c;
    bool ok = extra > 0 && i + extra < len;
    if (ok) {
      cp = c & (0x3Fu >> extra);
      for (std::size_t k = 1; k <= extra; ++k) {
        if (i + k >= len || (p[i + k] & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        cp = (cp << 6) | (p[i + k] & 0x3Fu);
      }
      if (ok && ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                 (cp >= 0xD800 && cp <= 0xDFFF)))
        ok = false;
    }
    if (!ok) {
      out.push_back(static_cast<wchar_t>(c));  // ASCII, or a stray byte taken as Latin-1
      ++i;
      continue;
    }
    if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(cp));
    }
    i += extra + 1;
  }
  return out;
}

std::string EncodeUtf8(const std::wstring& w) {
  std::string out;
  out.reserve(w.size());
  for (std::size_t i = 0; i < w.size(); ++i) {
    unsigned long cp = static_cast<unsigned long>(w[i]);
    if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < w.size()) {
      unsigned long lo = static_cast<unsigned long>(w[i + 1]);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace

std::wstring FromLocal8(const char* s, std::size_t len) {
#ifdef _WIN32
  return Widen(CP_ACP, s, len);
#else
  return DecodeUtf8(s, len);
#endif
}

std::wstring FromLocal8(const std::string& s) { return FromLocal8(s.data(), s.size()); }

std::string ToLocal8(const std::wstring& s) {
#ifdef _WIN32
  return Narrow(CP_ACP, s);
#else
  return EncodeUtf8(s);
#endif
}

std::wstring FromUtf8(const std::string& s) { return DecodeUtf8(s.data(), s.size()); }
std::string ToUtf8(const std::wstring& s) { return EncodeUtf8(s); }

std::size_t FieldLength(const char* field, std::size_t width) {
  const void* nul = std::memchr(field, 0, width);
  return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : width;
}

}  // namespace port
