#!/usr/bin/env bash
# Makes the release packages from a clean checkout, installing what is missing first:
#   build/mingw/packages/Kavro-<version>-setup.exe  the Simplified Chinese installer (NSIS)
#   build/mingw/packages/Kavro-<version>.zip        the same program folder, to unpack anywhere
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target kavro kavro_help
cpack --config build/mingw/CPackConfig.cmake | grep "package: "
