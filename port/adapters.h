// The machine's own IPv4 addresses, adapter by adapter.
#pragma once
#include <string>
#include <vector>

namespace port {

struct AdapterAddress {
  std::string ip;    // dotted text, as the system gives it
  std::string mask;  // dotted text
};

// Every IPv4 address of every network adapter (loopback excluded), adapters in the system's
// order and each adapter's addresses in order. On Windows from GetAdaptersInfo, an adapter's
// list ending at the first entry whose context number is 0 and that holds no address
// (0.0.0.0); elsewhere from getifaddrs.
std::vector<AdapterAddress> ListAdapterAddresses();

}  // namespace port
