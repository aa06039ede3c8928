#include "app/firmware_centre/firmware_list_fetch_win.h"

#include <chrono>
#include <condition_variable>
#include <cwctype>
#include <map>
#include <mutex>

// What the library may still write while a step of a fetch is pending: it lives on the heap
// and the library's callback finds it by its number, so that a callback coming after the
// fetch has ended finds nothing.
struct WinInetListFetcher::Call {
  DWORD_PTR id = 0;
  bool completed = false;  // the pending step has completed
  DWORD_PTR result = 0;    // its result: a request's handle, or TRUE / FALSE
  DWORD available = 0;     // bytes the library holds for reading
  DWORD got = 0;           // bytes read
  char chunk[16384];
};

namespace {

// One lock and one wake for every fetch and the library's callback. Nothing of the library is
// called while the lock is held: the library may call back on the calling thread.
std::mutex g_Lock;
std::condition_variable g_Wake;
std::map<DWORD_PTR, WinInetListFetcher::Call*> g_Calls;
DWORD_PTR g_LastCall = 0;

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
  if (status != INTERNET_STATUS_REQUEST_COMPLETE || !info) return;
  std::lock_guard<std::mutex> l(g_Lock);
  auto it = g_Calls.find(context);
  if (it == g_Calls.end()) return;
  it->second->completed = true;
  it->second->result = static_cast<INTERNET_ASYNC_RESULT*>(info)->dwResult;
  g_Wake.notify_all();
}

bool HasScheme(const std::wstring& url, const wchar_t* scheme) {
  std::wstring head = url.substr(0, std::wcslen(scheme));
  for (wchar_t& c : head) c = static_cast<wchar_t>(std::towlower(c));
  return head == scheme;
}

// Before a step that may complete later.
void Arm(WinInetListFetcher::Call& call) {
  std::lock_guard<std::mutex> l(g_Lock);
  call.completed = false;
  call.result = 0;
}

}  // namespace

WinInetListFetcher::~WinInetListFetcher() { Cancel(); }

void WinInetListFetcher::Cancel() {
  HINTERNET session = nullptr;
  {
    std::lock_guard<std::mutex> l(g_Lock);
    m_Cancelled = true;
    session = m_Session;
    m_Session = nullptr;
  }
  g_Wake.notify_all();
  // Closing the session ends what is under way in it (the request goes with it).
  if (session) ::InternetCloseHandle(session);
}

bool WinInetListFetcher::WaitFor(Call& call, int timeoutMs) {
  std::unique_lock<std::mutex> l(g_Lock);
  // The library ends every step within its own time-outs; the bound here only guards
  // against one that never calls back.
  const auto bound = std::chrono::milliseconds(3 * static_cast<long long>(timeoutMs) + 5000);
  g_Wake.wait_for(l, bound, [&] { return call.completed || m_Cancelled; });
  return call.completed && !m_Cancelled;
}

bool WinInetListFetcher::Read(Call& call, HINTERNET request, int timeoutMs, std::string* body, bool* pending) {
  DWORD status = 0, size = sizeof status;
  if (!::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
      status != 200)
    return false;
  for (;;) {
    Arm(call);
    *pending = true;
    if (!::InternetQueryDataAvailable(request, &call.available, 0, 0)) {
      if (::GetLastError() != ERROR_IO_PENDING || !WaitFor(call, timeoutMs)) return false;
      *pending = false;
      if (!call.result) return false;
      continue;  // the data is there now: asked again, the library answers at once
    }
    *pending = false;
    if (call.available == 0) return true;  // the end of the list
    const DWORD want = call.available < sizeof call.chunk ? call.available : static_cast<DWORD>(sizeof call.chunk);
    Arm(call);
    call.got = 0;
    *pending = true;
    if (!::InternetReadFile(request, call.chunk, want, &call.got)) {
      if (::GetLastError() != ERROR_IO_PENDING || !WaitFor(call, timeoutMs) || !call.result) return false;
    }
    *pending = false;
    if (call.got == 0) return true;
    // A list longer than any list has been is not taken in part.
    if (body->size() + call.got > kMaxListBytes) return false;
    body->append(call.chunk, call.got);
  }
}

bool WinInetListFetcher::Fetch(const std::wstring& url, int timeoutMs, std::string* body) {
  body->clear();
  if (!HasScheme(url, L"http://") && !HasScheme(url, L"https://")) return false;
  Call* call = new Call();
  {
    std::lock_guard<std::mutex> l(g_Lock);
    if (m_Cancelled) {
      delete call;
      return false;
    }
    call->id = ++g_LastCall;
    g_Calls[call->id] = call;
  }
  HINTERNET session = ::InternetOpenW(L"Dorvik", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
  bool ok = false, pending = false;
  HINTERNET request = nullptr;
  bool started = false;
  if (session) {
    std::lock_guard<std::mutex> l(g_Lock);
    started = !m_Cancelled;
    if (started) m_Session = session;
  }
  if (started) {
    ::InternetSetStatusCallbackW(session, &OnStatus);
    DWORD ms = static_cast<DWORD>(timeoutMs > 0 ? timeoutMs : 0);
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
      ::InternetSetOptionW(session, option, &ms, sizeof ms);
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                        INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    Arm(*call);
    pending = true;
    request = ::InternetOpenUrlW(session, url.c_str(), nullptr, 0, flags, call->id);
    if (!request && ::GetLastError() == ERROR_IO_PENDING && WaitFor(*call, timeoutMs))
      request = reinterpret_cast<HINTERNET>(call->result);
    if (request || call->completed) pending = false;
    if (request) ok = Read(*call, request, timeoutMs, body, &pending);
  }
  {
    std::lock_guard<std::mutex> l(g_Lock);
    g_Calls.erase(call->id);
    if (started && m_Session != session) session = nullptr;  // a cancel has closed it
    if (m_Session == session) m_Session = nullptr;
    if (m_Cancelled) ok = false;
  }
  if (request) ::InternetCloseHandle(request);
  if (session) ::InternetCloseHandle(session);
  // A step the library has not ended may still write into the call: it is left to it.
  if (!pending) delete call;
  if (!ok) body->clear();
  return ok;
}
