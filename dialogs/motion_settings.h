// The motion-detection settings that the device settings operation applies: the record the
// motion page shows and the workers read. Only the enable flag so far; the page's fields and
// its settings section [MT_DATA] join it with the page.
#pragma once

struct MotionSettings {
  bool Enable = false;  // the page's enable box
};
