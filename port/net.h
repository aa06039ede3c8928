// Thin socket layer: the same calls and the same reception behaviour on Winsock and on POSIX.
// Every wait here ends early, as a failure, when the calling thread is asked to stop
// (port/stop_scope.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace port {

#ifdef _WIN32
using socket_t = std::uintptr_t;  // SOCKET
#else
using socket_t = int;
#endif
// The one "no socket" value; never 0, which is a valid descriptor on POSIX.
constexpr socket_t kInvalidSocket = static_cast<socket_t>(~static_cast<socket_t>(0));

// Starts the socket library once per process (WSAStartup on Windows). True on success.
bool NetInit();

socket_t UdpSocket();
socket_t TcpSocket();

// SO_LINGER on (1 s), SO_REUSEADDR on, SO_BROADCAST on.
void SetDeviceOptions(socket_t s);
// Asks for a larger receive buffer (bursts of hundreds of replies); best effort.
void SetReceiveBuffer(socket_t s, int bytes);

// Binds to ip:port. On POSIX a socket bound to a unicast address does not receive
// broadcasts, while on Windows it does; to give the same reception the POSIX side
// binds the wildcard address on the interface that owns `ip`. An address that no
// local interface holds fails as it does on Windows. Returns 0 or -1.
int BindLocal(socket_t s, const std::string& ip, std::uint16_t port);

// Sends one datagram to ip:port; `source` (may be empty) is the local address the
// datagram leaves from. Returns the bytes sent or -1.
int SendTo(socket_t s, const std::string& ip, std::uint16_t port, const void* data, int len,
           const std::string& source = std::string());

// Results of the waits below besides a count of bytes.
constexpr int kNetFailed = -1;
constexpr int kNetTimedOut = -2;
constexpr int kNetStopped = -3;

// Waits up to timeoutMs for a datagram and stores at most len bytes of it. Returns the
// datagram's whole length, which is more than len when it did not fit (the rest is lost),
// or -1 on time-out or error. The sender's address is stored when the pointers are given.
int RecvFrom(socket_t s, void* buf, int len, int timeoutMs, std::string* fromIp = nullptr,
             std::uint16_t* fromPort = nullptr);

// Non-blocking connect bounded by timeoutMs on a steady clock, then SO_ERROR.
// True only when the connection is really established. The socket is left blocking.
bool ConnectTimeout(socket_t s, const std::string& ip, std::uint16_t port, int timeoutMs);

// Sends every byte (looping over short sends, never blocking in a send); false on error,
// on a stop, or when no progress is made within timeoutMs (the stall limit). Each time the
// socket's buffer is full, `whileFull` (when given) runs before the wait for room: a caller
// that streams a file reads its next piece there.
bool SendAll(socket_t s, const void* data, std::size_t len, int timeoutMs,
             const std::function<void()>& whileFull = std::function<void()>());

// Receives up to len bytes, waiting at most timeoutMs. Returns bytes (0 = orderly close),
// kNetFailed, kNetTimedOut or kNetStopped.
int RecvSome(socket_t s, void* buf, int len, int timeoutMs);

// Waits until the socket is readable / writable. 1 ready, 0 time-out, -1 error, kNetStopped.
int WaitReadable(socket_t s, int timeoutMs);
int WaitWritable(socket_t s, int timeoutMs);

// The socket's pending error (SO_ERROR), 0 when none.
int PendingError(socket_t s);

// Wakes any thread blocked on the socket (shutdown), then closes it.
void Shutdown(socket_t s);
void CloseSocket(socket_t s);

// A TCP socket listening on ip:port (port 0: any free one, see LocalPort); kInvalidSocket on
// failure. Connections wait in its backlog until accepted.
socket_t TcpListen(const std::string& ip, std::uint16_t port);
// The next connection of a listener, waiting up to timeoutMs; kInvalidSocket when none came.
socket_t Accept(socket_t listener, int timeoutMs);

// Dotted IPv4 text to a host-order number; false when the text is no address.
bool ParseIPv4(const std::string& text, std::uint32_t* out);
std::string FormatIPv4(std::uint32_t hostOrder);

// The local TCP/UDP port a socket is bound to (0 when unknown).
std::uint16_t LocalPort(socket_t s);

}  // namespace port
