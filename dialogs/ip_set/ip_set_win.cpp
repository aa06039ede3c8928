#include "dialogs/ip_set/ip_set_win.h"

#include "device/login.h"
#include "dialogs/ip_set/dlg_ipset_win.h"
#include "port/text.h"

IpSetOperationWin::IpSetOperationWin(const IpSetHost& host)
    : IpSetOperation(*host.discovery, UdpIpSetSender()), m_Host(host) {}

bool IpSetOperationWin::RunDialog(BatchUi&, const BatchSelection& rows) {
  Dlg_IPSet dialog(m_Host.owner, [&](const IpSetInput& input, const std::string& netmask, const std::string& gateway) {
    const Login login = UserLogin();
    return Apply(input, netmask, gateway, rows, m_Host.usedAddresses ? m_Host.usedAddresses() : std::vector<std::uint32_t>(),
                 m_Host.localAddress ? m_Host.localAddress() : std::string(), port::ToLocal8(login.user),
                 port::ToLocal8(login.password), m_Host.report, m_Host.onAck);
  });
  return dialog.DoModal() == IDOK;
}
