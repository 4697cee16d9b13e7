#!/bin/bash
# Whole-process speed of quorlin-cli next to a plain copy (cat) and, when given,
# PHP's htmlentities, in one run, with each row's goal. Output goes to /dev/null.
#   bench/cli_bench.sh PATH-TO-QUORLIN-CLI [CORPUS-DIR]      CORPUS-DIR defaults to corpus
# A missing corpus is built first with bench/make_corpus.sh (./dev.sh corpus installs
# the packages it needs).
# Environment: RUNS (default 10); PHP_PEER=bench/htmlentities.php adds the PHP row
#   (Debian package php-cli); QUORLIN_KERNEL=scalar|sse2|avx2|avx512 picks the
#   byte kernel (default: the fastest the processor runs).
# Peak memory (resident set, KB) comes from /usr/bin/time (Debian package time).
set -eu
cli=$1
corpus=${2:-corpus}
files=(fr-50m.txt high.txt fr-50m.utf8.txt)
for file in "${files[@]}"; do
  if [ ! -f "$corpus/$file" ]; then
    echo "cli_bench.sh: building the corpus in $corpus" >&2
    "$(dirname "$0")/make_corpus.sh" "$corpus" >/dev/null
    break
  fi
done
if [ -n "${PHP_PEER:-}" ] && ! command -v php >/dev/null; then
  echo "cli_bench.sh: PHP_PEER needs php (apt-get install php-cli)" >&2
  exit 1
fi
runs=${RUNS:-10}
# times COMMAND...: the best wall time of $runs runs and the median of their
# processor time (user and system), in seconds, then the peak resident set in KB
# ("-" without /usr/bin/time). On a busy machine the processor time is the
# steadier figure (the kernel counts it in clock ticks: coarse on short runs).
times() {
  local TIMEFORMAT='%3U %3S' walls= user_log peak=-
  user_log=$(mktemp)
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$EPOCHREALTIME
    { time "$@" >/dev/null; } 2>>"$user_log"
    t1=$EPOCHREALTIME
    walls="$walls $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }')"
  done
  if [ -x /usr/bin/time ]; then
    peak=$(/usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1)
  fi
  local wall user
  wall=$(echo $walls | tr ' ' '\n' | sort -g | head -1)
  user=$(awk '{ print $1 + $2 }' "$user_log" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  rm -f "$user_log"
  echo "$wall $user $peak"
}
# row LABEL SIZE CAT-TIMES TIMES GOAL-MB/S MAX-TIMES-CAT: one line of the table.
row() {
  awk -v label="$1" -v n="$2" -v c="$3" -v t="$4" -v goal="$5" -v ratio="$6" 'BEGIN {
    split(c, ct, " "); split(t, tt, " ")
    mbs = n / 1e6 / tt[1]; x = tt[1] / ct[1]
    text = ""
    if (goal != "") {
      text = sprintf(">= %d MB/s", goal); ok = mbs >= goal
      if (ratio != "") { text = text sprintf(", <= %.1fx cat", ratio); ok = ok && x <= ratio }
      text = text (ok ? ": met" : ": NOT MET")
    }
    cpu = tt[2] > 0 ? sprintf("%8.0f", n / 1e6 / tt[2]) : "       -"
    printf "  %-28s %7.0f %s %7.3f %6.2f %8s  %s\n", label, mbs, cpu, tt[2], x, tt[3], text
  }'
}
echo "load average $(cut -d' ' -f1-3 /proc/loadavg) at the start. MB/s: of the best wall time of" \
  "$runs runs; cpu MB/s and cpu s: of the median processor time (user + system); x cat: best" \
  "wall time over cat's; peak KB: resident set"
echo "kernel: ${QUORLIN_KERNEL:-the fastest this processor runs}"
for file in "${files[@]}"; do
  path=$corpus/$file
  size=$(stat -c %s "$path")
  printf "%-30s    MB/s cpu MB/s   cpu s  x cat  peak KB  goal\n" \
    "$file ($(awk -v n="$size" 'BEGIN { printf "%.1f", n / 1e6 }') MB)"
  cat_t=$(times cat "$path")
  row "cat" "$size" "$cat_t" "$cat_t" "" ""
  if [ -n "${PHP_PEER:-}" ] && [ "$file" != fr-50m.utf8.txt ]; then
    row "php htmlentities" "$size" "$cat_t" "$(times php "$PHP_PEER" "$path")" "" ""
  fi
  case $file in
    fr-50m.txt)
      row "quorlin-cli named" "$size" "$cat_t" "$(times "$cli" "$path")" 3000 2.5
      row "quorlin-cli --numeric" "$size" "$cat_t" "$(times "$cli" --numeric "$path")" 3000 ""
      ;;
    high.txt)
      row "quorlin-cli named" "$size" "$cat_t" "$(times "$cli" "$path")" 1000 ""
      row "quorlin-cli --numeric" "$size" "$cat_t" "$(times "$cli" --numeric "$path")" "" ""
      ;;
    fr-50m.utf8.txt)
      row "quorlin-cli --utf8 named" "$size" "$cat_t" "$(times "$cli" --utf8 "$path")" 2000 ""
      # The default detection reads the file once and checks it while encoding.
      row "quorlin-cli named (default)" "$size" "$cat_t" "$(times "$cli" "$path")" 2000 ""
      ;;
  esac
done
echo "load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
