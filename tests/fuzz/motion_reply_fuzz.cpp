// A device's answers to the motion step: its video size and its current windows, and the
// window parts built from them. A size read is a real image's; a window read lies inside the
// largest image; every part sent holds nine numbers.
#include <cwctype>

#include "dialogs/device_settings/motion_apply.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const unsigned types = in.Byte();
  const std::string reply = in.Rest();

  MotionRect image;
  if (ParseImageRect(reply, &image)) {
    FUZZ_CHECK(image.left == 0 && image.top == 0);
    FUZZ_CHECK(image.right >= 0 && image.right < kMotionMaxImageSide);
    FUZZ_CHECK(image.bottom >= 0 && image.bottom < kMotionMaxImageSide);
  }
  MotionRect current[kMotionWindows];
  const unsigned read = ParseCurrentWindows(reply, current);
  FUZZ_CHECK(read < (1u << kMotionWindows));
  for (int i = 0; i < kMotionWindows; ++i) {
    const MotionRect& r = current[i];
    if (!(read & (1u << i))) {
      FUZZ_CHECK(r == MotionRect());
      continue;
    }
    for (int v : {r.left, r.top, r.right, r.bottom}) FUZZ_CHECK(v >= 0 && v <= kMotionMaxImageSide);
  }

  MotionSettings s;
  for (int i = 0; i < kMotionWindows; ++i) {
    s.windows[i].State = (types >> (i + 6)) & 1;  // bits 6 and 7: windows 1 and 2 on
    s.windows[i].Type = static_cast<int>((types >> (2 * i)) & 3);
  }
  for (int i = 0; i < kMotionWindows; ++i) {
    const std::wstring part = BuildMotionConfig(i, s, image, current);
    FUZZ_CHECK(part.rfind(L"MOTION_CONFIG=", 0) == 0);
    int commas = 0;
    for (std::size_t k = 14; k < part.size(); ++k) {
      if (part[k] == L',') ++commas;
      else FUZZ_CHECK(std::iswdigit(part[k]) || part[k] == L'-');
    }
    FUZZ_CHECK(commas == 8);
  }
  return 0;
}
