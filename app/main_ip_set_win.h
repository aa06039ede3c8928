// The main window's side of the IP-set operation: the discovery the DHCP watch uses (the
// grid's seen MACs and the discovery engine) and what the dialog needs of the window.
#pragma once
#include "dialogs/ip_set_win.h"

class Dlg_Main;

class MainIpSetDiscovery : public IpSetDiscovery {
 public:
  explicit MainIpSetDiscovery(Dlg_Main& main) : m_Main(main) {}
  std::vector<std::wstring> SeenMacs() override;
  void ClearSeenMacs() override;
  void SearchAgain(const std::string& localAddress) override;

 private:
  Dlg_Main& m_Main;
};

IpSetHost MainIpSetHost(Dlg_Main& main, IpSetDiscovery& discovery, BatchReport& report);
