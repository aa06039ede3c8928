// The firmware check behind the firmware check centre: the maker's two lists fetched, every
// chosen device asked for its firmware (and, on the R7 platform, its ISP firmware) version,
// and each outdated device filed in one of eighteen result lists (app/firmware_centre/firmware_lists.h).
//
// Threads: one fetches the two lists; one per device waits for it, then asks its device;
// one waits for every device's thread and then closes the wait box. Every thread can be
// stopped (a request in flight is given up at once) and is waited for by the check's owner.
#pragma once
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/batch/batch_operation.h"
#include "app/batch/device_requests.h"
#include "app/firmware_centre/firmware_lists.h"
#include "device/login.h"
#include "port/sync.h"
#include "port/thread.h"

// Fetches a firmware list from a download site. The program uses the system's HTTP library
// on Windows (proxy, redirects, HTTPS: app/firmware_centre/firmware_list_fetch_win.h).
class FirmwareListFetcher {
 public:
  // The largest list taken: a longer one is not cut short but refused.
  static constexpr std::size_t kMaxListBytes = 1024 * 1024;

  virtual ~FirmwareListFetcher() = default;
  // The whole body of `url` in *body. False when no list was had: no answer, an answer
  // other than 200, a body longer than kMaxListBytes, or a fetch that was cancelled.
  virtual bool Fetch(const std::wstring& url, int timeoutMs, std::string* body) = 0;
  // Any thread: a fetch in flight ends at once (failing), and so does every later one.
  virtual void Cancel() = 0;
};

class FirmwareCheck {
 public:
  static constexpr int kListTimeoutMs = 30000;
  static constexpr int kDeviceTimeoutMs = 30000;
  static constexpr int kReplySize = 2048;

  FirmwareCheck(const fwlist::Sites& sites, const Login& login, FirmwareListFetcher& fetcher,
                DeviceRequests& io);
  // Stops and waits for every thread.
  ~FirmwareCheck();
  FirmwareCheck(const FirmwareCheck&) = delete;
  FirmwareCheck& operator=(const FirmwareCheck&) = delete;

  // Starts the list thread, one thread per device address, and the thread that closes the
  // gate once every device's thread has ended (at once when there are none). Once only.
  void Start(const std::vector<std::wstring>& addresses, std::shared_ptr<WaitBoxGate> gate);
  // Any thread: every thread ends as soon as it can; a fetch or request in flight fails.
  void Stop();
  // Waits for every thread (the list thread included).
  void Join();

  // How each device's thread is started (a port::Thread running the function, by default);
  // tests start them their own way to order them. Before Start.
  using ThreadStarter = std::function<port::Thread(std::function<void()>)>;
  void SetDeviceThreadStarter(ThreadStarter starter) { m_StartDeviceThread = std::move(starter); }

  // Both lists were fetched (and are not empty).
  bool ListsFetched() const;
  // The addresses filed in a result list, in the order in which they were filed.
  std::vector<std::wstring> Results(int index) const;
  // The release-notes links of a result list's group: the firmware's, and the ISP
  // firmware's (empty for a group without an ISP code, or when the list has no such value).
  std::wstring FwLogUrl(int index) const;
  std::wstring IspLogUrl(int index) const;

  // ---- the steps, each usable on its own -------------------------------------------
  // Fetches both lists (the second only when the first came).
  void FetchLists();
  void SetLists(const std::string& first, const std::string& second);
  // Asks one device and files it. A device that gives no answer, a refusal or an empty
  // answer to its information request is filed nowhere.
  void QueryDevice(const std::wstring& address);
  // Files a device whose information reply is `reply` when its platform's version is outdated.
  // Returns 0 when done, or for an R7-platform device 1 (its firmware is outdated) or 16 (it
  // is not), which CheckDeviceIsp then needs with the device's ISP version. *lv tells
  // whether its firmware text holds "-LV".
  int CheckDeviceFirmware(const std::wstring& address, const std::string& reply, bool* lv);
  void CheckDeviceIsp(const std::wstring& address, const std::string& logReply, bool lv, int r);

 private:
  const std::string& ListFor(bool lv) const { return lv ? m_First : m_Second; }
  bool Newer(const std::string& deviceText, const char* key, bool lv) const;
  void File(int index, const std::wstring& address);
  // One information request ("SYSTEM_INFO", "SYSTEM_LOG") with the login in its query: the
  // request's result (bytes, or below 0 for no answer or a refusal) and the reply.
  int Ask(const std::wstring& address, const wchar_t* what, std::string* reply);

  fwlist::Sites m_Sites;
  Login m_Login;
  FirmwareListFetcher& m_Fetcher;
  DeviceRequests& m_Io;
  // Written by the list thread before it ends; read by the device threads after it ended.
  std::string m_First, m_Second;
  port::Event m_ListsDone;
  mutable std::mutex m_Lock;  // the result lists
  std::vector<std::wstring> m_Results[fwlist::kResultLists];
  std::atomic<bool> m_Stop{false};
  bool m_Started = false;
  ThreadStarter m_StartDeviceThread;
  port::Thread m_ListThread;
  std::vector<port::Thread> m_DeviceThreads;
  port::Thread m_Waiter;
};
