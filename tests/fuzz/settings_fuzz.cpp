// Any bytes as a settings file: read, written again and read back, every value the same; and
// the kept devices read from it.
#include <map>

#include "app/device_list/manual_ip_settings.h"
#include "app/settings_file/settings_file.h"
#include "device/http_port_map.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IniDocument doc;
  doc.Parse(std::string(reinterpret_cast<const char*>(data), size));
  std::vector<std::wstring> order = doc.SectionNames();
  IniDocument again;
  again.Parse(doc.Serialize(order));
  for (const std::wstring& section : order) {
    // Names that the file format cannot hold apart are not compared.
    if (section.find_first_of(L"]\r\n") != std::wstring::npos) continue;
    for (const auto& e : doc.Entries(section)) {
      if (e.first.empty() || e.first.find_first_of(L"=[;\r\n") != std::wstring::npos ||
          e.first.front() == L' ' || e.first.back() == L' ' || e.first.front() == L'\t' || e.first.back() == L'\t')
        continue;
      FUZZ_CHECK(again.Get(section, e.first, L"<missing>") == doc.Get(section, e.first));
    }
  }
  std::map<std::wstring, std::wstring> devices;
  LoadManualIpSection(doc, devices);
  for (const auto& d : devices) {
    const int port = g_HttpPortMap.Get(d.first);
    FUZZ_CHECK(port >= 0 && port <= 65535);
  }
  g_HttpPortMap.Clear();
  return 0;
}
