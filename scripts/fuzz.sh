#!/usr/bin/env bash
# fuzz.sh [seconds] [harness...]: builds the libFuzzer harnesses in build-fuzz/
# (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each one in
# turn for the given seconds (default 60), all of them unless some are named.
# Seeds come from tests/fuzz/corpus/<harness>/ (and the voice banks in
# tests/data); what a run adds grows fuzz-corpus/<harness>/, and inputs that
# crash, leak, hang or break a reader's contract are kept in
# fuzz-findings/<harness>/. Exits non-zero when any harness found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
all=(voices bank library mocatalog rtmidiparser slotnames dumpfile settings vldoc simulator cli)
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=("${all[@]}")

# Longest input per harness: room for what each reader takes whole (a voice,
# a 64-voice bank, a few library voices, the documentation table's lines).
declare -A maxLen=([voices]=2048 [bank]=12288 [library]=16384 [mocatalog]=8192
                   [rtmidiparser]=4096 [slotnames]=4096 [dumpfile]=256 [settings]=2048
                   [vldoc]=16384 [simulator]=12288 [cli]=1024)
declare -A extraSeeds=([bank]=tests/data [simulator]=tests/data)

bash scripts/setup.sh
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ventaro-ccache}
export CCACHE_BASEDIR=$PWD
export CCACHE_NOHASHDIR=1
# One build at a time: two runs building the same tree at once spoil it.
mkdir -p build-fuzz
(
  flock 9
  if [ ! -f build-fuzz/build.ninja ]; then
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENTARO_FUZZ=ON \
          -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  fi
  cmake --build build-fuzz --target fuzzers
) 9>build-fuzz/.build-lock

supp="$PWD/scripts/lsan.supp"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LANG=C QT_QPA_PLATFORM=offscreen
export XDG_CONFIG_HOME="$PWD/build-fuzz/fuzz-home/config" XDG_DATA_HOME="$PWD/build-fuzz/fuzz-home/data"

failed=()
for h in "${harnesses[@]}"; do
  [ -n "${maxLen[$h]:-}" ] || { echo "fuzz.sh: no harness \"$h\" (${all[*]})" >&2; exit 2; }
  mkdir -p "fuzz-corpus/$h" "fuzz-findings/$h"
  log="fuzz-findings/$h.log"
  seeds=("tests/fuzz/corpus/$h")
  [ -n "${extraSeeds[$h]:-}" ] && seeds+=("${extraSeeds[$h]}")
  echo "== fuzz $h (${seconds}s)"
  status=0
  "build-fuzz/tests/fuzz/fuzz_$h" "fuzz-corpus/$h" "${seeds[@]}" \
      -max_total_time="$seconds" -max_len="${maxLen[$h]}" -timeout=25 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="fuzz-findings/$h/" >"$log" 2>&1 || status=$?
  # The last status line (executions, coverage, features) and the totals.
  grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -n 1 || true
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|^memory:' "$log" || true
  if [ "$status" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|contract broken' "$log"; then
    echo "fuzz $h: FOUND SOMETHING (exit $status), see $log and fuzz-findings/$h/"
    grep -E 'ERROR:|runtime error:|contract broken|Test unit written' "$log" | head -n 5 || true
    failed+=("$h")
  fi
done

[ ${#failed[@]} -gt 0 ] && echo "findings in: ${failed[*]}"
echo "fuzz: $((${#harnesses[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
