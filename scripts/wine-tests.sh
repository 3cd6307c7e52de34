#!/usr/bin/env bash
# Runs the Windows tests of an existing mingw build under Wine on a private Xvfb display, with the
# stand-in registered; arguments go to ctest (e.g. -R kavro_com). For working on one test without
# the whole test command.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/mingw"
. "$root/scripts/xvfb.sh"
StartXvfb || exit 1
stop() { ( . "$root/scripts/wine-vars.sh" "$build"; wineserver -k 2>/dev/null ) || true; StopXvfb; }
trap stop EXIT
"$root/scripts/wine-env.sh" "$build"
"$root/scripts/register-standin.sh" "$build"
ctest --preset mingw "$@"
