// The IP-set operation with its dialog: what the operation needs of the main window, and the
// dialog shown as the operation's dialog step.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/ip_set/ip_set_operation.h"

class CWnd;

// What the IP-set dialog and its batch need of the main window.
struct IpSetHost {
  CWnd* owner = nullptr;                                   // the dialog's owner
  std::function<std::string()> localAddress;               // the chosen adapter's address
  std::function<std::vector<std::uint32_t>()> usedAddresses;  // the address of every grid row
  std::function<void(const std::uint8_t* ack)> onAck;     // an acknowledgement for the rows
  BatchReport* report = nullptr;                            // 539 on the checked rows
  IpSetDiscovery* discovery = nullptr;                      // the DHCP watch's discovery
};

class IpSetOperationWin : public IpSetOperation {
 public:
  explicit IpSetOperationWin(const IpSetHost& host);
  bool RunDialog(BatchUi& ui, const BatchSelection& rows) override;

 private:
  IpSetHost m_Host;
};
