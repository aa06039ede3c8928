#include "device/device_searcher.h"

#include <cstring>

#include "port/process.h"
#include "port/stop_scope.h"
#include "port/sync.h"

namespace {

// One byte more than the longest answer taken, so that a longer datagram shows as longer.
constexpr int kReceiveBufferSize = kRecorderTextMax + 2;
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
  bool sendFailed = false;
  {
    std::lock_guard<std::mutex> ops(m_socketOps);
    ClearQueues();
    for (int i = 0; i < kSocketCount; ++i) {
      bool failed = false;
      m_sockets[i].OpenBroadcast(localAddress, kDiscoveryPorts[i], &failed);
      sendFailed = sendFailed || failed;
    }
    std::lock_guard<std::mutex> l(m_addressLock);
    m_localAddress = localAddress.substr(0, 15);
  }
  // The box waits for the user: never while a lock is held, or a search started from the
  // box's own message loop would wait for this one.
  if (sendFailed) JSocket::ReportSendFail();
}

void DeviceSearcher::CloseSockets() {
  std::lock_guard<std::mutex> ops(m_socketOps);
  m_abandon = true;
  CloseAll();
  // What this search's answers still queue is of no use to the next one.
  ClearQueues();
}

void DeviceSearcher::Stop() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> ops(m_socketOps);
    m_running = false;
    m_stopped = true;
    CloseAll();
    ClearQueues();
    threads.swap(m_threads);
  }
  // Joined without the lock: the dispatcher may be in the owner's handler, which may wait for
  // a thread that is about to close the sockets.
  for (auto& t : threads)
    if (t.joinable()) t.join();
}

std::string DeviceSearcher::LocalAddress() const {
  std::lock_guard<std::mutex> l(m_addressLock);
  return m_localAddress;
}

std::size_t DeviceSearcher::ShortRepliesSeen() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_shortSeen;
}

std::size_t DeviceSearcher::Queued() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_texts.size() + m_replies6005.size() + m_replies6055.size() + m_acks.size();
}

std::size_t DeviceSearcher::Dropped() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_dropped;
}

void DeviceSearcher::CloseAll() {
  for (auto& s : m_sockets) s.Close();
}

void DeviceSearcher::ClearQueues() {
  // The acknowledgements stay: an address change may be confirmed across a new search.
  std::lock_guard<std::mutex> l(m_lock);
  m_texts.clear();
  m_replies6005.clear();
  m_replies6055.clear();
  m_shortSeen = 0;
}

template <typename Queue, typename Item>
void DeviceSearcher::Push(Queue& queue, std::size_t limit, Item&& item) {
  std::lock_guard<std::mutex> l(m_lock);
  if (queue.size() < limit)
    queue.push_back(std::forward<Item>(item));
  else
    ++m_dropped;
}

void DeviceSearcher::Run(int role) {
  switch (role) {
    case ROLE_DISPATCH: Dispatch(); break;
    case ROLE_TEXT: ReceiveText(); break;
    case ROLE_6005: ReceiveReplies(m_sockets[1], m_replies6005); break;
    case ROLE_6006: ReceiveShortReplies(m_sockets[2]); break;
    case ROLE_6055: ReceiveReplies(m_sockets[3], m_replies6055); break;
    case ROLE_6056: ReceiveShortReplies(m_sockets[4]); break;
    default: break;
  }
}

void DeviceSearcher::ReceiveText() {
  char buf[kReceiveBufferSize];
  while (m_running) {
    // A datagram longer than the longest text is not a recorder's answer: not even cut short.
    int n = m_sockets[0].Receive(buf, kReceiveBufferSize, kReceiveWaitMs);
    if (n > 0 && n <= kRecorderTextMax) Push(m_texts, kMaxTexts, std::string(buf, static_cast<std::size_t>(n)));
    port::YieldSlice();
  }
}

void DeviceSearcher::ReceiveReplies(JSocket& socket, std::deque<Reply>& queue) {
  std::uint8_t buf[kReceiveBufferSize];
  while (m_running) {
    int n = socket.Receive(buf, kReceiveBufferSize, kReceiveWaitMs);
    if (n == kDiscoveryReplyLength) {
      Reply r;
      std::memcpy(r.data(), buf, r.size());
      Push(queue, kMaxReplies, r);
    } else if (n == kIpSetReplyLength) {
      Ack a;
      std::memcpy(a.data(), buf, a.size());
      Push(m_acks, kMaxAcks, a);
    }
    port::YieldSlice();
  }
}

void DeviceSearcher::ReceiveShortReplies(JSocket& socket) {
  std::uint8_t buf[kReceiveBufferSize];
  while (m_running) {
    int n = socket.Receive(buf, kReceiveBufferSize, kReceiveWaitMs);
    if (n == kDiscoveryReplyShortLength) {
      std::lock_guard<std::mutex> l(m_lock);
      ++m_shortSeen;
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
  // The owner's requests on this thread end at a stop, and at a new search for the pass
  // that was running when it began.
  port::StopScope stopped(&m_stopped);
  port::StopScope abandoned(&m_abandon);
  // One pass hands over at most one entry of each queue, then pauses.
  while (m_running) {
    m_abandon = false;
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
