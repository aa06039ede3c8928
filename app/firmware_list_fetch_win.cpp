#include "app/firmware_list_fetch_win.h"

#include <cwctype>

namespace {

bool HasScheme(const std::wstring& url, const wchar_t* scheme) {
  std::wstring head = url.substr(0, std::wcslen(scheme));
  for (wchar_t& c : head) c = static_cast<wchar_t>(std::towlower(c));
  return head == scheme;
}

}  // namespace

WinInetListFetcher::~WinInetListFetcher() {
  std::lock_guard<std::mutex> l(m_Lock);
  CloseHandles();
}

void WinInetListFetcher::CloseHandles() {
  if (m_Request) ::InternetCloseHandle(m_Request);
  if (m_Session) ::InternetCloseHandle(m_Session);
  m_Request = nullptr;
  m_Session = nullptr;
}

void WinInetListFetcher::Cancel() {
  std::lock_guard<std::mutex> l(m_Lock);
  m_Cancelled = true;
  CloseHandles();
}

bool WinInetListFetcher::Read(HINTERNET request, std::string* body) {
  DWORD status = 0, size = sizeof status;
  if (!::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
      status != 200)
    return false;
  char chunk[8192];
  for (;;) {
    DWORD got = 0;
    if (!::InternetReadFile(request, chunk, sizeof chunk, &got)) return false;
    if (got == 0) return true;
    // A list longer than any list has been is not taken in part.
    if (body->size() + got > kMaxListBytes) return false;
    body->append(chunk, got);
  }
}

bool WinInetListFetcher::Fetch(const std::wstring& url, int timeoutMs, std::string* body) {
  body->clear();
  if (!HasScheme(url, L"http://") && !HasScheme(url, L"https://")) return false;
  HINTERNET session = nullptr;
  {
    std::lock_guard<std::mutex> l(m_Lock);
    if (m_Cancelled) return false;
    session = m_Session = ::InternetOpenW(L"Dorvik", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  }
  if (!session) return false;
  DWORD ms = static_cast<DWORD>(timeoutMs > 0 ? timeoutMs : 0);
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
    ::InternetSetOptionW(session, option, &ms, sizeof ms);
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                      INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  HINTERNET request = ::InternetOpenUrlW(session, url.c_str(), nullptr, 0, flags, 0);
  bool ok = false;
  if (request) {
    bool go = false;
    {
      std::lock_guard<std::mutex> l(m_Lock);
      go = !m_Cancelled;
      if (go) m_Request = request;
    }
    if (go) ok = Read(request, body);
    else ::InternetCloseHandle(request);
  }
  std::lock_guard<std::mutex> l(m_Lock);
  // Handles a cancel has closed are not closed twice.
  if (m_Session == session) CloseHandles();
  if (m_Cancelled) ok = false;
  if (!ok) body->clear();
  return ok;
}
