#!/bin/sh
# Rebuild resources/help/Quorlin.chm from its HTML sources (Windows-1252).
# Needs chmcmd (Debian package fp-utils). The result is committed, so an
# ordinary build does not need fp-utils.
set -eu
cd "$(dirname "$0")/../resources/help"
command -v chmcmd >/dev/null || { echo "build-help.sh: apt-get install fp-utils" >&2; exit 1; }
chmcmd --no-html-scan Quorlin.hhp
