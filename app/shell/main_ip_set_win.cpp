#include "app/shell/main_ip_set_win.h"

#include "app/shell/dlg_main_win.h"
#include "device/device_searcher.h"
#include "kit/jgridtree.h"
#include "kit/jtreectrl.h"
#include "port/net.h"
#include "port/text.h"

void MainIpSetDiscovery::TrackAcks(std::shared_ptr<IpSetAcks> acks) {
  std::lock_guard<std::mutex> l(m_Lock);
  m_Acks = std::move(acks);
}

void MainIpSetDiscovery::Acknowledged(std::size_t index, bool success) {
  std::shared_ptr<IpSetAcks> acks;
  {
    std::lock_guard<std::mutex> l(m_Lock);
    acks = m_Acks;
  }
  if (acks) acks->Record(index, success);
}

std::vector<std::wstring> MainIpSetDiscovery::SeenMacs() { return m_Main.List().SeenMacs(); }

void MainIpSetDiscovery::ClearSeenMacs() { m_Main.List().ClearSeenMacs(); }

std::uint32_t MainIpSetDiscovery::UserSearches() { return m_Main.List().CurrentSearch(); }

bool MainIpSetDiscovery::SearchAgain(const std::string& localAddress, std::uint32_t userSearches) {
  return m_Main.WatchSearch(localAddress, userSearches);
}

IpSetHost MainIpSetHost(Dlg_Main& main, IpSetDiscovery& discovery, BatchReport& report) {
  IpSetHost host;
  host.owner = &main;
  host.localAddress = [&main] { return port::ToLocal8(main.GetLocalIpString()); };
  host.usedAddresses = [] {
    std::vector<std::uint32_t> used;
    JTreeCtrl* tree = g_pDeviceGrid ? g_pDeviceGrid->GetTree() : nullptr;
    if (!tree) return used;
    for (RowHandle row : tree->GetAllRows()) {
      std::uint32_t a = 0;
      if (port::ParseIPv4(port::ToLocal8(tree->GetCell(row, 0).value_or(std::wstring())), &a)) used.push_back(a);
    }
    return used;
  };
  host.onAck = [&main](const std::uint8_t* ack) { main.OnIpSetReply(ack); };
  host.report = &report;
  host.discovery = &discovery;
  return host;
}
