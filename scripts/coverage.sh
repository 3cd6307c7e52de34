#!/usr/bin/env bash
# Line coverage of the portable code (src/ less src/win/ and *_win.*) by the native unit tests:
#   scripts/coverage.sh [-v]
# Builds with gcc's --coverage in build/coverage (Debug), clears old counts, runs its ctest, reads
# every object's notes with gcov and prints "portable line coverage: N of M lines, P%". With -v it
# first prints each file's lines covered, lines and percentage. A portable file that no test links
# counts with none of its lines covered; a line of a header that several files compile counts as
# covered when any of them ran it. Needs only gcc's own gcov and python3.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
verbose=0
[ "${1:-}" = -v ] && verbose=1
build="$root/build/coverage"

# gcc, for its gcov: CC and CXX choose the compiler of a new build folder only, where -D would
# clear the cache of an existing one.
{ CC=gcc CXX=g++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage &&
  cmake --build "$build"; } >"$build.log" 2>&1 || { cat "$build.log"; echo "build failed"; exit 1; }
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" --output-on-failure >"$build-ctest.log" 2>&1 ||
  { cat "$build-ctest.log"; echo "tests failed"; exit 1; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
find "$build" -name '*.gcno' >"$out/list"
(cd "$out" && xargs -a list gcov --json-format --preserve-paths >/dev/null 2>&1)
python3 - "$root" "$out" "$verbose" <<'EOF'
import gzip, json, os, re, sys
root, out, verbose = os.path.realpath(sys.argv[1]), sys.argv[2], sys.argv[3] == "1"
src = os.path.join(root, "src") + os.sep
lines = {}  # file -> {line: covered}
for name in os.listdir(out):
    if not name.endswith(".gcov.json.gz"):
        continue
    with gzip.open(os.path.join(out, name), "rt") as f:
        data = json.load(f)
    cwd = data.get("current_working_directory", root)
    for entry in data["files"]:
        path = os.path.realpath(os.path.join(cwd, entry["file"]))
        rel = path[len(root) + 1:]
        if not path.startswith(src) or rel.startswith("src/win/") or re.search(r"_win\.(cpp|h)$", rel):
            continue
        seen = lines.setdefault(rel, {})
        for line in entry["lines"]:
            n = line["line_number"]
            seen[n] = seen.get(n, False) or line["count"] > 0
covered = total = 0
for rel in sorted(lines):
    c, t = sum(lines[rel].values()), len(lines[rel])
    covered, total = covered + c, total + t
    if verbose and t:
        print(f"{c:5} of {t:5}  {100.0 * c / t:5.1f}%  {rel}")
print(f"portable line coverage: {covered} of {total} lines, {100.0 * covered / max(1, total):.1f}%")
EOF
