// Socket helper and discovery engine behaviour that needs no test network.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "device/device_searcher.h"
#include "device/jsocket.h"
#include "port/net.h"
#include "tests/support/recording_owner.h"

namespace {

// A listening TCP socket on a free loopback port.
struct Listener {
  Listener() {
    s = port::TcpSocket();
    EXPECT_EQ(port::BindLocal(s, "127.0.0.1", 0), 0);
    port = port::LocalPort(s);
  }
  void Listen();
  ~Listener() { port::CloseSocket(s); }
  port::socket_t s;
  std::uint16_t port = 0;
};

}  // namespace

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

void Listener::Listen() { listen(s, 4); }

TEST(JSocket, ConnectSucceedsOnlyWhenSomebodyListens) {
  Listener open;
  open.Listen();
  JSocket a;
  EXPECT_TRUE(a.OpenTcp("127.0.0.1", open.port));
  EXPECT_TRUE(a.IsOpen());

  // A port that is bound but not listening refuses the connection.
  Listener closed;
  JSocket b;
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(b.OpenTcp("127.0.0.1", closed.port));
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(6));
  EXPECT_TRUE(b.IsOpen());  // closing is the caller's task
  b.Close();
  b.Close();
  EXPECT_FALSE(b.IsOpen());
  EXPECT_FALSE(b.Connect("127.0.0.1", open.port));  // no socket any more
  EXPECT_FALSE(a.OpenTcp("not an address", open.port));
}

TEST(JSocket, ReceiveOnClosedSocketFailsWithoutSpinning) {
  JSocket s;
  char buf[16];
  auto t0 = std::chrono::steady_clock::now();
  int calls = 0;
  while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(100)) {
    EXPECT_EQ(s.Receive(buf, sizeof buf, 50), -1);
    ++calls;
  }
  EXPECT_LT(calls, 50);  // each failed try pauses instead of returning at once
}

TEST(DeviceSearcher, StopWithoutSearchEndsAllThreads) {
  testlab::RecordingOwner owner;
  DeviceSearcher s;
  s.Start(&owner);
  s.Start(&owner);  // a second start starts nothing more
  EXPECT_TRUE(s.IsRunning());
  s.Stop();
  EXPECT_FALSE(s.IsRunning());
  s.Stop();
}

TEST(DeviceSearcher, SearchFromForeignAddressIsSilent) {
  std::atomic<int> fails{0};
  JSocket::SetSendFailHandler([&] { ++fails; });
  testlab::RecordingOwner owner;
  DeviceSearcher s;
  s.Start(&owner);
  // TEST-NET-3: no adapter of this machine holds it, so every bind fails and nothing is sent.
  s.Search("203.0.113.77");
  EXPECT_EQ(s.LocalAddress(), "203.0.113.77");
  s.CloseSockets();
  s.Search("203.0.113.78");
  s.Stop();
  EXPECT_EQ(fails.load(), 0);
  EXPECT_TRUE(owner.Records().empty());
  JSocket::SetSendFailHandler(nullptr);
}

TEST(DeviceSearcher, DestructorStopsARunningEngine) {
  testlab::RecordingOwner owner;
  auto* s = new DeviceSearcher;
  s->Start(&owner);
  delete s;  // must not hang or abort on joinable threads
  SUCCEED();
}
