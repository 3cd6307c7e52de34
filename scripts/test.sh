#!/usr/bin/env bash
# Builds everything and runs every test: the portable tests natively (as built by the host compiler,
# and under AddressSanitizer and UBSan with the fuzz targets), the Windows tests under Wine on
# private Xvfb displays. Prints how long each step took (in seconds since the start) and ends with
# one summary line "N passed, N failed".
#
# The order keeps both cores busy: the mingw-w64 build first (the longest), while the Wine prefixes
# are made; then the Windows tests, which mostly wait on Windows, run KAVRO_WINE_LANES (2) at a time,
# each in a prefix and on a display of its own (scripts/wine-run), while the native builds and tests
# run beside them at a lower priority.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
start=$SECONDS
lanes=${KAVRO_WINE_LANES:-2}
build="$root/build/mingw"
log=$(mktemp -d)
status=0

# "== what: N s (from A s to B s), C s of CPU"; `timed what command...` runs a step (in a subshell)
# and says so. CPU: the step's processes' user and system time, which the machine's other work
# does not change much.
said() {
  printf '== %-60s %4d s (%4d s to %4d s)%s\n' "$1:" "$(($3 - $2))" "$(($2 - start))" \
    "$(($3 - start))" "${4:+, $4 s of CPU}"
}
# `times` must not run in a pipeline: a forked shell has no children's times of its own.
cpu_of_children() { times >"$log/times"; tail -1 "$log/times" | awk '{ t = 0; for (i = 1; i <= 2; ++i) { split($i, p, /[ms]/);
  t += p[1] * 60 + p[2] } printf "%d", t }'; }
timed() {
  local what=$1 from=$SECONDS rc
  shift
  ( "$@"; rc=$?; cpu_of_children >"$log/cpu"; exit $rc )
  rc=$?
  said "$what" "$from" "$SECONDS" "$(cat "$log/cpu" 2>/dev/null)"
  return $rc
}
# build LOG PRESET NICENESS [CONFIGURE-OPTION...]: configures and builds a preset, its output in
# a log; on failure shows the log.
build() {
  local name=$1 preset=$2 niceness=$3
  shift 3
  { cmake --preset "$preset" "$@" >/dev/null && nice -n "$niceness" cmake --build --preset "$preset"; } \
    >"$log/$name" 2>&1 && return 0
  cat "$log/$name"
  return 1
}
build_failed=0
failed_build() { build_failed=$((build_failed + 1)); status=1; }
# A ctest run into log $1 (its summary shown); later counted.
tests() {
  local name=$1
  shift
  "$@" >"$log/$name" 2>&1
  local rc=$?
  grep -E "tests passed|\*\*\*|Failed  |Timeout" "$log/$name"
  return $rc
}

timed "installing what is missing" "$root/scripts/install-deps.sh" || { echo "0 passed, 1 failed"; exit 1; }
. "$root/scripts/xvfb.sh"

wine_pid=""
stop_wine() {
  local lane
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null
  for ((lane = 0; lane < lanes; ++lane)); do
    ( KAVRO_WINE_LANE=$lane; . "$root/scripts/wine-vars.sh" "$build"; wineserver -k 2>/dev/null ) || true
  done
  StopLaneDisplays
}
trap stop_wine EXIT

# The Wine prefixes of the lanes are made while mingw-w64 builds (without a display).
mkdir -p "$build"
prefixes_from=$SECONDS
(
  for ((lane = 0; lane < lanes; ++lane)); do
    env -u DISPLAY KAVRO_WINE_LANE=$lane "$root/scripts/wine-env.sh" "$build" &
  done
  rc=0
  for pid in $(jobs -p); do wait "$pid" || rc=1; done
  exit $rc
) >"$log/prefixes" 2>&1 &
prefixes_pid=$!

timed "mingw-w64 build (kavro.exe, the stand-in, the Windows tests)" \
  build mingw-build mingw 0 -DKAVRO_WINE_LANES="$lanes"
mingw_built=$?
[ "$mingw_built" -eq 0 ] || failed_build
wait "$prefixes_pid" || { cat "$log/prefixes"; echo "Wine prefixes could not be made"; status=1; mingw_built=1; }
said "Wine prefixes, one per lane ($lanes; during the build)" "$prefixes_from" "$SECONDS"

# The Windows tests, in the background.
if [ "$mingw_built" -eq 0 ]; then
  StartLaneDisplays "$lanes" || { echo "Xvfb did not start"; echo "0 passed, 1 failed"; exit 1; }
  wine_from=$SECONDS
  (
    read -r -a displays <<<"$KAVRO_LANE_DISPLAYS"
    for ((lane = 0; lane < lanes; ++lane)); do
      DISPLAY=${displays[$lane]} KAVRO_WINE_LANE=$lane "$root/scripts/register-standin.sh" "$build" &
    done
    for pid in $(jobs -p); do wait "$pid"; done
    ctest --preset mingw -j "$lanes"
    rc=$?
    cpu_of_children >"$log/wine-cpu"
    exit $rc
  ) >"$log/wine" 2>&1 &
  wine_pid=$!
fi

# Beside them: the portable tests, twice.
if timed "native build (host compiler)" build native-build native 10; then
  timed "portable tests" tests native nice -n 10 ctest --preset native -j 2 || status=1
else
  failed_build
fi
if timed "native build with sanitizers and fuzz targets (clang)" \
  build sanitize-build native-sanitize 10; then
  timed "portable tests and fuzz targets under AddressSanitizer and UBSan" \
    tests sanitize nice -n 10 ctest --preset native-sanitize -j 2 || status=1
else
  failed_build
fi
timed "formatting" "$root/scripts/check-format.sh"
format_failed=$?
[ "$format_failed" -eq 0 ] || { format_failed=1; status=1; }

if [ -n "$wine_pid" ]; then
  wait "$wine_pid"
  wine_rc=$?
  wine_pid=""
  said "Windows tests under Wine, $lanes at a time (beside the native steps)" "$wine_from" \
    "$SECONDS" "$(cat "$log/wine-cpu" 2>/dev/null)"
  grep -E "Test +#|tests passed|\*\*\*" "$log/wine"
  if [ "$wine_rc" -ne 0 ]; then
    status=1
    grep -B2 -A40 -E "\*\*\*Failed|Failed  |Timeout" "$log/wine" | head -200
  fi
fi
for bmp in "$build"/screenshots/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
shots=$(ls "$build"/screenshots/*.png 2>/dev/null | tr '\n' ' ')
[ -n "$shots" ] && echo "Screenshots: $shots"
# The ctest test package_make made the release packages; package_test installed them.
for pkg in "$build"/packages/Kavro-*-setup.exe "$build"/packages/Kavro-*.zip; do
  [ -f "$pkg" ] && echo "Package: $(basename "$pkg") $(stat -c %s "$pkg") bytes"
done
stop_wine
trap - EXIT
said "all" "$start" "$SECONDS" "$(cpu_of_children)"
echo "== load average (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores"

# A test group that did not run (its build failed) counts nothing; the failed build counts one.
count() { sed -nE "s/.*tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/p" "$1" 2>/dev/null | tail -1; }
passed=0
failed=$((build_failed + format_failed))
[ "$format_failed" -eq 0 ] && passed=1
for group in native sanitize wine; do
  [ -f "$log/$group" ] || continue
  read -r f t <<<"$(count "$log/$group")"
  if [ -z "${t:-}" ]; then
    failed=$((failed + 1))  # the group ended without its summary
    echo "The $group tests ended without a summary:"
    tail -20 "$log/$group"
  else
    passed=$((passed + t - f))
    failed=$((failed + f))
  fi
done
[ "$failed" -eq 0 ] || status=1
echo "$passed passed, $failed failed"
exit $status
