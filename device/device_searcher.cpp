#include "device/device_searcher.h"

#include <cstring>

#include "port/process.h"
#include "port/sync.h"

namespace {

constexpr int kReceiveBufferSize = kRecorderTextMax + 1;
// How long a receive waits before the loop looks at the running flag again.
constexpr int kReceiveWaitMs = 50;
constexpr int kDispatchPauseMs = 5;

// A fault in the owner's handling of one answer must not end the dispatcher.
template <typename F>
void Guarded(F&& f) {
  try {
    f();
  } catch (...) {
  }
}

}  // namespace

DeviceSearcher::DeviceSearcher() = default;

DeviceSearcher::~DeviceSearcher() {
  Stop();
  CloseAll();
}

void DeviceSearcher::Start(DiscoveryOwner* owner) {
  std::lock_guard<std::mutex> ops(m_socketOps);
  if (!m_threads.empty() || !m_running) return;
  port::RunHidden(L"arp.exe", L"-d");
  m_owner = owner;
  for (int role = 0; role < kThreadCount; ++role) m_threads.emplace_back(&DeviceSearcher::Run, this, role);
}

void DeviceSearcher::Search(const std::string& localAddress) {
  std::lock_guard<std::mutex> ops(m_socketOps);
  ClearBinaryQueues();
  for (int i = 0; i < kSocketCount; ++i) m_sockets[i].OpenBroadcast(localAddress, kDiscoveryPorts[i]);
  std::lock_guard<std::mutex> l(m_addressLock);
  m_localAddress = localAddress.substr(0, 15);
}

void DeviceSearcher::CloseSockets() {
  std::lock_guard<std::mutex> ops(m_socketOps);
  CloseAll();
}

void DeviceSearcher::Stop() {
  std::lock_guard<std::mutex> ops(m_socketOps);
  m_running = false;
  CloseAll();
  ClearBinaryQueues();
  for (auto& t : m_threads)
    if (t.joinable()) t.join();
  m_threads.clear();
}

std::string DeviceSearcher::LocalAddress() const {
  std::lock_guard<std::mutex> l(m_addressLock);
  return m_localAddress;
}

std::size_t DeviceSearcher::ShortRepliesQueued() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_short6006.size() + m_short6056.size();
}

void DeviceSearcher::CloseAll() {
  for (auto& s : m_sockets) s.Close();
}

void DeviceSearcher::ClearBinaryQueues() {
  std::lock_guard<std::mutex> l(m_lock);
  m_replies6005.clear();
  m_short6006.clear();
  m_replies6055.clear();
  m_short6056.clear();
}

void DeviceSearcher::Run(int role) {
  switch (role) {
    case ROLE_DISPATCH: Dispatch(); break;
    case ROLE_TEXT: ReceiveText(); break;
    case ROLE_6005: ReceiveReplies(m_sockets[1], m_replies6005); break;
    case ROLE_6006: ReceiveShortReplies(m_sockets[2], m_short6006); break;
    case ROLE_6055: ReceiveReplies(m_sockets[3], m_replies6055); break;
    case ROLE_6056: ReceiveShortReplies(m_sockets[4], m_short6056); break;
    default: break;
  }
}

void DeviceSearcher::ReceiveText() {
  char buf[kReceiveBufferSize];
  while (m_running) {
    int n = m_sockets[0].Receive(buf, kRecorderTextMax, kReceiveWaitMs);
    if (n > 0) {
      std::string text(buf, static_cast<std::size_t>(n));
      std::lock_guard<std::mutex> l(m_lock);
      m_texts.push_back(std::move(text));
    }
    port::YieldSlice();
  }
}

void DeviceSearcher::ReceiveReplies(JSocket& socket, std::deque<Reply>& queue) {
  std::uint8_t buf[kReceiveBufferSize];
  while (m_running) {
    int n = socket.Receive(buf, kRecorderTextMax, kReceiveWaitMs);
    if (n == kDiscoveryReplyLength) {
      Reply r;
      std::memcpy(r.data(), buf, r.size());
      std::lock_guard<std::mutex> l(m_lock);
      queue.push_back(r);
    } else if (n == kIpSetReplyLength) {
      Ack a;
      std::memcpy(a.data(), buf, a.size());
      std::lock_guard<std::mutex> l(m_lock);
      m_acks.push_back(a);
    }
    port::YieldSlice();
  }
}

void DeviceSearcher::ReceiveShortReplies(JSocket& socket, std::deque<ShortReply>& queue) {
  std::uint8_t buf[kReceiveBufferSize];
  while (m_running) {
    int n = socket.Receive(buf, kRecorderTextMax, kReceiveWaitMs);
    if (n == kDiscoveryReplyShortLength) {
      ShortReply r;
      std::memcpy(r.data(), buf, r.size());
      std::lock_guard<std::mutex> l(m_lock);
      queue.push_back(r);
    }
    port::YieldSlice();
  }
}

// Moves the oldest entry of queue into out under lock; false when the queue is empty.
template <typename Queue, typename Item>
bool TakeOldest(std::mutex& lock, Queue& queue, Item& out) {
  std::lock_guard<std::mutex> l(lock);
  if (queue.empty()) return false;
  out = std::move(queue.front());
  queue.pop_front();
  return true;
}

void DeviceSearcher::Dispatch() {
  Reply buf6005{}, buf6055{};
  Ack ack{};
  std::string text;
  // One pass hands over at most one entry of each queue, then pauses.
  while (m_running) {
    if (TakeOldest(m_lock, m_replies6005, buf6005) && m_owner)
      Guarded([&] { m_owner->ParseDiscoveryReply(buf6005.data()); });
    if (TakeOldest(m_lock, m_replies6055, buf6055) && m_owner)
      Guarded([&] { m_owner->ParseDiscoveryReply(buf6055.data()); });
    if (TakeOldest(m_lock, m_texts, text) && m_owner)
      Guarded([&] { m_owner->AddDiscoveredDevice(text.c_str()); });
    if (TakeOldest(m_lock, m_acks, ack) && m_owner) Guarded([&] { m_owner->OnIpSetReply(ack.data()); });
    port::SleepMs(kDispatchPauseMs);
  }
}

DeviceSearcher* g_pDeviceSearcher = nullptr;
