#include "port/net.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "port/stop_scope.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace port {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

sockaddr_in MakeAddr(std::uint32_t hostOrder, std::uint16_t p) {
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_port = htons(p);
  a.sin_addr.s_addr = htonl(hostOrder);
  return a;
}

bool WouldBlock() {
#ifdef _WIN32
  int e = WSAGetLastError();
  return e == WSAEWOULDBLOCK || e == WSAEINPROGRESS;
#else
  return errno == EINPROGRESS || errno == EWOULDBLOCK || errno == EAGAIN;
#endif
}

bool SetBlocking(socket_t s, bool blocking) {
#ifdef _WIN32
  u_long nb = blocking ? 0 : 1;
  return ioctlsocket(static_cast<SOCKET>(s), FIONBIO, &nb) == 0;
#else
  int fl = fcntl(s, F_GETFL, 0);
  if (fl < 0) return false;
  fl = blocking ? (fl & ~O_NONBLOCK) : (fl | O_NONBLOCK);
  return fcntl(s, F_SETFL, fl) == 0;
#endif
}

// One wait of up to timeoutMs. 1 ready, 0 time-out, -1 error.
int WaitOnce(socket_t s, bool write, int timeoutMs) {
  if (s == kInvalidSocket) return -1;
#ifdef _WIN32
  fd_set set;
  FD_ZERO(&set);
  FD_SET(static_cast<SOCKET>(s), &set);
  fd_set err;
  FD_ZERO(&err);
  FD_SET(static_cast<SOCKET>(s), &err);
  timeval tv;
  tv.tv_sec = timeoutMs / 1000;
  tv.tv_usec = (timeoutMs % 1000) * 1000;
  int r = select(0, write ? nullptr : &set, write ? &set : nullptr, &err, &tv);
  if (r < 0) return -1;
  if (r == 0) return 0;
  if (FD_ISSET(static_cast<SOCKET>(s), &err)) return write ? 1 : -1;  // failed connect: SO_ERROR tells
  return 1;
#else
  pollfd p;
  p.fd = s;
  p.events = write ? POLLOUT : POLLIN;
  p.revents = 0;
  for (;;) {
    int r = poll(&p, 1, timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) return 0;
    if (p.revents & POLLNVAL) return -1;
    return 1;
  }
#endif
}

// Waits up to timeoutMs; inside a stop scope in slices, so that a stop ends the wait.
// 1 ready, 0 time-out, -1 error, kNetStopped.
int WaitFor(socket_t s, bool write, int timeoutMs) {
  if (timeoutMs < 0) timeoutMs = 0;
  if (!InStopScope()) return WaitOnce(s, write, timeoutMs);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (StopRequested()) return kNetStopped;
    const int left = RemainingMs(deadline);
    const int r = WaitOnce(s, write, left < kStopSliceMs ? left : kStopSliceMs);
    if (r != 0) return r;
    if (RemainingMs(deadline) <= 0) return StopRequested() ? kNetStopped : 0;
  }
}

#ifndef _WIN32
// The interface that holds `ip`, or empty when none does.
std::string InterfaceOf(std::uint32_t hostOrder) {
  std::string name;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return name;
  for (ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    auto* sin = reinterpret_cast<sockaddr_in*>(i->ifa_addr);
    if (ntohl(sin->sin_addr.s_addr) == hostOrder) {
      name = i->ifa_name;
      break;
    }
  }
  freeifaddrs(list);
  return name;
}
#endif

}  // namespace

bool NetInit() {
#ifdef _WIN32
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] {
    WSADATA d;
    ok = WSAStartup(MAKEWORD(2, 2), &d) == 0;
  });
  return ok;
#else
  return true;
#endif
}

namespace {

socket_t MakeSocket(int type, int protocol) {
  NetInit();
#ifdef _WIN32
  SOCKET s = socket(AF_INET, type, protocol);
  return s == INVALID_SOCKET ? kInvalidSocket : static_cast<socket_t>(s);
#else
  int s = socket(AF_INET, type | SOCK_CLOEXEC, protocol);
  return s < 0 ? kInvalidSocket : s;
#endif
}

}  // namespace

socket_t UdpSocket() { return MakeSocket(SOCK_DGRAM, IPPROTO_UDP); }
socket_t TcpSocket() { return MakeSocket(SOCK_STREAM, IPPROTO_TCP); }

void SetDeviceOptions(socket_t s) {
  linger lg;
  lg.l_onoff = 1;
  lg.l_linger = 1;
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&lg), sizeof lg);
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
  setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
}

void SetReceiveBuffer(socket_t s, int bytes) {
#ifndef _WIN32
  // As root the limit of net.core.rmem_max does not apply.
  if (setsockopt(s, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) == 0) return;
#endif
  setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

int BindLocal(socket_t s, const std::string& ip, std::uint16_t p) {
  std::uint32_t addr = 0;
  if (!ip.empty() && !ParseIPv4(ip, &addr)) return -1;
#ifdef _WIN32
  sockaddr_in a = MakeAddr(addr, p);
  return bind(static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : -1;
#else
  if (addr != 0) {
    std::string ifname = InterfaceOf(addr);
    if (ifname.empty()) {
      errno = EADDRNOTAVAIL;
      return -1;
    }
    if (setsockopt(s, SOL_SOCKET, SO_BINDTODEVICE, ifname.c_str(),
                   static_cast<socklen_t>(ifname.size() + 1)) != 0)
      return -1;
  }
  sockaddr_in a = MakeAddr(INADDR_ANY, p);
  return bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : -1;
#endif
}

int SendTo(socket_t s, const std::string& ip, std::uint16_t p, const void* data, int len,
           const std::string& source) {
  std::uint32_t addr = 0;
  if (!ParseIPv4(ip, &addr)) return -1;
  sockaddr_in a = MakeAddr(addr, p);
#ifdef _WIN32
  (void)source;
  return sendto(static_cast<SOCKET>(s), static_cast<const char*>(data), len, 0,
                reinterpret_cast<sockaddr*>(&a), sizeof a);
#else
  std::uint32_t src = 0;
  if (source.empty() || !ParseIPv4(source, &src) || src == 0) {
    ssize_t n = sendto(s, data, static_cast<size_t>(len), MSG_NOSIGNAL,
                       reinterpret_cast<sockaddr*>(&a), sizeof a);
    return static_cast<int>(n);
  }
  // Leave from the chosen address even though the socket is bound to the wildcard.
  iovec iov;
  iov.iov_base = const_cast<void*>(data);
  iov.iov_len = static_cast<size_t>(len);
  char ctl[CMSG_SPACE(sizeof(in_pktinfo))];
  std::memset(ctl, 0, sizeof ctl);
  msghdr m;
  std::memset(&m, 0, sizeof m);
  m.msg_name = &a;
  m.msg_namelen = sizeof a;
  m.msg_iov = &iov;
  m.msg_iovlen = 1;
  m.msg_control = ctl;
  m.msg_controllen = sizeof ctl;
  cmsghdr* c = CMSG_FIRSTHDR(&m);
  c->cmsg_level = IPPROTO_IP;
  c->cmsg_type = IP_PKTINFO;
  c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
  in_pktinfo info;
  std::memset(&info, 0, sizeof info);
  info.ipi_spec_dst.s_addr = htonl(src);
  std::memcpy(CMSG_DATA(c), &info, sizeof info);
  return static_cast<int>(sendmsg(s, &m, MSG_NOSIGNAL));
#endif
}

int RecvFrom(socket_t s, void* buf, int len, int timeoutMs, std::string* fromIp,
             std::uint16_t* fromPort) {
  if (WaitFor(s, false, timeoutMs) != 1) return -1;
  sockaddr_in from;
  std::memset(&from, 0, sizeof from);
#ifdef _WIN32
  int fl = sizeof from;
  int n = recvfrom(static_cast<SOCKET>(s), static_cast<char*>(buf), len, 0,
                   reinterpret_cast<sockaddr*>(&from), &fl);
  if (n == SOCKET_ERROR) {
    // A datagram larger than the buffer: its first len bytes were stored, the rest lost.
    if (WSAGetLastError() == WSAEMSGSIZE) n = len + 1;
    else return -1;
  }
#else
  socklen_t fl = sizeof from;
  // MSG_TRUNC: the datagram's real length, also when it did not fit.
  int n = static_cast<int>(recvfrom(s, buf, static_cast<size_t>(len), MSG_DONTWAIT | MSG_TRUNC,
                                    reinterpret_cast<sockaddr*>(&from), &fl));
  if (n < 0) return -1;
#endif
  if (fromIp) *fromIp = FormatIPv4(ntohl(from.sin_addr.s_addr));
  if (fromPort) *fromPort = ntohs(from.sin_port);
  return n;
}

bool ConnectTimeout(socket_t s, const std::string& ip, std::uint16_t p, int timeoutMs) {
  std::uint32_t addr = 0;
  if (s == kInvalidSocket || !ParseIPv4(ip, &addr)) return false;
  if (StopRequested()) return false;
  sockaddr_in a = MakeAddr(addr, p);
  if (!SetBlocking(s, false)) return false;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
#ifdef _WIN32
  int r = connect(static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&a), sizeof a);
#else
  int r = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
#endif
  bool ok = (r == 0);
  if (!ok && WouldBlock()) {
    int w;
    do {
      w = WaitFor(s, true, RemainingMs(deadline));
    } while (w == 0 && RemainingMs(deadline) > 0);
    ok = (w == 1 && PendingError(s) == 0);
  }
  SetBlocking(s, true);
  return ok;
}

bool SendAll(socket_t s, const void* data, std::size_t len, int timeoutMs, const std::function<void()>& whileFull) {
  const char* p = static_cast<const char*>(data);
#ifdef _WIN32
  // A blocking send on Windows waits until all its bytes are taken, however long the peer
  // does not read: the socket is made non-blocking for the loop, so that the stall limit holds.
  if (!SetBlocking(s, false)) return false;
#endif
  bool ok = true;
  while (len > 0) {
    if (WaitFor(s, true, timeoutMs) != 1) {
      ok = false;
      break;
    }
    int chunk = len > (1u << 20) ? (1 << 20) : static_cast<int>(len);
#ifdef _WIN32
    int n = send(static_cast<SOCKET>(s), p, chunk, 0);
    const bool full = n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK;
#else
    int n = static_cast<int>(send(s, p, static_cast<size_t>(chunk), MSG_NOSIGNAL | MSG_DONTWAIT));
    const bool full = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    if (n < 0 && errno == EINTR) continue;
#endif
    if (!full && n <= 0) {
      ok = false;
      break;
    }
    if (n > 0) {
      p += n;
      len -= static_cast<std::size_t>(n);
    }
    // A send that took less than it was given, or nothing, left the buffer full.
    if ((full || n < chunk) && len > 0 && whileFull) whileFull();
  }
#ifdef _WIN32
  SetBlocking(s, true);
#endif
  return ok;
}

int RecvSome(socket_t s, void* buf, int len, int timeoutMs) {
  int w = WaitFor(s, false, timeoutMs);
  if (w == 0) return kNetTimedOut;
  if (w == kNetStopped) return kNetStopped;
  if (w < 0) return kNetFailed;
#ifdef _WIN32
  int n = recv(static_cast<SOCKET>(s), static_cast<char*>(buf), len, 0);
#else
  int n = static_cast<int>(recv(s, buf, static_cast<size_t>(len), MSG_DONTWAIT));
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return kNetTimedOut;
#endif
  return n < 0 ? kNetFailed : n;
}

int WaitReadable(socket_t s, int timeoutMs) { return WaitFor(s, false, timeoutMs); }
int WaitWritable(socket_t s, int timeoutMs) { return WaitFor(s, true, timeoutMs); }

int PendingError(socket_t s) {
  int err = 0;
#ifdef _WIN32
  int l = sizeof err;
  if (getsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &l) != 0)
    return -1;
#else
  socklen_t l = sizeof err;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &l) != 0) return -1;
#endif
  return err;
}

void Shutdown(socket_t s) {
  if (s == kInvalidSocket) return;
#ifdef _WIN32
  shutdown(static_cast<SOCKET>(s), SD_BOTH);
#else
  shutdown(s, SHUT_RDWR);
#endif
}

void CloseSocket(socket_t s) {
  if (s == kInvalidSocket) return;
#ifdef _WIN32
  closesocket(static_cast<SOCKET>(s));
#else
  close(s);
#endif
}

socket_t TcpListen(const std::string& ip, std::uint16_t p) {
  std::uint32_t addr = 0;
  if (!ParseIPv4(ip, &addr)) return kInvalidSocket;
  socket_t s = TcpSocket();
  if (s == kInvalidSocket) return s;
  sockaddr_in a = MakeAddr(addr, p);
#ifdef _WIN32
  bool ok = bind(static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            listen(static_cast<SOCKET>(s), 64) == 0;
#else
  bool ok = bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(s, 64) == 0;
#endif
  if (!ok) {
    CloseSocket(s);
    return kInvalidSocket;
  }
  return s;
}

socket_t Accept(socket_t listener, int timeoutMs) {
  if (WaitFor(listener, false, timeoutMs) != 1) return kInvalidSocket;
#ifdef _WIN32
  SOCKET s = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
  return s == INVALID_SOCKET ? kInvalidSocket : static_cast<socket_t>(s);
#else
  int s = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  return s < 0 ? kInvalidSocket : s;
#endif
}

bool ParseIPv4(const std::string& text, std::uint32_t* out) {
  std::uint32_t v = 0;
  int parts = 0;
  std::size_t i = 0;
  while (parts < 4) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    std::uint32_t octet = 0;
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      octet = octet * 10 + static_cast<std::uint32_t>(text[i] - '0');
      if (++digits > 3 || octet > 255) return false;
      ++i;
    }
    v = (v << 8) | octet;
    ++parts;
    if (parts < 4) {
      if (i >= text.size() || text[i] != '.') return false;
      ++i;
    }
  }
  if (i != text.size()) return false;
  *out = v;
  return true;
}

std::string FormatIPv4(std::uint32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "%u.%u.%u.%u", (v >> 24) & 255u, (v >> 16) & 255u, (v >> 8) & 255u, v & 255u);
  return b;
}

std::uint16_t LocalPort(socket_t s) {
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
#ifdef _WIN32
  int l = sizeof a;
  if (getsockname(static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&a), &l) != 0) return 0;
#else
  socklen_t l = sizeof a;
  if (getsockname(s, reinterpret_cast<sockaddr*>(&a), &l) != 0) return 0;
#endif
  return ntohs(a.sin_port);
}

}  // namespace port
