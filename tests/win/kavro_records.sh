#!/usr/bin/env bash
# The records fixture of the Windows tests: what Kavro's runs keep in %LOCALAPPDATA%\Kavro (the
# journals, set-aside journals, run logs and kavro.com's run folders) in the test prefixes of
# build folder $2 (every lane's; scripts/wine-vars.sh).
#   clear  removes them (before the suite: leftovers of a benchmark or of a broken earlier run)
#   check  fails, naming them, if a test left any behind; then removes them
# A record left behind is offered to the next kavro.exe started in that prefix as a run to resume.
set -uo pipefail
mode=${1:?usage: kavro_records.sh clear|check <build-dir>}
build=$(cd "${2:?usage: kavro_records.sh clear|check <build-dir>}" && pwd)
left=()
for data in "$build"/wine/prefix/drive_c/users/*/AppData/Local/Kavro \
            "$build"/wine/lane-*/prefix/drive_c/users/*/AppData/Local/Kavro; do
  [ -d "$data" ] || continue
  while IFS= read -r -d '' file; do
    left+=("$file")
  done < <(find "$data/journal" "$data/logs" "$data/core" -type f -print0 2>/dev/null)
done
if [ "$mode" = check ] && [ ${#left[@]} -gt 0 ]; then
  echo "The Windows tests left ${#left[@]} record(s) of Kavro's runs behind:"
  printf '  %s\n' "${left[@]#"$build/"}"
fi
for file in "${left[@]}"; do rm -f -- "$file"; done
[ "$mode" = clear ] || [ ${#left[@]} -eq 0 ]
