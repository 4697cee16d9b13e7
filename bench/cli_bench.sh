#!/bin/bash
# Whole-process speed of quorlin-cli next to a plain copy (cat) and, when given,
# PHP's htmlentities, in one run. Output goes to /dev/null.
#   bench/cli_bench.sh PATH-TO-QUORLIN-CLI [CORPUS-DIR]
# Environment: PHP_PEER=path/to/htmlentities.php adds the PHP row (needs php-cli);
#   GEN_CORPUS=path/to/gen_corpus.sh builds CORPUS-DIR when it is missing (that
#   script needs the Debian packages manpages-fr manpages groff-base bsdextrautils python3).
set -eu
cli=$1
corpus=${2:-corpus}
if [ ! -f "$corpus/fr-50m.txt" ]; then
  [ -n "${GEN_CORPUS:-}" ] || { echo "no corpus in $corpus: set GEN_CORPUS to build it" >&2; exit 1; }
  sh "$GEN_CORPUS" "$corpus"
fi
runs=${RUNS:-10}
# seconds COMMAND...: best of $runs wall times.
seconds() {
  local best=
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null
    t1=$(date +%s.%N)
    best=$(echo "$t0 $t1 ${best:-}" | awk '{d=$2-$1; if ($3 != "" && $3 < d) d=$3; printf "%.6f", d}')
  done
  echo "$best"
}
for file in fr-50m.txt high.txt; do
  size=$(stat -c %s "$corpus/$file")
  cat_s=$(seconds cat "$corpus/$file")
  named_s=$(seconds "$cli" "$corpus/$file")
  numeric_s=$(seconds "$cli" --numeric "$corpus/$file")
  php_s=
  [ -n "${PHP_PEER:-}" ] && php_s=$(seconds php "$PHP_PEER" "$corpus/$file")
  awk -v f="$file" -v n="$size" -v c="$cat_s" -v a="$named_s" -v b="$numeric_s" -v p="$php_s" 'BEGIN {
    mb = n / 1e6
    printf "%s (%.1f MB)\n", f, mb
    printf "  cat                 %8.0f MB/s\n", mb / c
    if (p != "") printf "  php htmlentities    %8.0f MB/s\n", mb / p
    printf "  quorlin-cli named   %8.0f MB/s  (%.1fx slower than cat", mb / a, a / c
    if (p != "") printf ", %.1fx PHP", p / a
    printf ")\n  quorlin-cli numeric %8.0f MB/s\n", mb / b
  }'
done
