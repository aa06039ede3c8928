#!/bin/sh
# Runs one fuzz target as a test, the same way every time: first every input kept with the
# sources (the seeds and the inputs that once made it fail), then a fixed number of further runs
# from a fixed random seed. The same run gives the same verdict on any machine:
# - the inputs are handed over in the order of their names, not in the order a directory lists them;
# - nothing found is written back or read again during the run (no corpus folder);
# - the address space is laid out the same each time (setarch -R), since the mutations borrow
#   values that the code compared, pointers among them.
# A failing input is left in WORK (crash-*, leak-*, timeout-*, oom-*).
#   run_target.sh FUZZER WORK RUNS DIR...
fuzzer=$1 work=$2 runs=$3
shift 3
rm -rf "$work"
mkdir -p "$work"
for dir in "$@"; do
  [ -d "$dir" ] && find "$dir" -type f ! -name '.*'
done | LC_ALL=C sort | paste -sd, - > "$work/inputs"
if [ ! -s "$work/inputs" ]; then
  echo "run_target: no inputs kept for $fuzzer in $*" >&2
  exit 1
fi
exec setarch "$(uname -m)" -R "$fuzzer" -seed=1 -runs="$runs" -seed_inputs=@"$work/inputs" -reload=0 \
  -rss_limit_mb=1024 -timeout=10 -print_final_stats=1 -artifact_prefix="$work/"
