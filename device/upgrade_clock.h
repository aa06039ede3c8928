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

// A clock that runs `factor` times faster than the real one.
class ScaledClock : public UpgradeClock {
 public:
  explicit ScaledClock(std::int64_t factor) : m_factor(factor > 0 ? factor : 1), m_start(port::SteadyMs()) {}
  std::int64_t NowMs() const override { return (port::SteadyMs() - m_start) * m_factor; }
  std::int64_t RealMs(std::int64_t clockMs) const override { return (clockMs + m_factor - 1) / m_factor; }

 private:
  std::int64_t m_factor;
  std::int64_t m_start;
};

// The real clock, shared by everything that is given none.
UpgradeClock& RealUpgradeClock();
