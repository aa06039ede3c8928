#include "app/device_list/manual_add.h"

#include <cstdint>

#include "port/net.h"
#include "port/text.h"

int ParseHttpPort(const std::wstring& text) {
  if (text.empty()) return 0;
  int port = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return 0;
    port = port * 10 + (c - L'0');
    if (port > 65535) return 0;
  }
  return port;
}

unsigned CheckManualAdd(const std::wstring& address, const std::wstring& port, int rowsWithAddress) {
  std::uint32_t a = 0;
  if (!port::ParseIPv4(port::ToLocal8(address), &a)) return kAddNotUnicast;
  const std::uint32_t first = a >> 24, last = a & 0xFF;
  if (first < 1 || first > 223 || last < 1 || last > 254) return kAddNotUnicast;
  if (port.empty()) return kAddNoPort;
  if (ParseHttpPort(port) == 0) return kAddBadPort;
  if (rowsWithAddress >= 2) return kAddConflicted;
  return 0;
}
