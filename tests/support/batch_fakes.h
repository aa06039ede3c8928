// Stand-ins for the batch engine's window side, for tests of the engine and of operations:
// a UI that records what it was asked and plays the boxes, and a report target that records
// every status. Header-only; used by the portable tests of both trees.
#pragma once
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/batch/batch_context.h"
#include "app/batch/batch_operation.h"
#include "app/batch/device_requests.h"
#include "device/firmware_upgrader.h"

namespace testlab {

// Records "what:detail" events in order; the wait box is "shown" on the calling thread and
// ends when its gate closes it.
class FakeBatchUi : public BatchUi {
 public:
  BatchSelection selection;
  bool answerOk = true;           // what AskOkCancel answers
  int boxOpensAfterMs = 0;        // how long a wait box takes to appear
  std::function<void()> whileBoxShown;  // runs on the UI thread once the box is up

  BatchSelection TakeSelection() override {
    Add("rows");
    return selection;
  }
  void ShowWarning(unsigned textId) override { Add("warning:" + std::to_string(textId)); }
  bool AskOkCancel(unsigned textId, unsigned titleId) override {
    Add("ask:" + std::to_string(textId) + "/" + std::to_string(titleId));
    return answerOk;
  }
  void RunWaitBox(unsigned textId, const std::shared_ptr<WaitBoxGate>& gate) override {
    Add("box:" + std::to_string(textId));
    if (boxOpensAfterMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(boxOpensAfterMs));
    std::mutex m;
    std::condition_variable cv;
    bool closed = false;
    gate->Opened([&] {
      std::lock_guard<std::mutex> l(m);
      closed = true;
      cv.notify_all();
    });
    if (whileBoxShown) whileBoxShown();
    {
      std::unique_lock<std::mutex> l(m);
      cv.wait(l, [&] { return closed; });
    }
    gate->Gone();
    Add("box closed");
  }
  void Pump() override { ++pumps; }

  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> l(m_lock);
    return m_events;
  }
  void Add(const std::string& e) {
    std::lock_guard<std::mutex> l(m_lock);
    m_events.push_back(e);
  }
  std::atomic<int> pumps{0};

 private:
  std::mutex m_lock;
  std::vector<std::string> m_events;
};

// Every status a batch reports, by row and in order.
class RecordingReport : public BatchReport {
 public:
  void Status(RowHandle row, int id) override {
    std::lock_guard<std::mutex> l(m_lock);
    m_statuses[row].push_back(id);
  }
  void Found(const DeviceRecord& record, unsigned long lParam) override {
    std::lock_guard<std::mutex> l(m_lock);
    m_found.emplace_back(record, lParam);
  }
  std::vector<int> Of(RowHandle row) {
    std::lock_guard<std::mutex> l(m_lock);
    return m_statuses[row];
  }
  int Last(RowHandle row) {
    std::vector<int> s = Of(row);
    return s.empty() ? 0 : s.back();
  }
  std::vector<std::pair<DeviceRecord, unsigned long>> Found() {
    std::lock_guard<std::mutex> l(m_lock);
    return m_found;
  }

 private:
  std::mutex m_lock;
  std::map<RowHandle, std::vector<int>> m_statuses;
  std::vector<std::pair<DeviceRecord, unsigned long>> m_found;
};

// A clock that runs `factor` times faster than the real one and records every wait.
class RecordingClock : public ScaledClock {
 public:
  explicit RecordingClock(double factor) : ScaledClock(factor) {}
  void OnWait(const char* what, std::int64_t ms) override {
    std::lock_guard<std::mutex> l(m_lock);
    m_waits.push_back(std::string(what) + "=" + std::to_string(ms));
  }
  std::vector<std::string> Waits() {
    std::lock_guard<std::mutex> l(m_lock);
    return m_waits;
  }
  int Count(const std::string& w) {
    int n = 0;
    for (const std::string& x : Waits()) n += x == w;
    return n;
  }

 private:
  std::mutex m_lock;
  std::vector<std::string> m_waits;
};

// Devices behind DeviceRequests without a network: every CGI request is recorded as
// "host path" and answered by the first rule whose host and path prefix match (an empty host
// matches every device) and that has answers left, else with "OK" (2 bytes).
class ScriptedDevices : public DeviceRequests {
 public:
  struct Rule {
    std::wstring host;
    std::wstring pathPrefix;
    int result;             // what GetCgi returns: a length, or -1, -2, -3
    std::string body = "";  // the reply stored for a positive result
    int times = -1;         // how many requests the rule answers (-1: all)
  };
  std::vector<Rule> rules;

  int GetCgi(const std::wstring& host, const std::wstring& path, char* reply, int replySize, int, bool,
             bool) override {
    int result = 2;
    std::string body = "OK";
    {
      std::lock_guard<std::mutex> l(m_lock);
      m_requests.push_back(host + L" " + path);
      m_used.resize(rules.size());
      for (std::size_t i = 0; i < rules.size(); ++i) {
        const Rule& r = rules[i];
        if ((r.host.empty() || r.host == host) && path.compare(0, r.pathPrefix.size(), r.pathPrefix) == 0 &&
            (r.times < 0 || m_used[i] < r.times)) {
          ++m_used[i];
          result = r.result;
          body = r.body;
          break;
        }
      }
    }
    if (reply && replySize > 0) {
      const std::size_t n = result > 0 ? std::min<std::size_t>(body.size(), static_cast<std::size_t>(replySize) - 1) : 0;
      body.copy(reply, n);
      reply[n] = '\0';
    }
    return result;
  }
  unsigned GetDeviceInfo(int, const std::wstring&, DeviceRecord&) override { return 0; }

  // Every request so far ("host path"), or those of one device (paths only), in order.
  std::vector<std::wstring> Requests() {
    std::lock_guard<std::mutex> l(m_lock);
    return m_requests;
  }
  std::vector<std::wstring> RequestsOf(const std::wstring& host) {
    std::vector<std::wstring> out;
    for (const std::wstring& r : Requests())
      if (r.compare(0, host.size() + 1, host + L" ") == 0) out.push_back(r.substr(host.size() + 1));
    return out;
  }

 private:
  std::mutex m_lock;
  std::vector<std::wstring> m_requests;
  std::vector<int> m_used;  // answers given by each rule
};

// An upgrade engine's devices that never answer, and a search that finds nothing.
class SilentUpgradeIo : public UpgradeIo {
 public:
  int GetCgi(const std::wstring&, const std::wstring&, char* reply, int, int) override {
    reply[0] = 0;
    return -1;
  }
  int GetUrl(const std::wstring&, int, char* reply, int) override {
    reply[0] = 0;
    return 0;
  }
};
class NoRediscovery : public UpgradeRediscovery {
 public:
  void SearchAgain() override {}
};

// A batch's context over these devices, clock and report, with a stop of its own.
inline BatchContext TestContext(DeviceRequests* io, UpgradeClock* clock, BatchReport* report) {
  BatchContext c;
  c.io = io;
  c.clock = clock;
  c.report = report;
  c.stop = std::make_shared<BatchStop>();
  return c;
}

inline BatchRow Row(RowHandle row, const std::wstring& ip, const std::wstring& mac = L"",
                    bool blocked = false, const std::wstring& firmware = L"") {
  BatchRow r;
  r.row = row;
  r.ip = ip;
  r.mac = mac;
  r.blocked = blocked;
  r.firmware = firmware;
  return r;
}

}  // namespace testlab
