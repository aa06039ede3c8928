#include "port/adapters.h"

#ifdef _WIN32
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#else
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#endif

#include <string>
#include <vector>

#include "port/net.h"

namespace port {

#ifdef _WIN32

std::vector<AdapterAddress> ListAdapterAddresses() {
  std::vector<AdapterAddress> out;
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return out;
  std::vector<unsigned char> mem(size);
  PIP_ADAPTER_INFO list = reinterpret_cast<PIP_ADAPTER_INFO>(mem.data());
  if (GetAdaptersInfo(list, &size) != NO_ERROR) return out;
  for (PIP_ADAPTER_INFO a = list; a; a = a->Next) {
    for (PIP_ADDR_STRING s = &a->IpAddressList; s; s = s->Next) {
      // Windows marks the empty entry of an adapter without an address with context 0;
      // Wine gives every entry context 0, so an entry only ends the list when it also
      // carries no address.
      const std::string ip = s->IpAddress.String;
      if (s->Context == 0 && (ip.empty() || ip == "0.0.0.0")) break;
      out.push_back(AdapterAddress{s->IpAddress.String, s->IpMask.String});
    }
  }
  return out;
}

#else

std::vector<AdapterAddress> ListAdapterAddresses() {
  std::vector<AdapterAddress> out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (ifaddrs* p = list; p; p = p->ifa_next) {
    if (!p->ifa_addr || p->ifa_addr->sa_family != AF_INET || (p->ifa_flags & IFF_LOOPBACK)) continue;
    const sockaddr_in* a = reinterpret_cast<const sockaddr_in*>(p->ifa_addr);
    const sockaddr_in* m = reinterpret_cast<const sockaddr_in*>(p->ifa_netmask);
    out.push_back(AdapterAddress{FormatIPv4(ntohl(a->sin_addr.s_addr)),
                                 m ? FormatIPv4(ntohl(m->sin_addr.s_addr)) : std::string("0.0.0.0")});
  }
  freeifaddrs(list);
  return out;
}

#endif

}  // namespace port
