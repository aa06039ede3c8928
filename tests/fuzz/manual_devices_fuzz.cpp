// The manual device file ("ManualAddedDevices.ini" and the scans' dated copies) as the reader
// takes it, and what the writer makes of what was read.
#include <map>
#include <string>

#include "app/device_list/manual_devices.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::string text = in.Rest();
  std::map<std::wstring, std::wstring> macs;
  std::map<std::wstring, int> ports;
  for (const ManualDevice& d : ParseManualDevices(text)) {
    // Whole values only: at most what the fields hold, never a line end or a quote.
    FUZZ_CHECK(!d.ip.empty() && !d.mac.empty());
    FUZZ_CHECK(d.ip.size() <= 15 && d.mac.size() <= 31);  // characters never outnumber the bytes
    FUZZ_CHECK(d.ip.find_first_of(L"\n'+") == std::wstring::npos && d.mac.find_first_of(L"\n'+") == std::wstring::npos);
    FUZZ_CHECK(d.port >= 0 && d.port <= 65535);
    macs[d.ip] = d.mac;
    ports[d.ip] = d.port;
  }
  const std::string written = FormatManualDevices(macs, [&](const std::wstring& ip) { return ports[ip]; });
  FUZZ_CHECK(macs.empty() ? written.empty() : written.back() == '\0');
  ParseManualDevices(written);
  return 0;
}
