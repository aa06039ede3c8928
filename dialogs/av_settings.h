// The audio/video settings that the device settings operation applies: the record the
// audio/video page shows and the workers read. Only what the rest of the operation uses is
// here so far; the page's own fields and its settings section [AV_DATA] join it with the page.
#pragma once

struct AvSettings {
  bool Enable = false;  // the page's enable box
  int StreamMode = 1;   // 1 single, 2 dual, 5 triple stream
};
