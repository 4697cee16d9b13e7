#!/usr/bin/env bash
# Runs a command as a client of a headless Weston compositor of its own, as
# xvfb-run does for X11:
#   weston-run.sh COMMAND [ARGUMENTS...]
# Weston wants XDG_RUNTIME_DIR, a folder of mode 0700: a fresh one is made and
# removed afterwards. The command's exit status is the script's.
set -uo pipefail

runtime=$(mktemp -d "${TMPDIR:-/tmp}/quorlin-weston-XXXXXX") || exit 1
chmod 0700 "$runtime"
socket=wayland-quorlin
weston_pid=
finish() {
  if [ -n "$weston_pid" ]; then
    kill "$weston_pid" 2>/dev/null
    wait "$weston_pid" 2>/dev/null
  fi
  rm -rf "$runtime"
}
trap finish EXIT

XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --use-pixman --socket="$socket" \
  --width=1280 --height=1024 --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!

# Ready once the socket is there (20 s at most).
for _ in $(seq 400); do
  [ -S "$runtime/$socket" ] && break
  if ! kill -0 "$weston_pid" 2>/dev/null; then
    echo "weston-run.sh: weston ended before it was ready:" >&2
    cat "$runtime/weston.log" >&2
    exit 1
  fi
  sleep 0.05
done
if [ ! -S "$runtime/$socket" ]; then
  echo "weston-run.sh: no Wayland socket after 20 s" >&2
  cat "$runtime/weston.log" >&2
  exit 1
fi

# A headless Weston has no seat (no keyboard, no pointer, no clipboard). Qt 6.4's
# Wayland input method then dereferences the missing seat on the first key
# event that a test sends, so the tests go without it; a real session has a seat.
XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland QT_IM_MODULE=none "$@"
