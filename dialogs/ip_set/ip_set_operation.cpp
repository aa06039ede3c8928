#include "dialogs/ip_set/ip_set_operation.h"

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

void IpSetAcks::Record(std::size_t i, bool success) {
  std::lock_guard<std::mutex> l(m_lock);
  if (i >= m_entries.size()) return;
  (success ? m_entries[i].accepted : m_entries[i].refused) = true;
}

void IpSetAcks::Settle() {
  std::lock_guard<std::mutex> l(m_lock);
  m_settled = true;
}

bool IpSetAcks::Refused(std::size_t i) const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_settled && i < m_entries.size() && m_entries[i].refused && !m_entries[i].accepted;
}

int VerifyNewAddress(const BatchContext& c, RowHandle row, const std::wstring& mac, const std::wstring& newAddress,
                     bool dynamic, const std::shared_ptr<AddressFound>& found, std::size_t index,
                     const std::shared_ptr<const IpSetAcks>& acks) {
  c.Status(row, kIpSetChanging);
  const auto refused = [&acks, index] { return acks && acks->Refused(index); };
  // Each wait ends early for a device that refused: it keeps its address, nothing to wait for.
  bool wentOn = true;
  const auto wait = [&](const char* what, std::int64_t ms) {
    wentOn = c.WaitUnless(what, ms, refused);
    return wentOn && !refused();
  };
  int result = kIpSetFail;
  if (!dynamic) {
    if (wait("new address", kStaticFirstWaitMs)) {
      char reply[kReplySize];
      for (int look = 0; look < kStaticLooks && !newAddress.empty(); ++look) {
        if (c.GetCgi(newAddress, kSystemInfo, reply, kReplySize, kStaticLookTimeoutMs, false) > 0 &&
            AnswerIsFrom(reply, mac) && !refused()) {
          result = kIpSetOk;
          break;
        }
        if (!wait("look again", kStaticLookPauseMs)) break;
      }
    }
  } else if (wait("dhcp", kDhcpFirstWaitMs)) {
    for (int look = 0; look < kDhcpLooks; ++look) {
      if (found && found->Get(index)) {
        result = kIpSetOk;
        break;
      }
      if (!wait("seen again", kDhcpLookPauseMs)) break;
    }
  }
  if (!wentOn || c.Stopped()) return 0;
  c.Status(row, result);
  return result;
}

void WatchDhcpDevices(const BatchContext& c, IpSetDiscovery& discovery, const std::string& local,
                      const std::vector<std::wstring>& targets, const std::shared_ptr<AddressFound>& found,
                      std::uint32_t userSearches) {
  if (c.Wait("dhcp watch", kWatchFirstWaitMs)) {
    for (int pass = 0; pass < kWatchPasses; ++pass) {
      discovery.SearchAgain(local, userSearches);
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
  m_acks = std::make_shared<IpSetAcks>(rows.rows.size());
  m_discovery.TrackAcks(m_acks);
  m_onAck = onAck;
  m_ackSockets = m_sender.Send(local, packets, m_newPlatform);
  return 0;
}

void IpSetOperation::Start(BatchRun& run) {
  const std::vector<BatchRow>& rows = run.Selection().rows;
  auto found = std::make_shared<AddressFound>(rows.size());
  std::shared_ptr<IpSetAcks> acks = m_acks ? m_acks : std::make_shared<IpSetAcks>(rows.size());
  // The acknowledgements that reached the send's sockets are read beside the workers, and
  // the refusals among them count from then on.
  std::shared_ptr<IpSetAckSockets> sockets = std::move(m_ackSockets);
  const auto onAck = m_onAck;
  if (!sockets || !run.StartWorker([sockets, onAck, acks](const BatchContext&) {
        sockets->Drain(onAck);
        acks->Settle();
      }))
    acks->Settle();
  if (m_dynamic) {
    IpSetDiscovery* discovery = &m_discovery;
    const std::string local = m_localAddress;
    const std::vector<std::wstring> targets = m_targetMacs;
    const std::uint32_t userSearches = discovery->UserSearches();
    run.StartBackground(kWatchName, [discovery, local, targets, found, userSearches](const BatchContext& c) {
      WatchDhcpDevices(c, *discovery, local, targets, found, userSearches);
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
    if (!run.StartWorker([row, mac, address, dynamic, found, i, acks](const BatchContext& c) {
          VerifyNewAddress(c, row, mac, address, dynamic, found, i, acks);
        }))
      run.Context().Status(row, kIpSetFail);
  }
}
