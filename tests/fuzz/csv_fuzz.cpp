// A device's texts as CSV lines: read back by a spreadsheet's rules, every field is the text,
// and no field starts a formula.
#include <vector>

#include "app/device_list/device_csv.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// Splits one CSV line (RFC 4180, the line feed at its end) into its fields.
std::vector<std::wstring> ReadLine(const std::wstring& line) {
  std::vector<std::wstring> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    const wchar_t c = line[i];
    if (quoted) {
      if (c == L'"' && line[i + 1] == L'"') {
        fields.back() += L'"';
        ++i;
      } else if (c == L'"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == L'"' && fields.back().empty()) {
      quoted = true;
    } else if (c == L',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  DeviceRecord r;
  for (DeviceSlot s : {SLOT_IP, SLOT_SERIAL, SLOT_CAMERA_NAME, SLOT_MAC, SLOT_FIRMWARE, SLOT_MODEL, SLOT_MULTICAST_IP})
    r[s] = fuzz::Wide(in.Part());
  const std::wstring line = CsvDeviceLine(r, true);
  FUZZ_CHECK(!line.empty() && line.back() == L'\n');
  const std::vector<std::wstring> fields = ReadLine(line);
  FUZZ_CHECK(fields.size() == 7);
  const DeviceSlot order[] = {SLOT_IP, SLOT_SERIAL, SLOT_CAMERA_NAME, SLOT_MAC, SLOT_FIRMWARE, SLOT_MODEL,
                              SLOT_MULTICAST_IP};
  for (std::size_t i = 0; i < 7; ++i) {
    const std::wstring& text = r[order[i]];
    const bool formula = !text.empty() && (text[0] == L'=' || text[0] == L'+' || text[0] == L'-' || text[0] == L'@');
    FUZZ_CHECK(fields[i] == (formula ? L"'" + text : text));
  }
  return 0;
}
