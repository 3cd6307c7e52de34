#!/usr/bin/env bash
# Test set-up: makes the release packages of build folder $1 with cpack ($2) and unpacks the zip of
# version $3 into the Wine prefix as C:\Kavro Zip, where package_test looks at it: into the prefix of
# every lane of <build>/wine-lanes.json (scripts/wine-vars.sh), since package_test may run in any.
set -euo pipefail
build=$(cd "$1" && pwd)
cpack=$2
version=$3
here=$(cd "$(dirname "$0")" && pwd)
export LC_ALL=C.UTF-8  # unzip and makensis keep the Chinese file names only in a UTF-8 locale
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$cpack" --config "$build/CPackConfig.cmake" >"$out" 2>&1 || { cat "$out"; exit 1; }
grep "package: " "$out"
lanes=$(grep -o '"id"' "$build/wine-lanes.json" 2>/dev/null | wc -l)
for ((lane = 0; lane < (lanes > 0 ? lanes : 1); ++lane)); do
  KAVRO_WINE_LANE=$lane "$here/../../scripts/wine-env.sh" "$build"
  prefix=$(KAVRO_WINE_LANE=$lane; . "$here/../../scripts/wine-vars.sh" "$build"; echo "$WINEPREFIX")
  target="$prefix/drive_c/Kavro Zip"
  rm -rf "$target"
  mkdir -p "$target"
  unzip -q "$build/packages/Kavro-$version.zip" -d "$target"
done
