// Host name to IPv4 address, through the system's resolver.
#pragma once
#include <string>

namespace port {

// The first IPv4 address of `host` as dotted text; a dotted address is returned as it is.
// False when the name does not resolve.
bool ResolveIPv4(const std::string& host, std::string* ip);

}  // namespace port
