#!/usr/bin/env bash
# Builds the engine's libFuzzer targets with clang (fuzzer, address and
# undefined-behaviour sanitizers) into build-fuzz and runs each for a set time.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     default 60 s, every target
#   FUZZ_MERGE=1 scripts/fuzz.sh ...   then save the target's corpus minimised (below)
#   FUZZ_ARGS='-len_control=0' ...     more libFuzzer options for the runs
# Each target starts from its saved corpus (tests/fuzz/corpus/<target>/, copied to
# build-fuzz/corpus/) and writes any crashing input to build-fuzz/findings/<target>/.
# Exit status 1 when a target found something.
#
# The saved corpus is a few seeds per target, replayed by the test suite
# (fuzz.<target>.corpus). Regrow it when a target or the code it reaches changes:
#   FUZZ_MERGE=1 scripts/fuzz.sh 600 text_reader     # fuzz 10 minutes, then minimise
# Minimising is libFuzzer's merge in its set-cover form over branch (edge)
# coverage, -set_cover_merge=1 -use_counters=0: the fewest inputs that reach every
# branch the saved seeds and the run reached. It replaces the saved seeds; `git
# diff --stat tests/fuzz/corpus` shows the change. A new target needs a folder
# with one seed first. To see what a corpus reaches ("cov:" is branches):
#   build-fuzz/tests/fuzz/fuzz_<target> -runs=0 -max_len=8192 tests/fuzz/corpus/<target>
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
  # shellcheck disable=SC2086  # FUZZ_ARGS holds several options
  "$build/tests/fuzz/fuzz_$t" "$work" -max_total_time="$seconds" -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$findings/" ${FUZZ_ARGS:-} >"$log" 2>&1
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
    minimal=$build/minimal/$t
    rm -rf "$minimal"
    mkdir -p "$minimal"
    "$build/tests/fuzz/fuzz_$t" -set_cover_merge=1 -use_counters=0 -max_len=8192 "$minimal" \
      tests/fuzz/corpus/"$t" "$work" >"$build/merge-$t.log" 2>&1
    if [ -n "$(ls "$minimal")" ]; then
      rm -f tests/fuzz/corpus/"$t"/*
      cp "$minimal"/* tests/fuzz/corpus/"$t"/
      echo "  $t: $(ls tests/fuzz/corpus/"$t" | wc -l) seeds saved; $(grep -o \
        '[0-9]* new coverage edges' "$build/merge-$t.log" | tail -1 | cut -d' ' -f1) branches"
    else
      echo "  $t: the merge gave nothing; see $build/merge-$t.log" >&2
      found=1
    fi
  fi
done
exit $found
