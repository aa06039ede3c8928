// The one test setting the program reads: DORVIK_TIME_SCALE, an environment variable read once
// at start-up that scales every wait and time-out of the batch workers and of the upgrade
// engine (0.05: a 30 s wait takes 1.5 s). End-to-end tests set it; unset, every wait is the
// real one.
#pragma once
#include "device/upgrade_clock.h"

// The scale a setting's text gives: a number above 0 and at most 1. Anything else (no text,
// empty, not a number, 0, negative, above 1) gives 1, the real waits.
double ParseTimeScale(const char* text);

// The clock of the batch workers and the upgrade engine: the real clock, or, with the setting,
// one that runs 1 / scale times faster.
UpgradeClock& ProductClock();
