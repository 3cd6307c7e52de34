#!/usr/bin/env bash
# Runs the Windows tests of an existing mingw build under Wine, with the stand-in registered; each
# test in one of the build's lanes (a prefix and a private Xvfb display of its own: wine-run), as
# the test command does. Arguments go to ctest (e.g. -R kavro_com, or -j 2 for two at once). For
# working on one test without the whole test command.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/mingw"
lanes=$(grep -o '"id"' "$build/wine-lanes.json" 2>/dev/null | wc -l)
[ "$lanes" -gt 0 ] || lanes=1
. "$root/scripts/xvfb.sh"
StartLaneDisplays "$lanes" || exit 1
stop() {
  local lane
  for ((lane = 0; lane < lanes; ++lane)); do
    ( KAVRO_WINE_LANE=$lane; . "$root/scripts/wine-vars.sh" "$build"; wineserver -k 2>/dev/null ) || true
  done
  StopLaneDisplays
}
trap stop EXIT
read -r -a displays <<<"$KAVRO_LANE_DISPLAYS"
for ((lane = 0; lane < lanes; ++lane)); do
  DISPLAY=${displays[$lane]} KAVRO_WINE_LANE=$lane "$root/scripts/wine-env.sh" "$build"
  DISPLAY=${displays[$lane]} KAVRO_WINE_LANE=$lane "$root/scripts/register-standin.sh" "$build"
done
ctest --preset mingw "$@"
