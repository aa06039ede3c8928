// The address plan of the IP-set dialog: the checks of the start address, netmask and gateway,
// and one new address per checked device, counted up from the start address inside the
// gateway's subnet.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Message ids of the checks (shown with the title "Warning").
constexpr int kIpSetNotEnoughAddresses = 542;  // "There is not enough IP address for selected devices"
constexpr int kIpSetNotSameSubnet = 543;       // "The starting address and gateway address are not ..."
constexpr int kIpSetStartNotUnicast = 544;     // "The starting IP address is not an unicast IP address"
constexpr int kIpSetBadNetmask = 545;          // "Invalid netmask address"
constexpr int kIpSetGatewayNotUnicast = 546;   // "The Gateway IP address is not an unicast IP address."

// Addresses are 32-bit numbers with the first octet most significant.
struct IpSetInput {
  bool dynamic = true;  // "Dynamic IP Address": the devices ask a DHCP server
  std::uint32_t start = 0;
  std::uint32_t netmask = 0;
  std::uint32_t gateway = 0;
};

// A netmask is its ones followed by its zeros (0.0.0.0 and 255.255.255.255 included).
bool IsValidNetmask(std::uint32_t netmask);
// 1 when the address and the gateway are not in one subnet under the netmask; 2 when the
// address is not unicast (first octet 0 or above 223, or last octet 0); 0 otherwise.
int CheckAddress(std::uint32_t address, std::uint32_t gateway, std::uint32_t netmask);

struct IpSetPlan {
  int messageId = 0;  // 0: the plan holds; else the check that failed
  // One entry per device in the order given; 0 for a device that gets no address (only in
  // dynamic mode, where the devices do not keep it).
  std::vector<std::uint32_t> addresses;
};

// Checks the input (545, 543 or 544, 546) and gives each of `devices` an address: from the
// start address upward, passing over the used addresses, the gateway, and inside the subnet
// the addresses that are not unicast and the subnet's own network and broadcast addresses
// (when the mask leaves at least two host bits). An address outside the gateway's subnet, or
// past 255.255.255.255, means there are not enough (542) in static mode; in dynamic mode the
// devices take their addresses from a DHCP server, so the plan gives what it can and never
// refuses the batch for want of addresses.
IpSetPlan PlanAddresses(const IpSetInput& input, const std::vector<std::uint32_t>& used, std::size_t devices);
