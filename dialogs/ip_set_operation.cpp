#include "dialogs/ip_set_operation.h"

#include <algorithm>

#include "device/device_info.h"
#include "device/http_port_map.h"
#include "device/model_tests.h"
#include "port/net.h"
#include "port/text.h"

namespace {

constexpr int kProcessing = 539;
constexpr int kReplySize = 2048;
const wchar_t kSystemInfo[] = L"/cgi-bin/cmd/system?SYSTEM_INFO";
const char kWatchName[] = "ip set: DHCP watch";

std::wstring Folded(std::wstring s) {
  for (wchar_t& c : s)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return s;
}

// The device at the new address is ours unless its answer names another MAC.
bool AnswerIsFrom(const char* reply, const std::wstring& mac) {
  std::string said;
  if (mac.empty() || !FindLineValue(reply, "MAC Address = ", &said)) return true;
  while (!said.empty() && (said.back() == '\r' || said.back() == ' ')) said.pop_back();
  return Folded(port::FromLocal8(said)) == Folded(mac);
}

}  // namespace

std::size_t AddressFound::Count() const {
  std::size_t n = 0;
  for (const auto& f : m_flags) n += f.load() ? 1 : 0;
  return n;
}

int VerifyNewAddress(const BatchContext& c, RowHandle row, const std::wstring& mac, const std::wstring& newAddress,
                     bool dynamic, const std::shared_ptr<AddressFound>& found, std::size_t index) {
  c.Status(row, kIpSetChanging);
  int result = kIpSetFail;
  if (!dynamic) {
    if (!c.Wait("new address", kStaticFirstWaitMs)) return 0;
    char reply[kReplySize];
    for (int look = 0; look < kStaticLooks && !newAddress.empty(); ++look) {
      if (c.GetCgi(newAddress, kSystemInfo, reply, kReplySize, kStaticLookTimeoutMs, false) > 0 &&
          AnswerIsFrom(reply, mac)) {
        result = kIpSetOk;
        break;
      }
      if (!c.Wait("look again", kStaticLookPauseMs)) return 0;
    }
  } else {
    if (!c.Wait("dhcp", kDhcpFirstWaitMs)) return 0;
    for (int look = 0; look < kDhcpLooks; ++look) {
      if (found && found->Get(index)) {
        result = kIpSetOk;
        break;
      }
      if (!c.Wait("seen again", kDhcpLookPauseMs)) return 0;
    }
  }
  if (c.Stopped()) return 0;
  c.Status(row, result);
  return result;
}

void WatchDhcpDevices(const BatchContext& c, IpSetDiscovery& discovery, const std::string& local,
                      const std::vector<std::wstring>& targets, const std::shared_ptr<AddressFound>& found) {
  if (c.Wait("dhcp watch", kWatchFirstWaitMs)) {
    for (int pass = 0; pass < kWatchPasses; ++pass) {
      discovery.ClearSeenMacs();
      discovery.SearchAgain(local);
      if (!c.Wait("search pass", kWatchPassMs)) break;
      const std::vector<std::wstring> seen = discovery.SeenMacs();
      for (std::size_t i = 0; i < targets.size(); ++i)
        if (std::find(seen.begin(), seen.end(), targets[i]) != seen.end()) found->Set(i);
      if (found->Count() == targets.size()) break;
    }
  }
  discovery.ClearSeenMacs();
}

void IpSetOperation::Prepare(const BatchSelection& rows, const BatchContext&) {
  bool any = false;
  for (const BatchRow& r : rows.rows) any = any || HasPlatformVersionToken(r.firmware);
  m_newPlatform = any;
}

int IpSetOperation::Apply(const IpSetInput& input, const std::string& netmaskText, const std::string& gatewayText,
                          const BatchSelection& rows, const std::vector<std::uint32_t>& used,
                          const std::string& local, const std::string& user, const std::string& password,
                          BatchReport* report, const std::function<void(const std::uint8_t*)>& onAck) {
  IpSetPlan plan = PlanAddresses(input, used, rows.rows.size());
  if (plan.messageId != 0) return plan.messageId;
  IpSetCommon common;
  if (int m = MakeIpSetCommon(user, password, input.dynamic, netmaskText, gatewayText, &common)) return m;
  for (const BatchRow& r : rows.rows)
    if (int m = CheckIpSetMac(port::ToLocal8(r.mac))) return m;
  if (rows.rows.empty()) return 0;

  m_dynamic = input.dynamic;
  m_localAddress = local;
  m_targetMacs.clear();
  m_newAddresses.clear();
  std::vector<IpSetPacket> packets;
  for (std::size_t i = 0; i < rows.rows.size(); ++i) {
    const std::uint32_t a = plan.addresses[i];
    const std::string address = a ? port::FormatIPv4(a) : std::string();
    m_targetMacs.push_back(rows.rows[i].mac);
    m_newAddresses.push_back(port::FromLocal8(address));
    packets.push_back(BuildIpSetPacket(common, port::ToLocal8(rows.rows[i].mac), address));
  }
  if (report)
    for (const BatchRow& r : rows.rows) report->Status(r.row, kProcessing);
  m_sender.Send(local, packets, m_newPlatform, onAck);
  return 0;
}

void IpSetOperation::Start(BatchRun& run) {
  const std::vector<BatchRow>& rows = run.Selection().rows;
  auto found = std::make_shared<AddressFound>(rows.size());
  if (m_dynamic) {
    IpSetDiscovery* discovery = &m_discovery;
    const std::string local = m_localAddress;
    const std::vector<std::wstring> targets = m_targetMacs;
    run.StartBackground(kWatchName, [discovery, local, targets, found](const BatchContext& c) {
      WatchDhcpDevices(c, *discovery, local, targets, found);
    });
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const RowHandle row = rows[i].row;
    const std::wstring mac = i < m_targetMacs.size() ? m_targetMacs[i] : std::wstring();
    const std::wstring address = i < m_newAddresses.size() ? m_newAddresses[i] : std::wstring();
    // The device keeps its web server's port at its new address.
    if (!m_dynamic && !address.empty() && g_HttpPortMap.Get(rows[i].ip) > 0)
      g_HttpPortMap.Set(address, g_HttpPortMap.Get(rows[i].ip));
    const bool dynamic = m_dynamic;
    if (!run.StartWorker([row, mac, address, dynamic, found, i](const BatchContext& c) {
          VerifyNewAddress(c, row, mac, address, dynamic, found, i);
        }))
      run.Context().Status(row, kIpSetFail);
  }
}
