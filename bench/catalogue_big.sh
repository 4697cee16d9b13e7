#!/usr/bin/env bash
# Very large inputs, run on demand (never part of CTest): time and peak memory.
#   bench/catalogue_big.sh [BUILD_DIR]        default build
#   1. quorlin-cli on a 1 GB file, named and numeric, to a file: wall time, MB/s, peak RSS
#   2. the window on a 200 MB file (open, convert, save), offscreen, through bench/window_bench
#   3. the window converting a 10 MB text twenty times: peak memory growth
# Scratch files go to $QUORLIN_BENCH_DIR (default /tmp/quorlin-big), kept for reruns.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(readlink -f "${1:-build}")
cli=$build/src/cli/quorlin-cli
window_bench=$build/bench/window_bench
dir=${QUORLIN_BENCH_DIR:-/tmp/quorlin-big}
mkdir -p "$dir"

# make_text FILE BYTES: French-like Windows-1252 text with markup, accents,
# ellipses and CR LF / lone LF line ends, one 16 MB block repeated.
make_text() {
  [ -f "$1" ] && [ "$(stat -c %s "$1")" -eq "$2" ] && return 0
  python3 - "$1" "$2" <<'PY'
import random, sys
path, size = sys.argv[1], int(sys.argv[2])
r = random.Random(1252)
words = [b"le", b"caf\xe9", b"\xe9t\xe9", b"na\xefve", b"<b>", b"</b>", b"&", b"...", b"\xab", b"\xbb",
         b"\x80", b"\x85", b"co\xfbt", b"Fran\xe7ais", b"a", b"de", b"\"x\"", b"1.5", b"....", b"\x9c"]
block = bytearray()
while len(block) < 16 << 20:
    block += b" ".join(words[r.randrange(len(words))] for _ in range(r.randrange(1, 20)))
    block += b"\r\n" if r.random() < 0.9 else b"\n"
with open(path, "wb") as f:
    left = size
    while left > 0:
        f.write(block[:left]); left -= min(left, len(block))
PY
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

echo "== quorlin-cli, 1 GB"
make_text "$dir/in-1g.txt" 1000000000
in_bytes=1000000000
measure "cli named -o file" "$cli" -o "$dir/out-1g.htm" "$dir/in-1g.txt"
echo "   output $(stat -c %s "$dir/out-1g.htm") bytes"
measure "cli numeric -o file" "$cli" --numeric -o "$dir/out-1g.htm" "$dir/in-1g.txt"
measure "cli named to stdout" "$cli" "$dir/in-1g.txt"
rm -f "$dir/out-1g.htm"

if [ -x "$window_bench" ]; then
  echo "== window (offscreen), 200 MB, and 10 MB converted twenty times"
  make_text "$dir/in-200m.txt" 200000000
  make_text "$dir/in-10m.txt" 10000000
  "$window_bench" "$dir" in-200m.txt 2>&1 | grep -v -e XDG_RUNTIME -e propagateSizeHints
  "$window_bench" --repeat 20 "$dir/in-10m.txt" 2>&1 | grep -v -e XDG_RUNTIME -e propagateSizeHints
else
  echo "== window: $window_bench not built, skipped"
fi
