// CString: a UTF-16 text with the members the dialogs and controls use.
// Format and AppendFormat follow the Windows wide formatter: %s and %c take
// wide arguments, %S and %C narrow ones, whatever the C runtime's own default.
#pragma once
#include <windows.h>

#include <cstdarg>
#include <string>

class CString {
 public:
  CString() = default;
  CString(const wchar_t* s) : m_s(s ? s : L"") {}
  CString(const wchar_t* s, int len) : m_s(s ? std::wstring(s, len) : std::wstring()) {}
  CString(const std::wstring& s) : m_s(s) {}
  CString(wchar_t ch, int repeat = 1) : m_s(repeat > 0 ? repeat : 0, ch) {}
  // Narrow text is taken in the ANSI code page, as the platform's CString does.
  explicit CString(const char* s);

  int GetLength() const { return (int)m_s.size(); }
  bool IsEmpty() const { return m_s.empty(); }
  void Empty() { m_s.clear(); }
  const wchar_t* GetString() const { return m_s.c_str(); }
  operator const wchar_t*() const { return m_s.c_str(); }
  const std::wstring& str() const { return m_s; }

  wchar_t GetAt(int i) const { return m_s[(size_t)i]; }
  void SetAt(int i, wchar_t ch) { m_s[(size_t)i] = ch; }
  wchar_t operator[](int i) const { return m_s[(size_t)i]; }

  CString& operator=(const wchar_t* s) { m_s = s ? s : L""; return *this; }
  CString& operator=(const std::wstring& s) { m_s = s; return *this; }
  CString& operator=(wchar_t ch) { m_s.assign(1, ch); return *this; }
  CString& operator+=(const CString& s) { m_s += s.m_s; return *this; }
  CString& operator+=(const wchar_t* s) { if (s) m_s += s; return *this; }
  CString& operator+=(wchar_t ch) { m_s += ch; return *this; }
  void Append(const wchar_t* s) { if (s) m_s += s; }
  void AppendChar(wchar_t ch) { m_s += ch; }

  friend CString operator+(const CString& a, const CString& b) { return CString(a.m_s + b.m_s); }
  friend CString operator+(const CString& a, const wchar_t* b) { CString r(a); r += b; return r; }
  friend CString operator+(const wchar_t* a, const CString& b) { CString r(a); r += b; return r; }
  friend CString operator+(const CString& a, wchar_t b) { CString r(a); r += b; return r; }

  int Compare(const wchar_t* s) const { return wcscmp(m_s.c_str(), s ? s : L""); }
  int CompareNoCase(const wchar_t* s) const { return _wcsicmp(m_s.c_str(), s ? s : L""); }
  friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }
  friend bool operator==(const CString& a, const wchar_t* b) { return a.Compare(b) == 0; }
  friend bool operator==(const wchar_t* a, const CString& b) { return b.Compare(a) == 0; }
  friend bool operator!=(const CString& a, const CString& b) { return a.m_s != b.m_s; }
  friend bool operator!=(const CString& a, const wchar_t* b) { return a.Compare(b) != 0; }
  friend bool operator<(const CString& a, const CString& b) { return a.m_s < b.m_s; }

  // printf-style formatting with the Windows wide conventions (see above).
  void Format(const wchar_t* fmt, ...);
  void AppendFormat(const wchar_t* fmt, ...);
  void FormatV(const wchar_t* fmt, va_list args);
  void AppendFormatV(const wchar_t* fmt, va_list args);

  CString Left(int n) const;
  CString Right(int n) const;
  CString Mid(int first) const;
  CString Mid(int first, int n) const;
  int Find(wchar_t ch, int start = 0) const;
  int Find(const wchar_t* sub, int start = 0) const;
  int ReverseFind(wchar_t ch) const;
  int Replace(const wchar_t* from, const wchar_t* to);
  int Replace(wchar_t from, wchar_t to);
  int Remove(wchar_t ch);
  int Insert(int index, const wchar_t* s);
  int Delete(int index, int count = 1);
  CString& MakeUpper();
  CString& MakeLower();
  CString& Trim();
  CString& TrimLeft();
  CString& TrimRight();
  CString& Trim(const wchar_t* chars);
  CString& TrimLeft(const wchar_t* chars);
  CString& TrimRight(const wchar_t* chars);
  // Next token after `start`, separated by any of `delims`; start becomes -1 at the end.
  CString Tokenize(const wchar_t* delims, int& start) const;

  // Raw access for Win32 calls that fill a buffer: the buffer holds at least
  // `minLen` characters plus a terminator; ReleaseBuffer(-1) takes the length
  // up to the first NUL.
  wchar_t* GetBuffer(int minLen);
  wchar_t* GetBuffer() { return &m_s[0]; }
  void ReleaseBuffer(int newLen = -1);
  wchar_t* GetBufferSetLength(int len);

 private:
  std::wstring m_s;
};
