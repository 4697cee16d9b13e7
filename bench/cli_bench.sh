#!/bin/bash
# Whole-process speed of quorlin-cli next to a plain copy (cat) and, when given,
# PHP's htmlentities, in one run. Output goes to /dev/null.
#   bench/cli_bench.sh PATH-TO-QUORLIN-CLI [CORPUS-DIR]      CORPUS-DIR defaults to corpus
# A missing corpus is built first with bench/make_corpus.sh (./dev.sh corpus installs
# the packages it needs).
# Environment: RUNS (default 10); PHP_PEER=bench/htmlentities.php adds the PHP row
#   (Debian package php-cli).
set -eu
cli=$1
corpus=${2:-corpus}
if [ ! -f "$corpus/fr-50m.txt" ] || [ ! -f "$corpus/high.txt" ]; then
  echo "cli_bench.sh: building the corpus in $corpus" >&2
  "$(dirname "$0")/make_corpus.sh" "$corpus" >/dev/null
fi
if [ -n "${PHP_PEER:-}" ] && ! command -v php >/dev/null; then
  echo "cli_bench.sh: PHP_PEER needs php (apt-get install php-cli)" >&2
  exit 1
fi
runs=${RUNS:-10}
# times COMMAND...: the best wall time of $runs runs and their median user CPU
# time, in seconds. On a busy machine the user time is the steadier figure (the
# kernel counts it in clock ticks, so it is coarse on short runs).
times() {
  local TIMEFORMAT='%3U' walls= user_log
  user_log=$(mktemp)
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(date +%s.%N)
    { time "$@" >/dev/null; } 2>>"$user_log"
    t1=$(date +%s.%N)
    walls="$walls $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }')"
  done
  local wall user
  wall=$(echo $walls | tr ' ' '\n' | sort -g | head -1)
  user=$(sort -g "$user_log" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  rm -f "$user_log"
  echo "$wall $user"
}
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), best wall time of $runs runs, median user time"
for file in fr-50m.txt high.txt; do
  size=$(stat -c %s "$corpus/$file")
  cat_t=$(times cat "$corpus/$file")
  named_t=$(times "$cli" "$corpus/$file")
  numeric_t=$(times "$cli" --numeric "$corpus/$file")
  php_t=
  [ -n "${PHP_PEER:-}" ] && php_t=$(times php "$PHP_PEER" "$corpus/$file")
  awk -v f="$file" -v n="$size" -v c="$cat_t" -v a="$named_t" -v b="$numeric_t" -v p="$php_t" 'BEGIN {
    mb = n / 1e6
    split(c, ct, " "); split(a, at, " "); split(b, bt, " "); split(p, pt, " ")
    printf "%s (%.1f MB)                 wall           user CPU\n", f, mb
    printf "  cat                 %8.0f MB/s  %8.3f s\n", mb / ct[1], ct[2]
    if (p != "") printf "  php htmlentities    %8.0f MB/s  %8.3f s\n", mb / pt[1], pt[2]
    printf "  quorlin-cli named   %8.0f MB/s  %8.3f s  (%.1fx the time of cat", mb / at[1], at[2], at[1] / ct[1]
    if (p != "") printf ", %.1fx the speed of PHP", pt[1] / at[1]
    printf ")\n  quorlin-cli numeric %8.0f MB/s  %8.3f s\n", mb / bt[1], bt[2]
  }'
done
