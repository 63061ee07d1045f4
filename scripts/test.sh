#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite twice: once in
# an ordinary build, once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)

echo "== build"
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENTARO_WERROR=ON
echo "== names"
bash scripts/naming.sh build
echo "== tests"
(cd build && ctest --output-on-failure -j "$jobs" "$@")

echo "== sanitizer build"
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVENTARO_SANITIZE=ON -DVENTARO_WERROR=ON
echo "== sanitizer tests"
supp="$PWD/scripts/lsan.supp"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd build-asan && ctest --output-on-failure -j "$jobs" "$@")

# Every fuzz harness for a short while (VENTARO_FUZZ_SECONDS each, 0 leaves
# them out); a crash, sanitizer report or broken contract fails the run.
fuzz_seconds=${VENTARO_FUZZ_SECONDS:-20}
if [ "$fuzz_seconds" -gt 0 ]; then
  echo "== fuzz harnesses"
  bash scripts/fuzz.sh "$fuzz_seconds"
fi
