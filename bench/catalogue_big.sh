#!/usr/bin/env bash
# Very large inputs, run on demand (never part of CTest): time and peak memory.
#   bench/catalogue_big.sh [BUILD_DIR]        default build
#   1. quorlin-cli on corpus/fr-50m.txt repeated 20 times (1 GB), named and numeric, to a file
#      and to standard output: wall time, MB/s, peak RSS
#   2. the window on fr-50m.txt repeated 4 times (200 MB): open, convert, save, offscreen,
#      through bench/window_bench --big
#   3. the window converting corpus/fr.txt twenty times: peak memory growth
# The corpus is $QUORLIN_CORPUS (default corpus), built with bench/make_corpus.sh when missing.
# The 1 GB file goes to $QUORLIN_BENCH_DIR (default /tmp/quorlin-big), kept for reruns.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(readlink -f "${1:-build}")
cli=$build/src/cli/quorlin-cli
window_bench=$build/bench/window_bench
corpus=${QUORLIN_CORPUS:-corpus}
dir=${QUORLIN_BENCH_DIR:-/tmp/quorlin-big}
mkdir -p "$dir"
if [ ! -f "$corpus/fr-50m.txt" ] || [ ! -f "$corpus/fr.txt" ]; then
  echo "catalogue_big.sh: building the corpus in $corpus" >&2
  bench/make_corpus.sh "$corpus" >/dev/null
fi

# repeat SRC TIMES FILE: FILE made of SRC TIMES times, unless it already is.
repeat() {
  local size=$(( $(stat -c %s "$1") * $2 ))
  [ -f "$3" ] && [ "$(stat -c %s "$3")" -eq "$size" ] && return 0
  for _ in $(seq "$2"); do cat "$1"; done > "$3"
}

# measure LABEL CMD...: prints wall time, peak RSS and MB/s of the input size $in_bytes.
measure() {
  local label=$1; shift
  local log=$dir/time.log
  /usr/bin/time -v "$@" 2>"$log" >/dev/null || { echo "$label: FAILED"; cat "$log"; return 1; }
  local wall rss
  wall=$(sed -n 's/.*Elapsed (wall clock) time.*: //p' "$log")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$log")
  python3 - "$label" "$wall" "$rss" "$in_bytes" <<'PY'
import sys
label, wall, rss, n = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
parts = [float(p) for p in wall.split(":")]
secs = parts[-1] + 60 * parts[-2] + (3600 * parts[-3] if len(parts) > 2 else 0)
print(f"{label:<34} {secs:8.2f} s {n / secs / 1e6:9.1f} MB/s   peak RSS {rss / 1024:8.1f} MB")
PY
}

echo "== quorlin-cli, fr-50m.txt repeated 20 times"
repeat "$corpus/fr-50m.txt" 20 "$dir/in-1g.txt"
in_bytes=$(stat -c %s "$dir/in-1g.txt")
echo "   input $in_bytes bytes"
measure "cli named -o file" "$cli" -o "$dir/out-1g.htm" "$dir/in-1g.txt"
echo "   output $(stat -c %s "$dir/out-1g.htm") bytes"
measure "cli numeric -o file" "$cli" --numeric -o "$dir/out-1g.htm" "$dir/in-1g.txt"
measure "cli named to stdout" "$cli" "$dir/in-1g.txt"
rm -f "$dir/out-1g.htm"

if [ -x "$window_bench" ]; then
  echo "== window (offscreen): fr-50m.txt repeated 4 times, then fr.txt converted twenty times"
  "$window_bench" --big 4 "$corpus/fr-50m.txt" 2>&1 | grep -v -e XDG_RUNTIME -e propagateSizeHints
  "$window_bench" --repeat 20 "$corpus/fr.txt" 2>&1 | grep -v -e XDG_RUNTIME -e propagateSizeHints
else
  echo "== window: $window_bench not built, skipped"
fi
