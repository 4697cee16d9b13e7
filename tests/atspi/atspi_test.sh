#!/usr/bin/env bash
# The screen reader's view of the running program, read from the real AT-SPI
# tree: an X server, a session bus with the accessibility bus on it, the
# program started on a file as "Open with" starts it, then tree_check.py.
#   atspi_test.sh QUORLIN_EXECUTABLE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${QUORLIN_ATSPI_INSIDE:-}" ]; then
  exec env QUORLIN_ATSPI_INSIDE=1 bash "$here/../xvfb-run.sh" \
    dbus-run-session -- bash "$here/atspi_test.sh" "$@"
fi
"${ATSPI_BUS_LAUNCHER:-/usr/libexec/at-spi-bus-launcher}" --launch-immediately &
bus=$!
letter=$(mktemp -d)
printf 'Lettre pour Quorlin\r\nseconde ligne\r\n' >"$letter/lettre.txt"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$1" "$letter/lettre.txt" &
app=$!
/usr/bin/python3 "$here/tree_check.py" "Lettre pour Quorlin
seconde ligne
"
status=$?
kill "$app" "$bus" 2>/dev/null
wait "$app" "$bus" 2>/dev/null
rm -rf "$letter"
exit $status
