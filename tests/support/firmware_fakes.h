// Stand-ins for the firmware check's lists and devices: answers by device address and by
// request, and lists by address. Header-only; used by the portable and the Windows tests.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/batch/device_requests.h"
#include "app/firmware_centre/firmware_check.h"

namespace testlab {

// Devices by address: the body of each of their answers, or a failure.
class FakeDevices : public DeviceRequests {
 public:
  struct Answer {
    int result;  // below 0: that failure; otherwise the body's length
    std::string body;
  };
  void Set(const std::wstring& ip, const std::string& what, int result, const std::string& body = "") {
    std::lock_guard<std::mutex> l(m_lock);
    m_answers[ip + L"|" + std::wstring(what.begin(), what.end())] = Answer{result, body};
  }
  void Reply(const std::wstring& ip, const std::string& what, const std::string& body) {
    Set(ip, what, static_cast<int>(body.size()), body);
  }
  int GetCgi(const std::wstring& host, const std::wstring& path, char* reply, int replySize, int timeoutMs,
             bool useDefaultLogin, bool acceptError) override {
    std::lock_guard<std::mutex> l(m_lock);
    m_paths.push_back(host + L" " + path);
    EXPECT_EQ(timeoutMs, 30000);
    EXPECT_FALSE(useDefaultLogin);
    EXPECT_FALSE(acceptError);
    const std::wstring what = path.substr(path.rfind(L'&') + 1);
    auto it = m_answers.find(host + L"|" + what);
    reply[0] = '\0';
    if (it == m_answers.end()) return -1;
    if (it->second.result < 0) return it->second.result;
    const int n = std::min<int>(static_cast<int>(it->second.body.size()), replySize - 1);
    it->second.body.copy(reply, static_cast<std::size_t>(n));
    reply[n] = '\0';
    return n;
  }
  unsigned GetDeviceInfo(int, const std::wstring&, DeviceRecord&) override { return 0; }
  std::vector<std::wstring> Paths() {
    std::lock_guard<std::mutex> l(m_lock);
    return m_paths;
  }

 private:
  std::mutex m_lock;
  std::map<std::wstring, Answer> m_answers;
  std::vector<std::wstring> m_paths;
};

// Lists by address; a fetch of an address it lacks fails. With `hold` set, every fetch waits
// until it is cancelled.
class FakeFetcher : public FirmwareListFetcher {
 public:
  std::map<std::wstring, std::string> lists;
  bool hold = false;
  bool Fetch(const std::wstring& url, int timeoutMs, std::string* body) override {
    EXPECT_EQ(timeoutMs, 30000);
    std::unique_lock<std::mutex> l(m_lock);
    urls.push_back(url);
    if (hold) m_wake.wait(l, [&] { return m_cancelled; });
    if (m_cancelled) return false;
    auto it = lists.find(url);
    if (it == lists.end()) return false;
    *body = it->second;
    return true;
  }
  void Cancel() override {
    std::lock_guard<std::mutex> l(m_lock);
    m_cancelled = true;
    m_wake.notify_all();
  }
  std::vector<std::wstring> urls;

 private:
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_cancelled = false;
};

}  // namespace testlab
