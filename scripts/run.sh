#!/usr/bin/env bash
# Builds Kavro and starts it under Wine, with the stand-in AutoCAD registered in the private
# prefix. Uses your X display; with none it runs on a private Xvfb and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
cmake --preset mingw >/dev/null
cmake --build --preset mingw
build="$root/build/mingw"
"$root/scripts/wine-env.sh" "$build"
[ -x "$root/scripts/register-standin.sh" ] && "$root/scripts/register-standin.sh" "$build"
if [ -n "${DISPLAY:-}" ]; then
  exec "$build/wine-run" "$build/kavro.exe"
fi
. "$root/scripts/xvfb.sh"
StartXvfb
echo "No X display (DISPLAY is not set): Kavro runs on a private Xvfb display for 60 seconds."
echo "To use it interactively, run this command inside a desktop session (or with ssh -X)."
"$build/wine-run" "$build/kavro.exe" &
pid=$!
sleep 8
mkdir -p "$build/screenshots"
import -window root "$build/screenshots/demo.png" && echo "Screenshot: $build/screenshots/demo.png"
sleep 52
kill "$pid" 2>/dev/null || true
( . "$root/scripts/wine-vars.sh" "$build"; wineserver -k 2>/dev/null ) || true
StopXvfb
