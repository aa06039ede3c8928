// The IP-set operation (toolbar command 1004): the dialog's preparation, its "Apply" (checks,
// address plan, datagrams) and the batch that follows: one worker per device that waits until
// the device answers at its new address (static) or is seen again by discovery (DHCP), and,
// for DHCP, one watch that has discovery search again meanwhile.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/batch/batch_operation.h"
#include "dialogs/ip_set/ip_set_plan.h"
#include "dialogs/ip_set/ip_set_sender.h"

// Status ids of the batch.
constexpr int kIpSetChanging = 1004;  // "Change Network Address": not a success id
constexpr int kIpSetOk = 511;
constexpr int kIpSetFail = 516;

// The waits, on the batch's clock.
constexpr std::int64_t kStaticFirstWaitMs = 30000;
constexpr int kStaticLooks = 10;
constexpr std::int64_t kStaticLookTimeoutMs = 30000;
constexpr std::int64_t kStaticLookPauseMs = 5000;
constexpr std::int64_t kDhcpFirstWaitMs = 90000;
constexpr int kDhcpLooks = 120;
constexpr std::int64_t kDhcpLookPauseMs = 5000;
constexpr std::int64_t kWatchFirstWaitMs = 120000;
constexpr int kWatchPasses = 10;
constexpr std::int64_t kWatchPassMs = 30000;

// What the devices' acknowledgements said, by position among the checked rows. A device that
// refuses the change (a wrong login: any result but 0) keeps its address, so its row fails at
// once. With the new platform a device gets two datagrams: a success on either one wins, so a
// refusal counts once the send's own sockets have been read (Settle), by when the answers to
// both have come.
class IpSetAcks {
 public:
  explicit IpSetAcks(std::size_t n) : m_entries(n) {}
  void Record(std::size_t i, bool success);
  void Settle();
  // The device answered, with refusals only, and the send's sockets have been read.
  bool Refused(std::size_t i) const;

 private:
  struct Entry {
    bool refused = false;
    bool accepted = false;
  };
  mutable std::mutex m_lock;
  std::vector<Entry> m_entries;
  bool m_settled = false;
};

// What the IP-set batch needs of the program: where the acknowledgements are told, and for the
// DHCP watch the MACs of the device records that reached the grid since they were last cleared
// and new searches from the local address.
class IpSetDiscovery {
 public:
  virtual ~IpSetDiscovery() = default;
  // The acknowledgements that reach the grid's rows from now on are recorded on `acks`.
  virtual void TrackAcks(std::shared_ptr<IpSetAcks> acks) = 0;
  virtual std::vector<std::wstring> SeenMacs() = 0;
  virtual void ClearSeenMacs() = 0;
  // How many searches the user has started (Refresh, another adapter, ...).
  virtual std::uint32_t UserSearches() = 0;
  // Clears the seen MACs and searches again from the local address, unless the user has
  // started a search since `userSearches` was read: the watch then leaves discovery's sockets
  // to the user's search and only reads what it brings. False when it did not search.
  virtual bool SearchAgain(const std::string& localAddress, std::uint32_t userSearches) = 0;
};

// Which devices of a DHCP batch discovery has seen again, by position among the checked rows.
// Made afresh by every IP-set command: a device seen by an earlier batch counts for nothing.
class AddressFound {
 public:
  explicit AddressFound(std::size_t n) : m_flags(n) {}
  void Set(std::size_t i) {
    if (i < m_flags.size()) m_flags[i] = true;
  }
  bool Get(std::size_t i) const { return i < m_flags.size() && m_flags[i].load(); }
  std::size_t Count() const;
  std::size_t Size() const { return m_flags.size(); }

 private:
  std::vector<std::atomic<bool>> m_flags;
};

// One device's check after the datagram, on its worker thread: 1004, then static: the 30 s wait
// and up to ten looks at the new address with the user's login; a device answering there is
// back unless the answer names another MAC than its own. DHCP: the 90 s wait, then up to 120
// looks at the watch's flag. In either mode a device that refused the change (`acks`) fails
// as soon as that is known. Reports and returns 511 or 516; 0 (nothing more reported) when
// the batch is stopped.
int VerifyNewAddress(const BatchContext& context, RowHandle row, const std::wstring& mac,
                     const std::wstring& newAddress, bool dynamic, const std::shared_ptr<AddressFound>& found,
                     std::size_t index, const std::shared_ptr<const IpSetAcks>& acks = nullptr);

// The DHCP watch: after 120 s, up to ten passes of a search and 30 s, marking each target MAC
// that discovery reported; it ends early once every target has been seen. Once the user has
// started a search (counted from `userSearches`), a pass only reads what that search brings.
void WatchDhcpDevices(const BatchContext& context, IpSetDiscovery& discovery, const std::string& localAddress,
                      const std::vector<std::wstring>& targets, const std::shared_ptr<AddressFound>& found,
                      std::uint32_t userSearches);

class IpSetOperation : public BatchOperation {
 public:
  IpSetOperation(IpSetDiscovery& discovery, IpSetSender& sender) : m_discovery(discovery), m_sender(sender) {}

  SelectionCheck Check() const override { return SelectionCheck::CheckedOnly; }
  // The preparation: whether any checked device is of the new platform (its datagram then also
  // goes to port 6055).
  bool HasPreparation() const override { return true; }
  void Prepare(const BatchSelection& rows, const BatchContext& context) override;
  void Start(BatchRun& run) override;

  // "Apply" of the dialog, on the user-interface thread: the checks and the address plan over
  // the checked rows (`used`: the address of every row of the grid), then 539 on every checked
  // row and one datagram per device from the local address. 0 when they were sent (the dialog
  // then closes with OK), else the id of the message to show (nothing was sent).
  // The login and the field texts are the 8-bit texts the datagram carries. The send's sockets
  // stay open: the batch reads them (handing each acknowledgement to `onAck`), so nothing here
  // waits for the devices.
  int Apply(const IpSetInput& input, const std::string& netmaskText, const std::string& gatewayText,
            const BatchSelection& rows, const std::vector<std::uint32_t>& used, const std::string& localAddress,
            const std::string& user, const std::string& password, BatchReport* report,
            const std::function<void(const std::uint8_t* ack)>& onAck);

  bool NewPlatform() const { return m_newPlatform; }
  bool Dynamic() const { return m_dynamic; }
  const std::vector<std::wstring>& TargetMacs() const { return m_targetMacs; }
  const std::vector<std::wstring>& NewAddresses() const { return m_newAddresses; }

 private:
  IpSetDiscovery& m_discovery;
  IpSetSender& m_sender;
  std::atomic<bool> m_newPlatform{false};
  bool m_dynamic = true;
  std::string m_localAddress;
  std::vector<std::wstring> m_targetMacs;    // in checked-row order
  std::vector<std::wstring> m_newAddresses;  // likewise
  std::shared_ptr<IpSetAcks> m_acks;
  std::shared_ptr<IpSetAckSockets> m_ackSockets;
  std::function<void(const std::uint8_t* ack)> m_onAck;
};
