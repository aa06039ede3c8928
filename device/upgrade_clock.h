// The clock of the upgrade path. Every wait of the engine and of the upload is measured on
// it, so a test or a benchmark can run the long waits (45 s, 15 s, 20 s, 900 s) faster.
#pragma once
#include <cstdint>

#include "port/sync.h"

class UpgradeClock {
 public:
  virtual ~UpgradeClock() = default;
  virtual std::int64_t NowMs() const { return port::SteadyMs(); }
  // The real milliseconds that `clockMs` of this clock take.
  virtual std::int64_t RealMs(std::int64_t clockMs) const { return clockMs; }
  // Told of every wait that the engine begins (what it waits for, in this clock's ms).
  virtual void OnWait(const char* /*what*/, std::int64_t /*clockMs*/) {}
};

// A clock that runs `factor` times faster than the real one (0.5: twice as slow).
class ScaledClock : public UpgradeClock {
 public:
  explicit ScaledClock(double factor) : m_factor(factor > 0 ? factor : 1), m_start(port::SteadyMs()) {}
  std::int64_t NowMs() const override {
    return static_cast<std::int64_t>(static_cast<double>(port::SteadyMs() - m_start) * m_factor);
  }
  // Rounded up: a wait never ends early, and no wait of a positive length becomes none.
  std::int64_t RealMs(std::int64_t clockMs) const override {
    if (clockMs <= 0) return 0;
    const double real = static_cast<double>(clockMs) / m_factor;
    const std::int64_t whole = static_cast<std::int64_t>(real);
    return whole < real ? whole + 1 : (whole > 0 ? whole : 1);
  }

 private:
  double m_factor;
  std::int64_t m_start;
};

// The real clock, shared by everything that is given none.
UpgradeClock& RealUpgradeClock();
