# Sourced by the benchmark scripts: the figures and goal lines of bench/bench_stats.h.
#   ... | median            the median of the numbers read, one a line
#   ... | describe UNIT     "1234 ms (median of 5: 1100 to 1300, spread 16%)"
#   goal WHAT FIGURE UNIT OP GOAL DECIMALS   one goal line for bench/run-all (OP is <= or >=)
median() {
  sort -n | awk '{v[NR] = $1} END {if (NR == 0) exit; print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

describe() {
  sort -n | awk -v unit="$1" '{v[NR] = $1} END {
    if (NR == 0) { print "none"; exit }
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    spread = (m > 0) ? 100 * (v[NR] - v[1]) / m : 0
    printf "%.0f %s (median of %d: %.0f to %.0f, spread %.0f%%)\n", m, unit, NR, v[1], v[NR], spread }'
}

goal() {
  awk -v what="$1" -v fig="$2" -v unit="$3" -v op="$4" -v target="$5" -v d="$6" 'BEGIN {
    met = (op == "<=") ? fig <= target : fig >= target
    u = unit == "" ? "" : " " unit
    printf "GOAL %s | %.*f%s | %s %.*f%s | %s\n", what, d, fig, u, op, d, target, u, met ? "met" : "NOT MET" }'
}
