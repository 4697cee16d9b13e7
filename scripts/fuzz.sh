#!/usr/bin/env bash
# Builds the engine's libFuzzer targets with clang (fuzzer, address and
# undefined-behaviour sanitizers) into build-fuzz and runs each for a set time.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     default 60 s, every target
#   FUZZ_MERGE=1 scripts/fuzz.sh ...   also merge new coverage into tests/fuzz/corpus/
# Each target starts from its saved corpus (tests/fuzz/corpus/<target>/, copied to
# build-fuzz/corpus/) and writes any crashing input to build-fuzz/findings/<target>/.
# Exit status 1 when a target found something.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
build=build-fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g"

command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is needed (apt-get install clang libclang-rt-14-dev)" >&2; exit 2; }
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" \
  -DQUORLIN_FUZZ=ON -DQUORLIN_BUILD_GUI=OFF -DQUORLIN_BUILD_BENCH=OFF >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for d in tests/fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1
found=0
printf '%-12s %12s %10s %8s %s\n' target executions "exec/s" corpus findings
for t in "${targets[@]}"; do
  work=$build/corpus/$t findings=$build/findings/$t log=$build/fuzz-$t.log
  mkdir -p "$work" "$findings"
  cp -n tests/fuzz/corpus/"$t"/* "$work"/ 2>/dev/null || true
  set +e
  "$build/tests/fuzz/fuzz_$t" "$work" -max_total_time="$seconds" -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1
  status=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  n=$(find "$findings" -type f | wc -l)
  printf '%-12s %12s %10s %8s %s\n' "$t" "${execs:-?}" "${rate:-?}" "$(ls "$work" | wc -l)" "$n"
  if [ "$status" -ne 0 ] || [ "$n" -ne 0 ]; then
    found=1
    echo "  exit status $status; see $log and $findings/" >&2
    grep -m5 -E 'MISMATCH|ERROR|runtime error' "$log" >&2 || true
  fi
  if [ "${FUZZ_MERGE:-0}" = 1 ]; then
    "$build/tests/fuzz/fuzz_$t" -merge=1 -max_len=8192 tests/fuzz/corpus/"$t" "$work" >/dev/null 2>&1
  fi
done
exit $found
