#!/usr/bin/env bash
# Runs the fuzz targets long: scripts/fuzz.sh [target|all] [seconds] [libFuzzer options...]
# Each target runs for the given seconds (default 60) from its seeds, its kept regression inputs
# and the corpus it grew before (build/native-sanitize/tests/fuzz/<target>/corpus), and ends with
# one line: executions, coverage, and the fault found, if any. A fault found is to be mended and its
# input kept as a regression input:
#   tests/fuzz/corpus.py keep <target> <crash file> "<what it found>"
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
target=${1:-all}
seconds=${2:-60}
shift $(( $# < 2 ? $# : 2 ))
"$root/scripts/install-deps.sh" || exit 1
{ cmake --preset native-sanitize >/dev/null && nice cmake --build --preset native-sanitize; } \
  >/dev/null || { echo "build failed: cmake --build --preset native-sanitize"; exit 1; }

fuzz="$root/build/native-sanitize/tests/fuzz"
if [ "$target" = all ]; then
  targets=$(cd "$fuzz" && ls -- *_fuzz | sed 's/_fuzz$//')
else
  targets=$target
fi
status=0
for t in $targets; do
  dir="$fuzz/$t"
  [ -x "$fuzz/${t}_fuzz" ] || { echo "no fuzz target $t"; exit 1; }
  mkdir -p "$dir/corpus" "$dir/found"
  nice "$fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$dir/found/" "$@" "$dir/corpus" "$dir/seeds" "$dir/regressions" \
    >"$dir/last-run.log" 2>&1
  rc=$?
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$dir/last-run.log" | tail -1)
  cov=$(grep -oE 'cov: [0-9]+' "$dir/last-run.log" | tail -1)
  found=$(sed -nE 's/.*Test unit written to (.*)/\1/p' "$dir/last-run.log" | tail -1)
  if [ $rc -eq 0 ]; then
    echo "$t: ${runs:-?} executions, ${cov:-cov: ?}, nothing found"
  else
    status=1
    echo "$t: ${runs:-?} executions, ${cov:-cov: ?}, FOUND ${found:-a fault}; see $dir/last-run.log"
  fi
done
exit $status
