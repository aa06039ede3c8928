// A device's answers to the audio/video step: its system information, its resolution and
// frame-rate lists. What is read stays within its widths and ranges; a resolution that goes
// into a request has the request's form, and "Max" sends the listed first entry or nothing;
// a frame rate picked is one the device listed, or the target between its rates.
#include <algorithm>

#include "dialogs/device_settings/av_request.h"
#include "port/text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);

  const AvDeviceFacts facts = ReadAvDeviceFacts(reply);
  FUZZ_CHECK(facts.platform.size() <= 7 && facts.audio.size() <= 7 && facts.levelOption.size() <= 15);
  for (const std::string* f : {&facts.platform, &facts.audio, &facts.levelOption})
    FUZZ_CHECK(f->find_first_of("\r\n") == std::string::npos);
  const int level = AudioLevelMode(facts);
  FUZZ_CHECK(level >= 0 && level <= 2);

  const ResolutionCapability cap = ParseResolutionCapability(reply);
  for (const auto& s : cap.sizes) FUZZ_CHECK(s.first > 0 && s.second > 0 && s.first <= 999999 && s.second <= 999999);
  for (int index = -1; index <= 13; ++index) {
    const std::wstring value = ChooseResolution(index, reply);
    if (value.empty()) continue;
    FUZZ_CHECK(index >= 0 && index <= 12);
    const std::string narrow = port::ToLocal8(value);
    FUZZ_CHECK(IsResolutionValue(narrow));
    if (index == 0) FUZZ_CHECK(cap.first.find(narrow) != std::string::npos);
  }

  const std::vector<int> rates = ParseFpsCapability(reply);
  for (int r : rates) FUZZ_CHECK(r >= 0 && r <= 999999);
  const int maximum = PickFps(rates, 0);
  for (int k : {2, 4}) {
    const int fps = PickFps(rates, k);
    if (maximum <= 0) {
      FUZZ_CHECK(fps == 0);
      continue;
    }
    // A listed rate, or the target itself when nothing lies at or below it.
    FUZZ_CHECK(fps >= 1 && fps <= maximum);
    FUZZ_CHECK(std::find(rates.begin(), rates.end(), fps) != rates.end() || fps == std::max(1, maximum / k));
  }
  return 0;
}
