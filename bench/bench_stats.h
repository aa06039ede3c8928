// What every benchmark prints: a figure measured several times is reported as its median
// with the range of the runs, and each goal as one line that bench/run-all collects:
//
//   GOAL <what> | <figure> | <goal> | met
//
// On a machine shared with other work single runs scatter widely; the median of several
// holds still.
#pragma once
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace bench {

class Samples {
 public:
  void Add(double v) { m_values.push_back(v); }
  std::size_t Count() const { return m_values.size(); }
  bool Empty() const { return m_values.empty(); }
  double Median() const {
    if (m_values.empty()) return 0;
    std::vector<double> v = m_values;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }
  double Min() const { return m_values.empty() ? 0 : *std::min_element(m_values.begin(), m_values.end()); }
  double Max() const { return m_values.empty() ? 0 : *std::max_element(m_values.begin(), m_values.end()); }
  // The range of the runs relative to their median, in percent.
  double SpreadPercent() const {
    const double m = Median();
    return m > 0 ? 100.0 * (Max() - Min()) / m : 0;
  }
  // "12.3 ms (median of 7: 10.9 to 14.2, spread 27%)"
  std::string Describe(const char* unit, int decimals = 1) const {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.*f%s%s (median of %zu: %.*f to %.*f, spread %.0f%%)", decimals, Median(),
                  unit[0] ? " " : "", unit, Count(), decimals, Min(), decimals, Max(), SpreadPercent());
    return buf;
  }

 private:
  std::vector<double> m_values;
};

// One goal line. `atMost`: the figure must not exceed the goal; otherwise it must reach it.
inline bool PrintGoal(const std::string& what, double figure, const char* unit, bool atMost, double goal,
                      int decimals = 1) {
  const bool met = atMost ? figure <= goal : figure >= goal;
  const char* space = unit[0] ? " " : "";
  std::printf("GOAL %s | %.*f%s%s | %s %.*f%s%s | %s\n", what.c_str(), decimals, figure, space, unit,
              atMost ? "<=" : ">=", decimals, goal, space, unit, met ? "met" : "NOT MET");
  std::fflush(stdout);
  return met;
}

}  // namespace bench
