#!/usr/bin/env bash
# Builds the Windows side and runs every benchmark under Wine on a private display, with the
# stand-in AutoCAD registered, in the tests' prefix (not the one scripts/run.sh uses). The
# benchmarks are not part of the default build: this builds them (target kavro_benchmarks).
# Fails if a benchmark left a record of a run (journal, log) behind. Usage: scripts/bench.sh [name-filter]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target all kavro_benchmarks
build="$root/build/mingw"
. "$root/scripts/xvfb.sh"
StartXvfb
trap '( . "$root/scripts/wine-vars.sh" "$build"; wineserver -k 2>/dev/null ) || true; StopXvfb' EXIT
"$root/scripts/wine-env.sh" "$build"
"$root/scripts/register-standin.sh" "$build"
ran=0
for bench in "$build"/bench/*_bench.exe; do
  [ -f "$bench" ] || continue
  case "$(basename "$bench")" in *"${1:-}"*) ;; *) continue ;; esac
  echo "== $(basename "$bench" .exe)"
  "$build/wine-run" "$bench" 2>&1 | grep -v -E '^\[|^Running main|^Note: Google Test'
  ran=$((ran + 1))
done
[ "$ran" -gt 0 ] || { echo "bench.sh: no benchmark matches '${1:-}'" >&2; exit 1; }
"$root/tests/win/kavro_records.sh" check "$build"
