// The firmware lists fetched through the system's HTTP library, built for Windows and run under
// Wine against the simulated download sites of scripts/wine-netns-test: 10.231.1.30 serves a
// list longer than 1023 bytes, 10.231.1.31 redirects "/old/..." there, 10.231.1.32 serves a list
// too long to take, 10.231.1.33 never answers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/firmware_centre/firmware_list_fetch_win.h"
#include "app/firmware_centre/firmware_lists.h"

namespace {

class ListsUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DORVIK_LOCAL_IP")) GTEST_SKIP() << "run by scripts/wine-netns-test";
  }
};

TEST_F(ListsUnderWine, WholeListsDirectlyAndThroughARedirect) {
  for (const wchar_t* url : {L"http://10.231.1.30/nocache/id=5927",
                             L"http://10.231.1.30/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=150",
                             L"http://10.231.1.31/old/nocache/id=5927"}) {
    WinInetListFetcher fetcher;
    std::string body;
    ASSERT_TRUE(fetcher.Fetch(url, 5000, &body)) << body;
    EXPECT_GT(body.size(), 1023u);
    EXPECT_EQ(fwlist::ListValue(body, "R7_FW_VER="), "V6.09.05");
    EXPECT_EQ(fwlist::ListValue(body, "END_OF_LIST="), "1");  // read to its end
  }
  // The addresses the check makes from a site's base.
  WinInetListFetcher fetcher;
  std::string body;
  EXPECT_TRUE(fetcher.Fetch(fwlist::SecondListUrl(L"http://10.231.1.31/old"), 5000, &body));
}

TEST_F(ListsUnderWine, NoListIsTakenInPartOrFromElsewhere) {
  const wchar_t* bad[] = {
      L"http://10.231.1.30/elsewhere/id=5927",     // 404
      L"http://10.231.1.32/nocache/id=5927",       // longer than any list is
      L"http://10.231.1.30:81/nocache/id=5927",    // nothing listens there
      L"ftp://10.231.1.30/nocache/id=5927",        // not http
      L"file:///c:/windows/win.ini",
  };
  for (const wchar_t* url : bad) {
    WinInetListFetcher fetcher;
    std::string body = "left over";
    EXPECT_FALSE(fetcher.Fetch(url, 5000, &body)) << url;
    EXPECT_TRUE(body.empty());
  }
}

// A site that never answers: a cancel from another thread ends the fetch at once.
TEST_F(ListsUnderWine, CancelEndsAFetchInFlight) {
  WinInetListFetcher fetcher;
  bool result = true;
  const auto t0 = std::chrono::steady_clock::now();
  std::thread t([&] {
    std::string body;
    result = fetcher.Fetch(L"http://10.231.1.33/nocache/id=5927", 30000, &body);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  fetcher.Cancel();
  t.join();
  const auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_FALSE(result);
  EXPECT_LT(took, std::chrono::seconds(5)) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
  std::string body;
  EXPECT_FALSE(fetcher.Fetch(L"http://10.231.1.30/nocache/id=5927", 5000, &body));  // cancelled for good
}

}  // namespace
