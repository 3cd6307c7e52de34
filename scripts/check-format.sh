#!/usr/bin/env bash
# Fails, naming the files, when a source file is not as .clang-format lays it out.
set -uo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h' \
  'bench/*.cpp' 'bench/*.h' 2>/dev/null || find src tools tests bench -name '*.cpp' -o -name '*.h')
bad=()
for f in $files; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not formatted (run clang-format -i): ${bad[*]}"
  exit 1
fi
echo "formatting checked: clean"
