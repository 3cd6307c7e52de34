#!/usr/bin/env bash
# Builds everything and runs every test: the portable tests natively, the Windows tests under Wine
# on a private Xvfb display. Ends with one summary line "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh" || exit 1
. "$root/scripts/xvfb.sh"

log=$(mktemp -d)
status=0
step() { echo "== $*"; }

step "native build"
{ cmake --preset native >/dev/null && cmake --build --preset native; } >"$log/native-build" 2>&1 \
  || { cat "$log/native-build"; echo "0 passed, 1 failed"; exit 1; }
step "native build with sanitizers and fuzz targets (clang)"
{ cmake --preset native-sanitize >/dev/null && cmake --build --preset native-sanitize; } \
  >"$log/sanitize-build" 2>&1 || { cat "$log/sanitize-build"; echo "0 passed, 1 failed"; exit 1; }
step "mingw-w64 build"
{ cmake --preset mingw >/dev/null && cmake --build --preset mingw; } >"$log/mingw-build" 2>&1 \
  || { cat "$log/mingw-build"; echo "0 passed, 1 failed"; exit 1; }

step "formatting"
format_failed=0
"$root/scripts/check-format.sh" || { format_failed=1; status=1; }

step "portable tests"
ctest --preset native 2>&1 | tee "$log/native" | grep -E "tests passed|\*\*\*" || true
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "portable tests and fuzz targets under AddressSanitizer and UBSan"
ctest --preset native-sanitize 2>&1 | tee "$log/sanitize" | grep -E "tests passed|\*\*\*" || true
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "Windows tests under Wine"
StartXvfb || exit 1
trap 'wineserver_stop; StopXvfb' EXIT
wineserver_stop() { ( . "$root/scripts/wine-vars.sh" "$root/build/mingw"; wineserver -k 2>/dev/null ) || true; }
"$root/scripts/wine-env.sh" "$root/build/mingw"
"$root/scripts/register-standin.sh" "$root/build/mingw"
ctest --preset mingw 2>&1 | tee "$log/wine" | grep -E "Test +#|tests passed|\*\*\*" || true
[ "${PIPESTATUS[0]}" -eq 0 ] || { status=1; grep -B2 -A40 -E "\*\*\*Failed|Failed  |Timeout" "$log/wine" | head -200; }
for bmp in "$root"/build/mingw/screenshots/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
shots=$(ls "$root"/build/mingw/screenshots/*.png 2>/dev/null | tr '\n' ' ')
[ -n "$shots" ] && echo "Screenshots: $shots"
# The ctest test package_make made the release packages; package_test installed them.
for pkg in "$root"/build/mingw/packages/Kavro-*-setup.exe "$root"/build/mingw/packages/Kavro-*.zip; do
  [ -f "$pkg" ] && echo "Package: $(basename "$pkg") $(stat -c %s "$pkg") bytes"
done
wineserver_stop
StopXvfb
trap - EXIT

count() { sed -nE "s/.*tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/p" "$1" | tail -1; }
read -r f1 t1 <<<"$(count "$log/native")"
read -r f2 t2 <<<"$(count "$log/wine")"
read -r f3 t3 <<<"$(count "$log/sanitize")"
failed=$(( ${f1:-1} + ${f2:-1} + ${f3:-1} + format_failed ))
passed=$(( ${t1:-0} - ${f1:-0} + ${t2:-0} - ${f2:-0} + ${t3:-0} - ${f3:-0} + 1 - format_failed ))
[ "$failed" -eq 0 ] || status=1
echo "$passed passed, $failed failed"
exit $status
