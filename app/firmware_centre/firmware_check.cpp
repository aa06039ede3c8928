#include "app/firmware_centre/firmware_check.h"

#include <utility>

#include "device/http_url.h"
#include "port/stop_scope.h"
#include "port/text.h"

namespace {

// A login text as a query value: the local code page's bytes, with what cannot stand in a
// query escaped.
std::wstring QueryText(const std::wstring& s) { return port::FromLocal8(http::PercentEncode(port::ToLocal8(s))); }

}  // namespace

FirmwareCheck::FirmwareCheck(const fwlist::Sites& sites, const Login& login, FirmwareListFetcher& fetcher,
                             DeviceRequests& io)
    : m_Sites(sites), m_Login(login), m_Fetcher(fetcher), m_Io(io) {}

FirmwareCheck::~FirmwareCheck() {
  Stop();
  Join();
}

void FirmwareCheck::Start(const std::vector<std::wstring>& addresses, std::shared_ptr<WaitBoxGate> gate) {
  if (m_Started) return;
  m_Started = true;
  m_ListThread = port::Thread([this] {
    port::StopScope scope(&m_Stop);
    FetchLists();
    m_ListsDone.Set();
  });
  if (!m_ListThread.Joinable()) m_ListsDone.Set();

  // Every device's thread counts from the start: one that ends before the next has started
  // must not find the count at 0.
  auto live = std::make_shared<std::atomic<int>>(static_cast<int>(addresses.size()));
  auto allEnded = std::make_shared<port::Event>();
  for (const std::wstring& address : addresses) {
    std::function<void()> run = [this, address, live, allEnded] {
      {
        port::StopScope scope(&m_Stop);
        m_ListsDone.Wait();
        // Without both lists the check has failed: no device need be asked.
        if (!m_Stop && ListsFetched()) QueryDevice(address);
      }
      if (--*live == 0) allEnded->Set();
    };
    port::Thread t = m_StartDeviceThread ? m_StartDeviceThread(std::move(run)) : port::Thread(std::move(run));
    if (t.Joinable()) {
      m_DeviceThreads.push_back(std::move(t));
    } else if (--*live == 0) {
      allEnded->Set();
    }
  }
  if (*live == 0) allEnded->Set();
  m_Waiter = port::Thread([allEnded, gate] {
    allEnded->Wait();
    if (gate) gate->Close();
  });
  if (!m_Waiter.Joinable()) {
    // Nothing would close the box: the check ends here.
    Stop();
    Join();
    if (gate) gate->Close();
  }
}

void FirmwareCheck::Stop() {
  m_Stop = true;
  m_Fetcher.Cancel();
}

void FirmwareCheck::Join() {
  m_ListThread.Join();
  for (port::Thread& t : m_DeviceThreads) t.Join();
  m_Waiter.Join();
}

bool FirmwareCheck::ListsFetched() const { return m_ListsDone.IsSet() && !m_First.empty() && !m_Second.empty(); }

void FirmwareCheck::FetchLists() {
  std::string first, second;
  if (m_Sites.Complete() && !m_Stop && m_Fetcher.Fetch(fwlist::FirstListUrl(m_Sites.first), kListTimeoutMs, &first) &&
      !m_Stop)
    m_Fetcher.Fetch(fwlist::SecondListUrl(m_Sites.second), kListTimeoutMs, &second);
  SetLists(first, second);
}

void FirmwareCheck::SetLists(const std::string& first, const std::string& second) {
  m_First = first;
  m_Second = second;
  m_ListsDone.Set();
}

int FirmwareCheck::Ask(const std::wstring& address, const wchar_t* what, std::string* reply) {
  const std::wstring path = L"/cgi-bin/system?USER=" + QueryText(m_Login.user) + L"&PWD=" +
                            QueryText(m_Login.password) + L"&" + what;
  std::vector<char> buf(kReplySize, '\0');
  // The device's own HTTP port, as every request to it uses.
  const int n = m_Io.GetCgi(address, path, buf.data(), kReplySize, kDeviceTimeoutMs, false, false);
  if (n > 0) reply->assign(buf.data(), static_cast<std::size_t>(n));
  return n;
}

void FirmwareCheck::QueryDevice(const std::wstring& address) {
  std::string info, log;
  // No answer, a refusal, or an empty answer: the device is filed nowhere.
  if (Ask(address, L"SYSTEM_INFO", &info) <= 0 || m_Stop) return;
  bool lv = false;
  const int r = CheckDeviceFirmware(address, info, &lv);
  // An R7-platform device whose log cannot be had is filed nowhere either.
  if (r == 0 || Ask(address, L"SYSTEM_LOG", &log) < 0 || m_Stop) return;
  CheckDeviceIsp(address, log, lv, r);
}

bool FirmwareCheck::Newer(const std::string& deviceText, const char* key, bool lv) const {
  return fwlist::IsNewer(fwlist::ListValue(ListFor(lv), key), deviceText);
}

void FirmwareCheck::File(int index, const std::wstring& address) {
  std::lock_guard<std::mutex> l(m_Lock);
  m_Results[index].push_back(address);
}

int FirmwareCheck::CheckDeviceFirmware(const std::wstring& address, const std::string& reply, bool* lv) {
  const std::string version = fwlist::ReplyValue(reply, "Firmware Version = ");
  *lv = version.find("-LV") != std::string::npos;
  const fwlist::Group group = fwlist::PlatformGroup(version);
  const int index = fwlist::ResultIndex(group, *lv);
  if (group != fwlist::kR7) {
    if (Newer(version, fwlist::KeysOf(index).version, *lv)) File(index, address);
    return 0;
  }
  return Newer(version, fwlist::KeysOf(index).version, *lv) ? 1 : 16;
}

void FirmwareCheck::CheckDeviceIsp(const std::wstring& address, const std::string& logReply, bool lv, int r) {
  const std::string isp = fwlist::ReplyValue(logReply, "ISP Firmware Version ");
  const fwlist::Group group = fwlist::IspGroup(isp);
  const int index = fwlist::ResultIndex(group, lv);
  if (group == fwlist::kR7) {
    if (r == 1) File(index, address);
    return;
  }
  if (r == 1 || Newer(isp, fwlist::KeysOf(index).version, lv)) File(index, address);
}

std::vector<std::wstring> FirmwareCheck::Results(int index) const {
  if (index < 0 || index >= fwlist::kResultLists) return {};
  std::lock_guard<std::mutex> l(m_Lock);
  return m_Results[index];
}

std::wstring FirmwareCheck::FwLogUrl(int index) const {
  const std::string value = fwlist::ListValue(fwlist::UsesFirstList(index) ? m_First : m_Second,
                                              fwlist::KeysOf(index).fwLog);
  return fwlist::UsesFirstList(index) ? fwlist::FirstLogUrl(m_Sites.first, value)
                                      : fwlist::SecondLogUrl(m_Sites.second, value);
}

std::wstring FirmwareCheck::IspLogUrl(int index) const {
  const char* key = fwlist::KeysOf(index).ispLog;
  if (!*key) return std::wstring();
  const std::string value = fwlist::ListValue(fwlist::UsesFirstList(index) ? m_First : m_Second, key);
  if (value.empty()) return std::wstring();
  return fwlist::UsesFirstList(index) ? fwlist::FirstLogUrl(m_Sites.first, value)
                                      : fwlist::SecondLogUrl(m_Sites.second, value);
}
