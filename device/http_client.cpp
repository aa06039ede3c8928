#include "device/http_client.h"

#include <cstring>

#include "device/http_connection.h"
#include "device/http_port_map.h"
#include "device/http_url.h"
#include "device/login.h"
#include "port/text.h"

namespace {

bool Holds(const char* body, int length, const char* word) {
  if (!body || length <= 0) return false;
  std::size_t n = std::strlen(word);
  const char* end = body + length;
  for (const char* p = body; static_cast<std::size_t>(end - p) >= n; ++p)
    if (std::memcmp(p, word, n) == 0) return true;
  return false;
}

}  // namespace

int JudgeCgiReply(int status, const char* body, int length, bool acceptError) {
  if (status != 200) return -3;
  if (Holds(body, length, "bad account/password") || Holds(body, length, "not authorized")) return -3;
  if (!acceptError && Holds(body, length, "ERROR")) return -2;
  return length;
}

int JudgeUrlReply(int status, const char* body, int length) {
  if (status != 200) return -3;
  if (Holds(body, length, "bad account/password")) return -3;
  if (Holds(body, length, "ERROR")) return -2;
  return length;
}

int HttpGetCgi(const std::wstring& host, const std::wstring& path, char* reply, int replySize, int timeoutMs,
               bool useDefaultLogin, bool acceptError, int port, int connectTimeoutMs) {
  if (reply && replySize > 0) reply[0] = '\0';
  Login login = useDefaultLogin ? DefaultLogin() : UserLogin();
  http::GetRequest req;
  req.host = port::ToLocal8(host);
  req.port = ResolveHttpPort(host, port);
  req.target = http::SafeTarget(port::ToLocal8(path));
  req.timeoutMs = timeoutMs;
  req.connectTimeoutMs = connectTimeoutMs;
  req.answerChallenge = true;
  req.user = port::ToLocal8(login.user);
  req.password = port::ToLocal8(login.password);
  http::GetResult res;
  if (!http::Get(req, reply, replySize, &res)) return -1;
  return JudgeCgiReply(res.status, reply, res.bodyBytes, acceptError);
}

int HttpGetUrl(const std::wstring& url, int timeoutMs, char* reply, int replySize) {
  if (reply && replySize > 0) reply[0] = '\0';
  http::Url u;
  if (!http::ParseUrl(port::ToLocal8(url), &u)) return 0;
  http::GetRequest req;
  req.host = u.host;
  req.port = u.port;
  req.target = u.target;
  req.timeoutMs = timeoutMs;
  req.agent = "Just Url";
  req.allowHostName = true;
  http::GetResult res;
  if (!http::Get(req, reply, replySize, &res)) return 0;
  return JudgeUrlReply(res.status, reply, res.bodyBytes);
}
