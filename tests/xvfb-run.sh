#!/usr/bin/env bash
# Runs a command on a fresh Xvfb, as xvfb-run does, without its race: Xvfb picks
# a free display itself (-displayfd) and names it only once it accepts clients,
# so a server of the test before that is still shutting down is never taken
# for a free one.
#   xvfb-run.sh COMMAND [ARGS...]
set -u
out=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$out" 2>"$out.log" &
xvfb=$!
finish() {
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -f "$out" "$out.log"
}
trap finish EXIT

# Ready once it has written its display number (20 s at most).
for _ in $(seq 400); do
  [ -s "$out" ] && break
  if ! kill -0 "$xvfb" 2>/dev/null; then
    echo "xvfb-run.sh: Xvfb ended before it was ready:" >&2
    cat "$out.log" >&2
    exit 1
  fi
  sleep 0.05
done
display=$(head -n 1 "$out")
if [ -z "$display" ]; then
  echo "xvfb-run.sh: Xvfb gave no display after 20 s" >&2
  exit 1
fi
DISPLAY=:$display "$@"
