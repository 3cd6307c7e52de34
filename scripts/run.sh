#!/usr/bin/env bash
# Builds Kavro and starts it under Wine, with the stand-in AutoCAD registered, in a Wine prefix of
# its own (build/mingw/wine/demo/prefix: no test or benchmark touches it). Uses your X display.
# With none it shows on a private Xvfb display what Kavro does, in pictures and text:
#   1. kavro.exe started, and a picture of its windows once they are shown (screenshots/demo.png);
#   2. a batch over a few drawings it makes (build/mingw/demo), with kavro.com: the desktop engine
#      (--engine gui), then the Core Console engine (--engine core --jobs 2), their output and logs;
#   3. the same drawings in a run started from the main window, and a picture of its progress
#      window once the run is done (screenshots/demo-progress.png).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
cmake --preset mingw >/dev/null
cmake --build --preset mingw
build="$root/build/mingw"
export KAVRO_WINE_LANE=demo
"$root/scripts/wine-env.sh" "$build"
"$root/scripts/register-standin.sh" "$build"
if [ -n "${DISPLAY:-}" ]; then
  exec "$build/wine-run" "$build/kavro.exe"
fi

. "$root/scripts/xvfb.sh"
. "$root/scripts/wine-vars.sh" "$build"
StartXvfb
kavro_pid=""
finish() {
  [ -n "$kavro_pid" ] && kill "$kavro_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  StopXvfb
}
trap finish EXIT
echo "No X display (DISPLAY is not set): Kavro runs on a private Xvfb display, and this shows what"
echo "it does. To use it, run this command inside a desktop session (or with ssh -X)."
shots="$build/screenshots"
mkdir -p "$shots"
demo() { "$build/wine-run" "$build/tools/kavro_demo.exe" "$@"; }
# A picture of the screen; taken again while it is still all one colour (not drawn yet).
picture() {
  local try
  for try in 1 2 3 4 5 6 7 8 9 10; do
    import -window root "$1" 2>/dev/null &&
      [ "$(convert "$1" -format '%[fx:standard_deviation>0]' info: 2>/dev/null)" = 1 ] && return 0
    sleep 0.5
  done
  return 1
}

echo "== 1. kavro.exe"
"$build/wine-run" "$build/kavro.exe" &
kavro_pid=$!
demo wait 90 || { echo "Kavro did not start: its main window never appeared." >&2; exit 1; }
picture "$shots/demo.png" && echo "Screenshot of Kavro's windows: $shots/demo.png" ||
  { echo "The screen stayed empty: no screenshot." >&2; exit 1; }

echo "== 2. kavro.com: a batch over the drawings of a list file, with a script template"
# Three drawings for the stand-in AutoCAD (any file is a drawing to it), their list file (ANSI,
# CR LF: as the program saves one) and a script template in which "page" is the page number.
samples="$build/demo"
rm -rf "$samples"
mkdir -p "$samples"
list=""
for name in 总图 平面图 立面图; do
  printf 'drawing\r\n' >"$samples/$name.dwg"
  list+="$(winepath -w "$samples/$name.dwg")"$'\r\n'
done
printf '%s' "$list" | iconv -f UTF-8 -t GBK >"$samples/图纸.txt"
printf -- '-text 0,0 2.5 0 page\r\nzoom e\r\n' >"$samples/图框.scr"
wlist=$(winepath -w "$samples/图纸.txt")
wscript=$(winepath -w "$samples/图框.scr")
failed=0
com() {
  echo "\$ kavro run 图纸.txt 图框.scr $*"
  local rc=0
  "$build/wine-run" "$build/kavro.com" run "$wlist" "$wscript" "$@" | tr -d '\r' || rc=$?
  echo "(exit code $rc)"
  [ "$rc" -eq 0 ] || failed=1
}
com --start 1 --engine gui
com --start 11 --engine core --jobs 2
logs="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Kavro/logs"
echo "The drawings, each ending with what its scripts added: $samples"
echo "The runs' logs (CSV, one row per drawing): $logs"

echo "== 3. a run from the main window, over the same drawings made anew"
paths=()
for name in 总图 平面图 立面图; do
  printf 'drawing\r\n' >"$samples/$name.dwg"
  paths+=("$(winepath -w "$samples/$name.dwg")")
done
if demo modify 60 "${paths[@]}" && picture "$shots/demo-progress.png"; then
  echo "Screenshot of the progress window: $shots/demo-progress.png"
else
  echo "No screenshot of the progress window: the run from the main window did not end (see above)."
  failed=1
fi
# Closed as a user closes it, so that it leaves nothing half done for its next start.
demo close >/dev/null || true
for _ in $(seq 100); do kill -0 "$kavro_pid" 2>/dev/null || break; sleep 0.2; done
exit $failed
