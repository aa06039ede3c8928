// Device replies read as "KEY = value" lines: the line reader, the version a reply reports for
// each upgrade kind, and a device's whole information reply.
#include <cstring>
#include <vector>

#include "device/device_info.h"
#include "device/upgrade_job.h"
#include "device/upgrade_rules.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::string key = in.Part('\n');
  const std::string text = in.Rest();
  if (!key.empty()) {
    std::string value;
    if (FindLineValue(text, key.c_str(), &value)) FUZZ_CHECK(!value.empty() && value.find('\n') == std::string::npos);
    const std::string terminated = text.c_str();  // as a reply buffer holds it
    std::size_t at = terminated.find(key);
    if (at != std::string::npos) {
      char small[8] = {'u', 'u', 'u', 'u', 'u', 'u', 'u', 'u'};
      int n = ExtractLineValue(key.c_str(), small, sizeof small, terminated.c_str() + at);
      // At most what fits, terminated (a line of quotes alone gives an empty value).
      FUZZ_CHECK(n >= 0 && n < static_cast<int>(sizeof small));
      FUZZ_CHECK(n == 0 ? small[0] == 'u' || small[0] == '\0' : small[n] == '\0');
    }
  }
  for (std::uint32_t kind : {0u, 1u, 2u, 3u, 4u, 5u, 8u}) {
    std::wstring version;
    ParseReportedVersion(text, kind, &version);
  }
  return 0;
}
