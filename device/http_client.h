// The device request of the program: one HTTP GET of a CGI path with the login, a time-out
// and a verdict on the reply; and a plain fetch of a whole URL.
#pragma once
#include <string>

// GETs `path` from host (a dotted IPv4 address; nothing else is looked up) and stores the body
// in `reply` (at most replySize - 1 bytes, always NUL-terminated). port 0 = the port known for
// the host (g_HttpPortMap), else 80. useDefaultLogin picks the factory login over the user's
// (device/login.h). Every wait is bounded and ends early when the calling thread is asked
// to stop (port/stop_scope.h); a body cut off by a time-out, a reset or an early close is no
// answer, while one longer than the buffer is cut there and counted.
// Returns the number of body bytes stored, or
//   -1  no answer (no connection, time-out, reset, a body cut off, not HTTP)
//   -2  the body holds "ERROR" and acceptError is false
//   -3  the status is not 200, or the body holds "bad account/password" or "not authorized"
//       (wins over -2)
// connectTimeoutMs above 0 bounds the connect alone (the range scan's probes).
int HttpGetCgi(const std::wstring& host, const std::wstring& path, char* reply, int replySize,
               int timeoutMs, bool useDefaultLogin, bool acceptError, int port = 0,
               int connectTimeoutMs = 0);

// GETs a whole URL ("http://host[:port]/path?query") without answering any login challenge;
// the host may be a name (the maker's download server).
// Returns the bytes stored; 0 when it could not be fetched; -2 when the body holds "ERROR";
// -3 when the status is not 200 or the body holds "bad account/password".
int HttpGetUrl(const std::wstring& url, int timeoutMs, char* reply, int replySize);

// The verdicts on a received reply (the searches cover the `length` bytes stored).
int JudgeCgiReply(int status, const char* body, int length, bool acceptError);
int JudgeUrlReply(int status, const char* body, int length);
