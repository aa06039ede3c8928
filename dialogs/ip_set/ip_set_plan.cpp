#include "dialogs/ip_set/ip_set_plan.h"

#include <algorithm>

namespace {

bool SameSubnet(std::uint32_t a, std::uint32_t b, std::uint32_t mask) { return (a & mask) == (b & mask); }

bool NotUnicast(std::uint32_t a) {
  const std::uint32_t first = a >> 24, last = a & 0xFF;
  return first == 0 || first > 223 || last == 0;
}

// The subnet's network or broadcast address, when the mask leaves room for hosts beside them.
bool NetworkOrBroadcast(std::uint32_t a, std::uint32_t mask) {
  const std::uint32_t host = ~mask;
  if (host < 3) return false;  // fewer than two host bits
  return (a & host) == 0 || (a & host) == host;
}

}  // namespace

bool IsValidNetmask(std::uint32_t netmask) {
  // Ones then zeros: inverted, it is one less than a power of two.
  const std::uint32_t host = ~netmask;
  return (host & (host + 1)) == 0;
}

int CheckAddress(std::uint32_t address, std::uint32_t gateway, std::uint32_t netmask) {
  if (!SameSubnet(address, gateway, netmask)) return 1;
  if (NotUnicast(address)) return 2;
  return 0;
}

IpSetPlan PlanAddresses(const IpSetInput& in, const std::vector<std::uint32_t>& used, std::size_t devices) {
  IpSetPlan plan;
  if (!IsValidNetmask(in.netmask)) {
    plan.messageId = kIpSetBadNetmask;
    return plan;
  }
  switch (CheckAddress(in.start, in.gateway, in.netmask)) {
    case 1:
      plan.messageId = kIpSetNotSameSubnet;
      return plan;
    case 2:
      plan.messageId = kIpSetStartNotUnicast;
      return plan;
    default:
      break;
  }
  if (CheckAddress(in.gateway, in.gateway, in.netmask) != 0) {
    plan.messageId = kIpSetGatewayNotUnicast;
    return plan;
  }
  std::vector<std::uint32_t> taken = used;
  std::sort(taken.begin(), taken.end());
  auto skip = [&](std::uint32_t a) {
    if (std::binary_search(taken.begin(), taken.end(), a) || a == in.gateway) return true;
    return SameSubnet(a, in.gateway, in.netmask) && (NotUnicast(a) || NetworkOrBroadcast(a, in.netmask));
  };
  std::uint64_t next = in.start;  // 64 bits: counting never wraps
  for (std::size_t i = 0; i < devices; ++i) {
    while (next <= 0xFFFFFFFFu && skip(static_cast<std::uint32_t>(next))) {
      // Every address from 224.0.0.0 on is passed over inside the subnet: no need to count them.
      if ((next >> 24) > 223 && SameSubnet(static_cast<std::uint32_t>(next), in.gateway, in.netmask))
        next = 0x100000000ull;
      else
        ++next;
    }
    if (next > 0xFFFFFFFFu || !SameSubnet(static_cast<std::uint32_t>(next), in.gateway, in.netmask)) {
      if (!in.dynamic) {
        plan.addresses.clear();
        plan.messageId = kIpSetNotEnoughAddresses;
        return plan;
      }
      plan.addresses.resize(devices, 0);
      return plan;
    }
    plan.addresses.push_back(static_cast<std::uint32_t>(next));
    ++next;
  }
  return plan;
}
