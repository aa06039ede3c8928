#include "port/resolve.h"

#include <cstring>

#include "port/net.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace port {

bool ResolveIPv4(const std::string& host, std::string* ip) {
  std::uint32_t a = 0;
  if (ParseIPv4(host, &a)) {
    *ip = FormatIPv4(a);
    return true;
  }
  if (host.empty() || !NetInit()) return false;
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || !res) return false;
  bool ok = false;
  for (addrinfo* p = res; p; p = p->ai_next) {
    if (p->ai_family != AF_INET) continue;
    const sockaddr_in* sa = reinterpret_cast<const sockaddr_in*>(p->ai_addr);
    *ip = FormatIPv4(ntohl(sa->sin_addr.s_addr));
    ok = true;
    break;
  }
  freeaddrinfo(res);
  return ok;
}

}  // namespace port
