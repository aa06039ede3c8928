#include "device/device_searcher.h"

#include <cstring>

#include "port/pace_log.h"
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
  // Emptying the system's ARP cache is not waited for; starting a process alone takes tens
  // of milliseconds, which the window's start-up does not wait for either.
  m_threads.emplace_back([] { port::RunHidden(L"arp.exe", L"-d"); });
  m_owner = owner;
  for (int role = 0; role < kThreadCount; ++role) m_threads.emplace_back(&DeviceSearcher::Run, this, role);
}

void DeviceSearcher::Search(const std::string& localAddress) {
  bool sendFailed = false;
  {
    std::lock_guard<std::mutex> ops(m_socketOps);
    // The earlier sockets close first: nothing they received reaches the queues after this.
    CloseAll();
    EndSearch();
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
  CloseAll();
  // What this search's answers still queue is of no use to the next one.
  EndSearch();
}

void DeviceSearcher::Stop() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> ops(m_socketOps);
    m_running = false;
    m_stopped = true;
    CloseAll();
    EndSearch();
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

void DeviceSearcher::EndSearch() {
  // The acknowledgements stay: an address change may be confirmed across a new search.
  std::lock_guard<std::mutex> l(m_lock);
  m_texts.clear();
  m_replies6005.clear();
  m_replies6055.clear();
  m_shortSeen = 0;
  m_abandon = true;
}

template <typename Queue, typename Item>
bool DeviceSearcher::Take(Queue& queue, Item& out) {
  std::lock_guard<std::mutex> l(m_lock);
  // Once stopped, no handler starts any more.
  if (!m_running || queue.empty()) return false;
  out = std::move(queue.front());
  queue.pop_front();
  // Taken after the last EndSearch: the entry belongs to the search running.
  m_abandon = false;
  return true;
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

// Each receiver queues what it received while its socket is still held (JSocket::Receive's
// `take`), so that the close of a search leaves none of its answers to be queued after it.
void DeviceSearcher::ReceiveText() {
  char buf[kReceiveBufferSize];
  const auto take = [&](int n) {
    // A datagram longer than the longest text is not a recorder's answer: not even cut short.
    if (n <= kRecorderTextMax) Push(m_texts, kMaxTexts, std::string(buf, static_cast<std::size_t>(n)));
  };
  while (m_running) {
    m_sockets[0].Receive(buf, kReceiveBufferSize, kReceiveWaitMs, take);
    port::YieldSlice();
  }
}

void DeviceSearcher::ReceiveReplies(JSocket& socket, std::deque<Reply>& queue) {
  std::uint8_t buf[kReceiveBufferSize];
  const auto take = [&](int n) {
    if (n == kDiscoveryReplyLength) {
      Reply r;
      std::memcpy(r.data(), buf, r.size());
      Push(queue, kMaxReplies, r);
    } else if (n == kIpSetReplyLength) {
      Ack a;
      std::memcpy(a.data(), buf, a.size());
      Push(m_acks, kMaxAcks, a);
    }
  };
  while (m_running) {
    socket.Receive(buf, kReceiveBufferSize, kReceiveWaitMs, take);
    port::YieldSlice();
  }
}

void DeviceSearcher::ReceiveShortReplies(JSocket& socket) {
  std::uint8_t buf[kReceiveBufferSize];
  const auto take = [&](int n) {
    if (n != kDiscoveryReplyShortLength) return;
    std::lock_guard<std::mutex> l(m_lock);
    ++m_shortSeen;
  };
  while (m_running) {
    socket.Receive(buf, kReceiveBufferSize, kReceiveWaitMs, take);
    port::YieldSlice();
  }
}

void DeviceSearcher::Dispatch() {
  Reply buf6005{}, buf6055{};
  Ack ack{};
  std::string text;
  // The owner's requests on this thread end at a stop, and when the search whose answer
  // they are for ends.
  port::StopScope stopped(&m_stopped);
  port::StopScope abandoned(&m_abandon);
  // One pass hands over at most one entry of each queue, then pauses.
  while (m_running) {
    const std::int64_t start = port::pace::On() ? port::pace::NowUs() : 0;
    bool handed = false;
    auto hand = [&](const auto& call) {
      handed = true;
      Guarded(call);
    };
    if (Take(m_replies6005, buf6005) && m_owner) hand([&] { m_owner->ParseDiscoveryReply(buf6005.data()); });
    if (Take(m_replies6055, buf6055) && m_owner) hand([&] { m_owner->ParseDiscoveryReply(buf6055.data()); });
    if (Take(m_texts, text) && m_owner) hand([&] { m_owner->AddDiscoveredDevice(text.c_str()); });
    if (Take(m_acks, ack) && m_owner) hand([&] { m_owner->OnIpSetReply(ack.data()); });
    if (handed && start) port::pace::Note(port::pace::kDispatchPass, start);
    if (!handed && start) port::pace::Flush();
    port::SleepMs(kDispatchPauseMs);
  }
}

DeviceSearcher* g_pDeviceSearcher = nullptr;
