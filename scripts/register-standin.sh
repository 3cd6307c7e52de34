#!/usr/bin/env bash
# Registers the stand-in AutoCAD (tools/acad.exe of a mingw build) as "AutoCAD.Application" in
# that build's Wine prefix: it installs itself as "C:\Program Files\AutoCAD\acad.exe" with
# TEMPLATE\acad.dwt beside it and writes its HKLM class keys, and puts the stand-in Core Console
# (accoreconsole.exe) beside it. Idempotent; skipped when this build of the stand-in is registered
# already. Usage: register-standin.sh <build-dir> (the prefix of lane $KAVRO_WINE_LANE, wine-vars.sh)
set -euo pipefail
build=$(cd "${1:?usage: register-standin.sh <build-dir>}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
exe="$build/tools/acad.exe"
[ -f "$exe" ] || { echo "register-standin: $exe is not built" >&2; exit 1; }
"$here/wine-env.sh" "$build"
. "$here/wine-vars.sh" "$build"
installed="$WINEPREFIX/drive_c/Program Files/AutoCAD"
# The console is no COM server: a copy is its whole installation.
install_core() {
  local core="$build/tools/accoreconsole.exe"
  [ -f "$core" ] || return 0
  cmp -s "$core" "$installed/accoreconsole.exe" || cp -f "$core" "$installed/accoreconsole.exe"
}
stamp="$KAVRO_WINE_STATE/.standin-registered"
sum=$(md5sum "$exe" | cut -d' ' -f1)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$sum" ] &&
   [ -f "$installed/acad.exe" ]; then
  install_core
  exit 0
fi
# Detached from our stdio: a wineserver started here must not hold a caller's pipes.
rc=0
python3 - "$exe" <<'PY' || rc=$?
import os, subprocess, sys
os.closerange(3, 65536)
null = os.open(os.devnull, os.O_RDWR)
code = subprocess.call(["wine", sys.argv[1], "/RegServer"], stdin=null, stdout=null, stderr=null,
                       close_fds=True)
sys.exit(code)
PY
case $rc in
  0) echo "$sum" > "$stamp"; install_core ;;
  1) echo "register-standin: a stand-in AutoCAD is running; its older copy stays installed" >&2
     install_core ;;
  *) echo "register-standin: registration failed ($rc)" >&2; exit 1 ;;
esac
