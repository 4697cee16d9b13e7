#!/usr/bin/env bash
# Bad input through the real quorlin-cli: every case checks the message, the
# exit status (a clean 1, never a crash), and that no text or file was lost.
# Usage: cli_bad_input_test.sh PATH/TO/quorlin-cli
# Cases that need root-only means (another user, a small tmpfs) say SKIP when
# those are missing; the rest always run.
set -u
cli=$(readlink -f "$1")
work=$(mktemp -d)
chmod 755 "$work"
mounted=""
cleanup() {
  [ -n "$mounted" ] && umount "$mounted" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
skip() { echo "SKIP: $*"; }

# run ARGS...: runs the CLI, sets $status, $out (stdout file) and $err (stderr text).
run() {
  "$@" >"$work/stdout" 2>"$work/stderr"
  status=$?
  err=$(cat "$work/stderr")
}
# expect_failure CASE STATUS MESSAGE: exit status and the exact message line on stderr.
expect_failure() {
  local name=$1 want=$2 message=$3
  if [ "$status" -ne "$want" ]; then
    fail "$name: exit status $status, expected $want (stderr: $err)"
  elif ! grep -qF -- "$message" "$work/stderr"; then
    fail "$name: stderr '$err' does not give '$message'"
  else
    pass "$name"
  fi
}
# as_nobody ARGS...: runs a command as an unprivileged user, or returns 125.
as_nobody() {
  if command -v setpriv >/dev/null && [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
  else
    return 125
  fi
}
nobody_ok() { [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null && setpriv --reuid=65534 --regid=65534 --clear-groups "$cli" --help >/dev/null 2>&1; }

printf 'earlier output\r\n' >earlier.htm
cp earlier.htm earlier.orig
printf 'caf\xe9 <b>\r\n' >good.txt

# 1. A file that does not exist.
run "$cli" -o earlier.htm "$work/missing.txt"
expect_failure "missing file" 1 "Cannot open file $work/missing.txt"
cmp -s earlier.htm earlier.orig || fail "missing file: the earlier output changed"

# 2. A directory given as the input file.
mkdir adir
run "$cli" -o earlier.htm "$work/adir"
if [ "$status" -eq 1 ] && grep -qE "Cannot open file $work/adir|Stream read error" "$work/stderr"; then
  pass "directory as input"
else
  fail "directory as input: status $status, stderr '$err'"
fi
cmp -s earlier.htm earlier.orig || fail "directory as input: the earlier output changed"

# 3. A file without read permission (root reads everything: run as nobody).
if nobody_ok; then
  printf 'secret\r\n' >locked.txt
  chmod 000 locked.txt
  run as_nobody "$cli" "$work/locked.txt"
  expect_failure "unreadable file" 1 "Cannot open file $work/locked.txt"
  [ -s "$work/stdout" ] && fail "unreadable file: something was written to stdout"
else
  skip "unreadable file (needs root and setpriv)"
fi

# 4. Output into a read-only directory.
if nobody_ok; then
  mkdir rodir
  chmod 755 rodir
  chmod 644 good.txt
  run as_nobody "$cli" -o "$work/rodir/out.htm" "$work/good.txt"
  expect_failure "read-only directory" 1 "Cannot create file $work/rodir/out.htm"
  [ -z "$(ls -A rodir)" ] || fail "read-only directory: left $(ls -A rodir)"
  # A writable file there is written in place, unless it is also the input:
  # it would be emptied before it is read.
  cp earlier.htm rodir/page.htm && chmod 666 rodir/page.htm
  run as_nobody "$cli" -o "$work/rodir/page.htm" "$work/good.txt"
  [ "$status" -eq 0 ] && [ "$(cat rodir/page.htm)" = "$("$cli" good.txt)" ] \
    && pass "read-only directory: writable file written in place" \
    || fail "read-only directory, writable file: status $status ($err)"
  cp good.txt rodir/self.txt && chmod 666 rodir/self.txt
  run as_nobody "$cli" -o "$work/rodir/self.txt" "$work/rodir/self.txt"
  expect_failure "read-only directory: output is the input" 1 "c'est aussi le fichier lu"
  cmp -s rodir/self.txt good.txt || fail "read-only directory: the input was changed"
else
  skip "read-only directory (needs root and setpriv)"
fi

# 5. Output onto /dev/full, directly and through a symbolic link.
run "$cli" -o /dev/full good.txt
expect_failure "-o /dev/full" 1 "Stream write error"
[ -c /dev/full ] || fail "-o /dev/full: /dev/full is no longer a device"
ln -s /dev/full full-link
run "$cli" -o full-link good.txt
expect_failure "-o link to /dev/full" 1 "Stream write error"
[ -L full-link ] || fail "-o link to /dev/full: the link was replaced"
cmp -s earlier.htm earlier.orig || fail "/dev/full: the earlier output changed"

# 6. A disk that fills up during the write: the earlier file stays whole and no
#    temporary file is left beside it.
mkdir small
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=64k tmpfs small 2>/dev/null; then
  mounted=$work/small
  head -c 20000 /dev/zero | tr '\0' 'e' >small/page.htm
  cp small/page.htm page.orig
  head -c 60000 /dev/zero | tr '\0' '\351' >big.txt   # 60 KB of e-acute -> 480 KB out
  run "$cli" -o small/page.htm big.txt
  expect_failure "full disk" 1 "Stream write error"
  cmp -s small/page.htm page.orig || fail "full disk: the earlier file changed"
  [ "$(ls -A small)" = "page.htm" ] || fail "full disk: left behind: $(ls -A small | tr '\n' ' ')"
  umount small && mounted=""
else
  skip "full disk (needs root to mount a tmpfs)"
fi

# expect_output CASE EXPECTED-FILE ARGS...: a successful run whose stdout is EXPECTED-FILE.
expect_output() {
  local name=$1 expected=$2
  shift 2
  run "$cli" "$@"
  if [ "$status" -ne 0 ]; then
    fail "$name: exit status $status (stderr: $err)"
  elif ! cmp -s "$work/stdout" "$expected"; then
    fail "$name: output differs: $(cmp "$work/stdout" "$expected" 2>&1 | head -1)"
  else
    pass "$name"
  fi
}

# 7. A binary file: the text ends at the first zero byte.
printf 'a<b\xe9\r\nline 2\0rest \xff\r\nignored' >binary.bin
printf 'a&lt;b&eacute;\r\nline 2\r\n' >binary.named
printf 'a&#60;b&#233;\r\nline 2\r\n' >binary.numeric
expect_output "binary file, named" binary.named binary.bin
grep -qF "binary.bin : Le fichier contient un octet nul après 12 octets : seul le texte qui le précède a été lu." \
  "$work/stderr" || fail "binary file: no warning about the cut (stderr: $err)"
expect_output "binary file, numeric" binary.numeric --numeric binary.bin
head -c 4096 /dev/urandom >random.bin
run "$cli" random.bin
[ "$status" -eq 0 ] || fail "random bytes: exit status $status (stderr: $err)"

# 8. A UTF-16 file with a byte-order mark is read as UTF-16, whole.
printf '\xff\xfeP\0a\0s\0\r\0\n\0' >utf16.txt
printf 'Pas\r\n' >utf16.named
expect_output "UTF-16 with BOM" utf16.named utf16.txt
[ -s "$work/stderr" ] && fail "UTF-16 with BOM: a warning (stderr: $err)"
#    ...forced to Windows-1252, the bytes as they are: the text stops at the
#    first zero byte, after the mark and the first character, and says why.
printf '&yuml;&thorn;P\r\n' >utf16.cp1252
expect_output "UTF-16 read as Windows-1252" utf16.cp1252 --cp1252 utf16.txt
grep -qF "utf16.txt : Ce fichier semble enregistré en UTF-16 : lu en Windows-1252" "$work/stderr" ||
  fail "UTF-16 read as Windows-1252: no warning (stderr: $err)"
#    ...and read as UTF-8 it is invalid: an error naming line and column, OUT untouched.
run "$cli" --utf8 -o earlier.htm utf16.txt
if [ "$status" -eq 1 ] && grep -qiE 'ligne *1.*colonne *1|line *1.*col' "$work/stderr"; then
  pass "UTF-16 read as UTF-8"
else
  fail "UTF-16 read as UTF-8: status $status, stderr '$err'"
fi
cmp -s earlier.htm earlier.orig || fail "UTF-16 read as UTF-8: the earlier output changed"
rm -f utf16.out
run "$cli" --utf8 -o utf16.out utf16.txt
[ -e utf16.out ] && fail "UTF-16 read as UTF-8: created the output file"

# 9. A 10 MB line without any break, converted whole, in both modes.
python3 - <<'PY'
unit = b'x<\xe9.'
n = 2_500_000
open('long.txt', 'wb').write(unit * n)
open('long.named', 'wb').write(b'x&lt;&eacute;.' * n + b'\r\n')
open('long.numeric', 'wb').write(b'x&#60;&#233;.' * n + b'\r\n')
PY
expect_output "10 MB line, named" long.named long.txt
expect_output "10 MB line, numeric" long.numeric --numeric long.txt
run "$cli" -o long.out long.txt
cmp -s long.out long.named && pass "10 MB line to a file" || fail "10 MB line to a file: status $status"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "all cases passed"
