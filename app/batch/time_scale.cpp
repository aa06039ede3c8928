#include "app/batch/time_scale.h"

#include <cmath>
#include <cstdlib>

double ParseTimeScale(const char* text) {
  if (!text || !*text) return 1.0;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(v) || v <= 0.0 || v > 1.0) return 1.0;
  return v;
}

UpgradeClock& ProductClock() {
  static const double scale = ParseTimeScale(std::getenv("DORVIK_TIME_SCALE"));
  if (scale == 1.0) return RealUpgradeClock();
  static ScaledClock scaled(1.0 / scale);
  return scaled;
}
