// One socket and the address it last sent to: UDP broadcast for discovery, TCP for uploads.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <shared_mutex>
#include <string>

#include "port/net.h"

class JSocket {
 public:
  JSocket() = default;
  ~JSocket();
  JSocket(const JSocket&) = delete;
  JSocket& operator=(const JSocket&) = delete;

  // Opens a UDP socket bound to localAddress:port (closing any earlier one) and broadcasts
  // the probe to 255.255.255.255:port. Returns 8 when the probe went out, -1 when the bind
  // failed (silently, nothing sent), another value after a short send. A short send shows
  // "Send fail" (ReportSendFail), unless the caller passes `sendFailed`: it is then told, and
  // reports it itself once it holds no lock.
  int OpenBroadcast(const std::string& localAddress, std::uint16_t port, bool* sendFailed = nullptr);
  // Opens a TCP socket with the device options and connects it. True when connected.
  bool OpenTcp(const std::string& address, std::uint16_t port);
  // Connects the open TCP socket within 5 s. True only when really connected.
  bool Connect(const std::string& address, std::uint16_t port);
  // Wakes any thread receiving on the socket, then closes it. Safe to call twice.
  void Close();

  bool IsOpen() const;

  // Waits up to timeoutMs for one datagram and stores at most len bytes of it. Returns its
  // whole length (more than len when it did not fit), or -1 when there was none or the
  // socket is closed (then after a short pause, so a closed socket costs no CPU).
  int Receive(void* buf, int len, int timeoutMs);
  // The same, and a datagram that came is handed to `take` (with its whole length) before
  // the socket is let go: once a Close has returned, no datagram of the closed socket is
  // still on its way to whoever takes them.
  int Receive(void* buf, int len, int timeoutMs, const std::function<void(int)>& take);

  // For the single owner of a TCP socket: send every byte (port::SendAll, `whileFull`
  // included) / receive some bytes.
  bool SendAll(const void* data, std::size_t len, int timeoutMs,
               const std::function<void()>& whileFull = std::function<void()>());
  int ReceiveSome(void* buf, int len, int timeoutMs);

  // Destination (or, after Receive, sender) of the last datagram.
  std::string Address() const;
  std::uint16_t Port() const;

  // What a short send of the probe shows; the window layer installs its message box.
  static void SetSendFailHandler(std::function<void()> handler);
  static void ReportSendFail();

 private:
  port::socket_t Replace(port::socket_t fresh);

  mutable std::shared_mutex m_lock;  // shared: users of the handle; exclusive: open/close
  std::atomic<bool> m_replacing{false};  // keeps receivers off while the handle changes
  port::socket_t m_handle = port::kInvalidSocket;
  std::string m_address;
  std::uint16_t m_port = 0;
};
