#!/usr/bin/env bash
# Fails, naming the files, when a source file is not as .clang-format lays it out. Then prints the
# tests' share of the code (scripts/code-share.py), which the project keeps at most a third.
set -uo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' \
  'tests/*.h' 'bench/*.cpp' 'bench/*.h' 2>/dev/null ||
  find src tools tests bench -name '*.cpp' -o -name '*.h')
# One clang-format for all files, two at once: starting one per file cost most of the time.
bad=$(printf '%s\n' "${files[@]}" | xargs -P 2 -n 64 clang-format --dry-run --Werror 2>&1 |
  sed -nE 's/^([^:]+):[0-9]+:[0-9]+: (error|warning):.*/\1/p' | sort -u | tr '\n' ' ')
if [ -n "$bad" ]; then
  echo "Not formatted (run clang-format -i): $bad"
  exit 1
fi
echo "formatting checked: clean"
python3 scripts/code-share.py
