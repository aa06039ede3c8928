// The main window's side of the IP-set operation: the discovery the DHCP watch uses (the
// grid's seen MACs and the discovery engine) and what the dialog needs of the window.
#pragma once
#include <memory>
#include <mutex>

#include "dialogs/ip_set/ip_set_win.h"

class Dlg_Main;

class MainIpSetDiscovery : public IpSetDiscovery {
 public:
  explicit MainIpSetDiscovery(Dlg_Main& main) : m_Main(main) {}
  void TrackAcks(std::shared_ptr<IpSetAcks> acks) override;
  std::vector<std::wstring> SeenMacs() override;
  void ClearSeenMacs() override;
  std::uint32_t UserSearches() override;
  // Done on the window's thread, where the user's searches run: none of them is cut.
  bool SearchAgain(const std::string& localAddress, std::uint32_t userSearches) override;

  // An acknowledgement matched to checked row `index` (the window's thread).
  void Acknowledged(std::size_t index, bool success);

 private:
  Dlg_Main& m_Main;
  std::mutex m_Lock;
  std::shared_ptr<IpSetAcks> m_Acks;
};

IpSetHost MainIpSetHost(Dlg_Main& main, IpSetDiscovery& discovery, BatchReport& report);
