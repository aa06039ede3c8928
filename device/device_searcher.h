// The discovery engine: broadcasts the probe on the five ports and hands every answer to
// its owner through five receiver threads and one dispatcher thread.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/discovery_datagrams.h"
#include "device/jsocket.h"

// lParam flag of the IP-set acknowledgement handed to the main window.
constexpr unsigned long FOUND_IPSET_REPLY = 0x2000000;

// What the engine calls, always on its dispatcher thread (the main window implements it).
class DiscoveryOwner {
 public:
  virtual ~DiscoveryOwner() = default;
  // A 268-byte reply; the buffer stays valid until the dispatcher's next pass.
  virtual void ParseDiscoveryReply(const std::uint8_t* reply) = 0;
  // A recorder's text reply, NUL-terminated.
  virtual void AddDiscoveredDevice(const char* text) = 0;
  // A 228-byte IP-set acknowledgement; handled before the dispatcher goes on.
  virtual void OnIpSetReply(const std::uint8_t* ack) = 0;
};

class DeviceSearcher {
 public:
  enum Role { ROLE_DISPATCH = 0, ROLE_TEXT = 1, ROLE_6005 = 2, ROLE_6006 = 3, ROLE_6055 = 4, ROLE_6056 = 5 };
  static constexpr int kThreadCount = 6;
  static constexpr int kSocketCount = 5;

  DeviceSearcher();
  ~DeviceSearcher();
  DeviceSearcher(const DeviceSearcher&) = delete;
  DeviceSearcher& operator=(const DeviceSearcher&) = delete;

  // Empties the ARP cache (Windows), stores the owner and starts the six threads once.
  void Start(DiscoveryOwner* owner);
  // Empties the binary reply queues and broadcasts the probe from localAddress on the five
  // ports (closing each port's earlier socket first).
  void Search(const std::string& localAddress);
  // Closes the five sockets; the threads go on and wait for the next Search.
  void CloseSockets();
  // Ends the six threads and waits for them. Returns promptly; safe to call twice.
  void Stop();

  bool IsRunning() const { return m_running; }
  std::string LocalAddress() const;

  // Counts for tests and measurements.
  std::size_t ShortRepliesQueued() const;

 private:
  using Reply = std::array<std::uint8_t, kDiscoveryReplyLength>;
  using ShortReply = std::array<std::uint8_t, kDiscoveryReplyShortLength>;
  using Ack = std::array<std::uint8_t, kIpSetReplyLength>;

  void Run(int role);
  void ReceiveText();
  void ReceiveReplies(JSocket& socket, std::deque<Reply>& queue);
  void ReceiveShortReplies(JSocket& socket, std::deque<ShortReply>& queue);
  void Dispatch();
  void ClearBinaryQueues();
  void CloseAll();

  std::atomic<bool> m_running{true};
  mutable std::mutex m_addressLock;
  std::string m_localAddress;
  DiscoveryOwner* m_owner = nullptr;
  std::vector<std::thread> m_threads;
  std::array<JSocket, kSocketCount> m_sockets;  // 2900, 6005, 6006, 6055, 6056

  std::mutex m_socketOps;     // serialises Start, Search, CloseSockets and Stop
  mutable std::mutex m_lock;  // guards the six queues
  std::deque<std::string> m_texts;
  std::deque<Reply> m_replies6005;
  std::deque<ShortReply> m_short6006;
  std::deque<Reply> m_replies6055;
  std::deque<ShortReply> m_short6056;
  std::deque<Ack> m_acks;
};

extern DeviceSearcher* g_pDeviceSearcher;
