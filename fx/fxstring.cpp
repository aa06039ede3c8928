#include "fx/fxstring.h"

#include <algorithm>
#include <cwctype>

namespace {

// The C runtime linked by mingw-w64 may follow ISO C, where %s in a wide format
// is a narrow string. msvcrt's own formatters use the Windows convention, so
// they are called directly from msvcrt.dll.
using VsnwprintfFn = int(__cdecl*)(wchar_t*, size_t, const wchar_t*, va_list);
using VscwprintfFn = int(__cdecl*)(const wchar_t*, va_list);

struct WideFormatter {
  VsnwprintfFn vsnwprintf = nullptr;
  VscwprintfFn vscwprintf = nullptr;
  WideFormatter() {
    HMODULE crt = GetModuleHandleW(L"msvcrt.dll");
    if (!crt) crt = LoadLibraryW(L"msvcrt.dll");
    if (crt) {
      vsnwprintf = reinterpret_cast<VsnwprintfFn>(
          reinterpret_cast<void*>(GetProcAddress(crt, "_vsnwprintf")));
      vscwprintf = reinterpret_cast<VscwprintfFn>(
          reinterpret_cast<void*>(GetProcAddress(crt, "_vscwprintf")));
    }
  }
};

const WideFormatter& Formatter() {
  static const WideFormatter f;
  return f;
}

std::wstring FormatWide(const wchar_t* fmt, va_list args) {
  if (!fmt) return std::wstring();
  const WideFormatter& f = Formatter();
  if (!f.vsnwprintf || !f.vscwprintf) return std::wstring(fmt);
  va_list count;
  va_copy(count, args);
  int n = f.vscwprintf(fmt, count);
  va_end(count);
  if (n <= 0) return std::wstring();
  std::wstring out((size_t)n + 1, L'\0');
  va_list write;
  va_copy(write, args);
  int w = f.vsnwprintf(&out[0], out.size(), fmt, write);
  va_end(write);
  out.resize(w < 0 ? 0 : (size_t)w);
  return out;
}

bool InSet(wchar_t c, const wchar_t* set) { return set && wcschr(set, c) != nullptr && c != 0; }

}  // namespace

CString::CString(const char* s) {
  if (!s || !*s) return;
  int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
  if (n <= 1) return;
  m_s.resize((size_t)n);
  MultiByteToWideChar(CP_ACP, 0, s, -1, &m_s[0], n);
  m_s.resize((size_t)n - 1);
}

void CString::Format(const wchar_t* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  FormatV(fmt, args);
  va_end(args);
}

void CString::AppendFormat(const wchar_t* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  AppendFormatV(fmt, args);
  va_end(args);
}

void CString::FormatV(const wchar_t* fmt, va_list args) { m_s = FormatWide(fmt, args); }
void CString::AppendFormatV(const wchar_t* fmt, va_list args) { m_s += FormatWide(fmt, args); }

CString CString::Left(int n) const {
  if (n <= 0) return CString();
  return CString(m_s.substr(0, (size_t)n));
}

CString CString::Right(int n) const {
  if (n <= 0) return CString();
  if ((size_t)n >= m_s.size()) return *this;
  return CString(m_s.substr(m_s.size() - (size_t)n));
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int n) const {
  if (first < 0) first = 0;
  if (n <= 0 || (size_t)first >= m_s.size()) return CString();
  return CString(m_s.substr((size_t)first, (size_t)n));
}

int CString::Find(wchar_t ch, int start) const {
  if (start < 0 || (size_t)start > m_s.size()) return -1;
  size_t p = m_s.find(ch, (size_t)start);
  return p == std::wstring::npos ? -1 : (int)p;
}

int CString::Find(const wchar_t* sub, int start) const {
  if (!sub || start < 0 || (size_t)start > m_s.size()) return -1;
  size_t p = m_s.find(sub, (size_t)start);
  return p == std::wstring::npos ? -1 : (int)p;
}

int CString::ReverseFind(wchar_t ch) const {
  size_t p = m_s.rfind(ch);
  return p == std::wstring::npos ? -1 : (int)p;
}

int CString::Replace(const wchar_t* from, const wchar_t* to) {
  if (!from || !*from) return 0;
  std::wstring f(from), t(to ? to : L"");
  int count = 0;
  size_t pos = 0;
  while ((pos = m_s.find(f, pos)) != std::wstring::npos) {
    m_s.replace(pos, f.size(), t);
    pos += t.size();
    ++count;
  }
  return count;
}

int CString::Replace(wchar_t from, wchar_t to) {
  int count = 0;
  for (auto& c : m_s)
    if (c == from) { c = to; ++count; }
  return count;
}

int CString::Remove(wchar_t ch) {
  size_t before = m_s.size();
  m_s.erase(std::remove(m_s.begin(), m_s.end(), ch), m_s.end());
  return (int)(before - m_s.size());
}

int CString::Insert(int index, const wchar_t* s) {
  if (index < 0) index = 0;
  if ((size_t)index > m_s.size()) index = GetLength();
  if (s) m_s.insert((size_t)index, s);
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index < 0) index = 0;
  if (count > 0 && (size_t)index < m_s.size()) m_s.erase((size_t)index, (size_t)count);
  return GetLength();
}

CString& CString::MakeUpper() {
  CharUpperBuffW(&m_s[0], (DWORD)m_s.size());
  return *this;
}

CString& CString::MakeLower() {
  CharLowerBuffW(&m_s[0], (DWORD)m_s.size());
  return *this;
}

static const wchar_t kSpaces[] = L" \t\r\n\v\f";

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::TrimLeft() { return TrimLeft(kSpaces); }
CString& CString::TrimRight() { return TrimRight(kSpaces); }
CString& CString::Trim(const wchar_t* chars) { return TrimRight(chars).TrimLeft(chars); }

CString& CString::TrimLeft(const wchar_t* chars) {
  size_t i = 0;
  while (i < m_s.size() && InSet(m_s[i], chars)) ++i;
  m_s.erase(0, i);
  return *this;
}

CString& CString::TrimRight(const wchar_t* chars) {
  size_t n = m_s.size();
  while (n > 0 && InSet(m_s[n - 1], chars)) --n;
  m_s.resize(n);
  return *this;
}

CString CString::Tokenize(const wchar_t* delims, int& start) const {
  if (start < 0) return CString();
  size_t i = (size_t)start;
  while (i < m_s.size() && InSet(m_s[i], delims)) ++i;
  if (i >= m_s.size()) {
    start = -1;
    return CString();
  }
  size_t j = i;
  while (j < m_s.size() && !InSet(m_s[j], delims)) ++j;
  start = (int)(j < m_s.size() ? j + 1 : j);
  return CString(m_s.substr(i, j - i));
}

wchar_t* CString::GetBuffer(int minLen) {
  if (minLen > 0 && (size_t)minLen > m_s.size()) m_s.resize((size_t)minLen);
  // std::wstring keeps a terminator beyond size(); the caller may write it.
  return &m_s[0];
}

void CString::ReleaseBuffer(int newLen) {
  if (newLen < 0) newLen = (int)wcsnlen(m_s.c_str(), m_s.size());
  m_s.resize((size_t)newLen);
}

wchar_t* CString::GetBufferSetLength(int len) {
  m_s.resize(len > 0 ? (size_t)len : 0);
  return &m_s[0];
}
