// The discovery engine: broadcasts the probe on the five ports and hands every answer to
// its owner through five receiver threads and one dispatcher thread. Each queue holds a
// bounded number of answers (what does not fit is dropped and counted), so no flood of
// datagrams can exhaust memory. The owner's handlers run on the dispatcher thread; requests
// they make there for an answer of one search are abandoned at once when that search ends (a
// new search, CloseSockets or a stop: port/stop_scope.h). What a closed socket received never
// reaches the queues once it is closed, so every answer queued belongs to the search running.
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
  // The most answers each queue holds.
  static constexpr std::size_t kMaxReplies = 4096;  // each of 6005 and 6055
  static constexpr std::size_t kMaxTexts = 1024;
  static constexpr std::size_t kMaxAcks = 1024;

  DeviceSearcher();
  ~DeviceSearcher();
  DeviceSearcher(const DeviceSearcher&) = delete;
  DeviceSearcher& operator=(const DeviceSearcher&) = delete;

  // Empties the ARP cache (Windows), stores the owner and starts the six threads once.
  void Start(DiscoveryOwner* owner);
  // Ends the last search as CloseSockets does, then broadcasts the probe from localAddress on
  // the five ports. A probe that leaves only in part is reported once ("Send fail",
  // JSocket::SetSendFailHandler), after every lock is let go.
  void Search(const std::string& localAddress);
  // Closes the five sockets, drops the answers still queued (but the acknowledgements) and
  // abandons the owner's request in flight on the dispatcher; the threads go on and wait for
  // the next Search.
  void CloseSockets();
  // Ends the six threads and waits for them (without holding any lock the owner's handlers
  // might need). Returns promptly; safe to call twice.
  void Stop();

  bool IsRunning() const { return m_running; }
  std::string LocalAddress() const;

  // Counts for tests and measurements: 176-byte replies seen since the last search (they are
  // counted, not kept: nobody reads them), answers now queued, answers dropped for want of room.
  std::size_t ShortRepliesSeen() const;
  std::size_t Queued() const;
  std::size_t Dropped() const;

 private:
  using Reply = std::array<std::uint8_t, kDiscoveryReplyLength>;
  using Ack = std::array<std::uint8_t, kIpSetReplyLength>;

  void Run(int role);
  void ReceiveText();
  void ReceiveReplies(JSocket& socket, std::deque<Reply>& queue);
  void ReceiveShortReplies(JSocket& socket);
  void Dispatch();
  // Under the queues' lock: drops the answers queued (but the acknowledgements) and marks the
  // owner's request in flight, which was for one of them, as abandoned.
  void EndSearch();
  // Moves the oldest entry of queue into out; false when the queue is empty or the engine is
  // stopping. The handler the entry is for starts with nothing abandoned.
  template <typename Queue, typename Item>
  bool Take(Queue& queue, Item& out);
  void CloseAll();
  // Appends under the lock when the queue has room, else counts the answer as dropped.
  template <typename Queue, typename Item>
  void Push(Queue& queue, std::size_t limit, Item&& item);

  std::atomic<bool> m_running{true};
  std::atomic<bool> m_stopped{false};  // set by Stop: the dispatcher's requests end
  // Set when the search ends whose answer the dispatcher handles: its request in flight ends.
  // Set and cleared under m_lock, with the queues emptied and the entry taken.
  std::atomic<bool> m_abandon{false};
  mutable std::mutex m_addressLock;
  std::string m_localAddress;
  DiscoveryOwner* m_owner = nullptr;
  std::vector<std::thread> m_threads;
  std::array<JSocket, kSocketCount> m_sockets;  // 2900, 6005, 6006, 6055, 6056

  std::mutex m_socketOps;     // serialises Start, Search, CloseSockets and Stop
  mutable std::mutex m_lock;  // guards the queues and the counts
  std::deque<std::string> m_texts;
  std::deque<Reply> m_replies6005;
  std::deque<Reply> m_replies6055;
  std::deque<Ack> m_acks;
  std::size_t m_shortSeen = 0;
  std::size_t m_dropped = 0;
};

extern DeviceSearcher* g_pDeviceSearcher;
