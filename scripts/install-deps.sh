#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, where missing (as root). clang and
# its runtime libraries build the sanitized portable tests and the fuzz targets.
set -euo pipefail
packages=(cmake ninja-build g++ googletest python3 g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth
          fonts-wqy-microhei imagemagick xdotool locales fp-utils procps util-linux clang-format nsis
          unzip clang libclang-rt-14-dev libfuzzer-14-dev nlohmann-json3-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
