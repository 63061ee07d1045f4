#!/usr/bin/env bash
# naming.sh [--fix] [BUILD_DIR]: checks the names of the project's own code (src, tests, bench)
# against the rule in .clang-tidy, with clang-tidy and the compile commands CMake writes in
# BUILD_DIR (default build; build it first, the generated headers must exist). Prints every
# name that breaks the rule and exits non-zero when there is one.
# With --fix it renames them instead, declarations and uses together, in every translation
# unit at once (clang-apply-replacements merges the edits made to shared headers). The fuzz
# harnesses are compiled only in build-fuzz (scripts/fuzz.sh): when its compile commands
# exist, their uses are renamed in the same pass. A constant's "k" prefix is dropped, not
# capitalised (kSize becomes Size).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
fix=0
if [ "${1:-}" = "--fix" ]; then fix=1; shift; fi
build=${1:-build}
jobs=${VENTARO_NAMING_JOBS:-$(nproc)}
db="$build/compile_commands.json"
[ -f "$db" ] || { echo "naming.sh: no $db; build first (scripts/build.sh $build)" >&2; exit 2; }
# Only the files of the tree; the build folder's moc, uic and rcc output is left out.
files="^$root/(src|tests|bench)/"
# Headers too, but only those of the tree: a build folder inside the checkout has
# bench/... and tests/... folders of its own, full of generated headers.
headers=(-header-filter "^$root/(src|tests|bench)/[^/]+/[^/]+\.h$")

if [ $fix -eq 0 ]; then
  log=$(mktemp)
  trap 'rm -f "$log"' EXIT
  status=0
  run-clang-tidy -p "$build" -j "$jobs" -quiet "${headers[@]}" "$files" >"$log" 2>&1 || status=$?
  found=$(sed -E 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '(warning|error): ' | sort -u || true)
  if [ -n "$found" ]; then
    echo "$found"
    echo "naming.sh: $(echo "$found" | grep -c 'readability-identifier-naming' || true) names break the rule" \
         "(scripts/naming.sh --fix renames those it can)" >&2
    exit 1
  fi
  if [ $status -ne 0 ]; then
    sed -E 's/\x1b\[[0-9;]*m//g' "$log" | tail -n 40
    echo "naming.sh: clang-tidy failed" >&2
    exit 1
  fi
  echo "naming.sh: all names follow the rule"
  exit 0
fi

fixes=${VENTARO_NAMING_FIXES:-$(mktemp -d)}
mkdir -p "$fixes"
[ -n "${VENTARO_NAMING_FIXES:-}" ] || trap 'rm -rf "$fixes"' EXIT
run-clang-tidy -p "$build" -j "$jobs" -quiet "${headers[@]}" -export-fixes "$fixes/tree.yaml" "$files" >/dev/null 2>&1 || true
if [ -f build-fuzz/compile_commands.json ]; then
  run-clang-tidy -p build-fuzz -j "$jobs" -quiet "${headers[@]}" -export-fixes "$fixes/fuzz.yaml" \
      "^$root/tests/fuzz/" >/dev/null 2>&1 || true
fi
for f in "$fixes"/*.yaml; do
  sed -i -E "s/^( *ReplacementText: *'?)K([A-Z])/\1\2/" "$f"
done
clang-apply-replacements "$fixes"
echo "naming.sh: renames applied; build, then run scripts/naming.sh to check what is left"
