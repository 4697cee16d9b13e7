#!/bin/bash
# quorlin-cli against the independent per-character reference (reference.py) on
# real and adversarial inputs, in both modes, plus its exit statuses and its
# promise never to leave a half-written output file.
#   cli_reference_test.sh PATH-TO-QUORLIN-CLI
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
ref="$here/reference.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# Inputs.
python3 - <<'PY'
import random
r = random.Random(1209)
def w(name, data): open(name, 'wb').write(data)
w('empty.txt', b'')
w('breaks.txt', b'a\rb\nc\r\nd\n\re\r\r\n\n' * 3 + b'\r')
w('nul.txt', b'caf\xe9 <b>\r\nsuite\0apr\xe8s le z\xe9ro\r\n')
w('nul-first.txt', b'\0abc')
w('dots.txt', b'.\r\n..\r\n...\r\n....\r\n.....\r\n......\r\nab..\n.cd\n. . .\na...b\n' * 50 + b'..')
w('random.bin', bytes(r.randrange(256) for _ in range(300_000)))
w('random-nonul.bin', bytes(r.randrange(1, 256) for _ in range(300_000)))
w('allbytes.txt', bytes(range(1, 256)) * 40)
words = ['le', 'café', 'était', 'très', 'bon', '«', '»', 'où', 'ça', 'déjà', 'œuvre', '€', '…', '...',
         '<p>', 'R&D', '"cité"', 'l’été', 'naïve', 'Noël', '—', 'à', 'côté']
lines = []
size = 0
while size < 3_000_000:
    line = ' '.join(r.choice(words) for _ in range(r.randrange(0, 25)))
    lines.append(line)
    size += len(line) + 2
text = '\r\n'.join(lines) + '\r\n'
w('french.txt', text.encode('cp1252'))
w('french-lf.txt', text.replace('\r\n', '\n').encode('cp1252'))
w('french.utf8', ('\ufeff' + text).encode('utf-8'))
w('french-twin.utf8', text.encode('utf-8'))
w('french-twin.utf16le', b'\xff\xfe' + text.encode('utf-16-le'))
w('french-twin.utf16be', b'\xfe\xff' + text.encode('utf-16-be'))
w('small.utf16le', b'\xff\xfe' + text[:20000].encode('utf-16-le'))
# Marks that are not at the very start: the second read of 64 KB begins with one.
w('mark-at-64k.txt', b'a' * 65536 + b'\xff\xfe' + 'caf\xe9'.encode('cp1252') + b'\r\n')
w('mark8-at-64k.txt', b'a' * 65536 + b'\xef\xbb\xbf' + 'caf\xe9'.encode('utf-8') + b'\r\n')
# Characters beyond Windows-1252 and the Unicode line breaks.
w('beyond.utf8', 'Prix\u202f: 5 \u20ac \u2192 voir \xab\u202fici\u202f\xbb, \u03b1 \u2260 \u03b2 \U0001F600...\u2028'
  'ligne\u2029\u017d\u0080\u2026\r\n'.encode('utf-8'))
w('long.txt', b'x<\xe9.' * 2_500_000)  # 10 MB, no break
cps = [r.choice([r.randrange(32, 127), r.randrange(0xA0, 0x800), r.randrange(0x800, 0xD800),
                 r.randrange(0x10000, 0x110000), 0x20AC, 0x2026, 0x2192, 46, 13, 10]) for _ in range(200_000)]
w('random.utf8', ''.join(map(chr, cps)).encode('utf-8'))
PY

# compare NAME ARGS...: the CLI's stdout equals the reference's.
compare() {
  local name=$1
  shift
  if ! "$cli" "$@" >cli.out 2>cli.err; then
    fail "$name: exit status $? ($(head -c 200 cli.err))"
    return
  fi
  python3 "$ref" "$@" >ref.out
  if cmp -s cli.out ref.out; then
    pass "$name"
  else
    fail "$name: $(cmp cli.out ref.out 2>&1 | head -1)"
  fi
}

for f in empty.txt breaks.txt nul.txt nul-first.txt dots.txt random.bin random-nonul.bin allbytes.txt \
         french.txt french-lf.txt long.txt; do
  compare "$f named" "$f"
  compare "$f numeric" --numeric "$f"
done
compare "french.utf8 named" --utf8 french.utf8
compare "french.utf8 detected" french.utf8
compare "random.utf8 numeric" --utf8 --numeric random.utf8
compare "random.utf8 named" random.utf8
compare "beyond.utf8 named" beyond.utf8
compare "beyond.utf8 numeric" --numeric beyond.utf8
compare "beyond.utf8 read as Windows-1252" --cp1252 beyond.utf8
compare "mark at 64 KB" mark-at-64k.txt
compare "UTF-8 mark at 64 KB" mark8-at-64k.txt
compare "UTF-16 forced to Windows-1252" --cp1252 small.utf16le

# The French text in UTF-8 and UTF-16 gives what its Windows-1252 original gives.
"$cli" french.txt >original.out
for twin in french.utf8 french-twin.utf8 french-twin.utf16le french-twin.utf16be; do
  "$cli" "$twin" >twin.out 2>twin.err && cmp -s twin.out original.out && pass "$twin equals french.txt" \
    || fail "$twin differs from french.txt: $(cmp twin.out original.out 2>&1 | head -1) $(head -c 200 twin.err)"
  cat "$twin" | "$cli" - >twin.out 2>twin.err && cmp -s twin.out original.out && pass "$twin through a pipe" \
    || fail "$twin through a pipe differs: $(cmp twin.out original.out 2>&1 | head -1) $(head -c 200 twin.err)"
done

# Standard input and -o give the same bytes as standard output.
"$cli" --numeric - <french.txt >stdin.out || fail "stdin: exit status $?"
"$cli" --numeric french.txt >file.out
cmp -s stdin.out file.out && pass "stdin" || fail "stdin differs"
"$cli" --numeric -o o.htm french.txt && cmp -s o.htm file.out && pass "-o" || fail "-o differs"
[ -z "$(ls -A | grep '^\.o\.htm')" ] || fail "-o left a temporary file"

# Exit statuses and messages.
expect() {  # NAME STATUS MESSAGE ARGS...
  local name=$1 want=$2 message=$3
  shift 3
  "$cli" "$@" >/dev/null 2>err.txt
  local status=$?
  if [ "$status" -ne "$want" ]; then
    fail "$name: exit status $status, expected $want ($(cat err.txt))"
  elif ! grep -qF -- "$message" err.txt; then
    fail "$name: stderr '$(cat err.txt)' lacks '$message'"
  else
    pass "$name"
  fi
}
printf 'earlier\r\n' >earlier.htm
cp earlier.htm earlier.orig
expect "missing file" 1 "Cannot open file missing.txt" -o earlier.htm missing.txt
expect "directory" 1 "Cannot open file $work" -o earlier.htm "$work"
expect "output in missing directory" 1 "Cannot create file nodir/out.htm" -o nodir/out.htm french.txt
expect "/dev/full" 1 "Stream write error" -o /dev/full french.txt
"$cli" french.txt >/dev/full 2>err.txt; [ $? -eq 1 ] && grep -q "Stream write error" err.txt \
  && pass "stdout redirected to /dev/full" || fail "stdout redirected to /dev/full"
expect "unknown option" 2 "option inconnue" --bogus french.txt
expect "-o without name" 2 "Usage" -o
expect "two inputs" 2 "Usage" french.txt dots.txt
expect "both encodings forced" 2 "s'excluent" --cp1252 --utf8 french.txt
printf 'ok\n\xc3\xa9\xff\n' >bad.utf8
expect "invalid UTF-8" 1 "bad.utf8 : UTF-8 invalide à la ligne 2, colonne 2" --utf8 -o earlier.htm bad.utf8
cmp -s earlier.htm earlier.orig && pass "earlier output kept" || fail "earlier output changed"
rm -f new.htm
"$cli" --utf8 -o new.htm bad.utf8 2>/dev/null
[ -e new.htm ] && fail "invalid UTF-8 created the output" || pass "invalid UTF-8 created nothing"
# Detected, the same file is Windows-1252: its first non-ASCII sequence is UTF-8, a later one is not.
compare "valid UTF-8, then not: Windows-1252" bad.utf8
# Through a pipe the first non-ASCII bytes decide, and the contradiction stops the command.
cat bad.utf8 | "$cli" -o earlier.htm - 2>err.txt
status=$?
[ "$status" -eq 1 ] && grep -qF "entrée standard : UTF-8 invalide à la ligne 2, colonne 2" err.txt \
  && pass "pipe contradicted" || fail "pipe contradicted: status $status, $(cat err.txt)"
cmp -s earlier.htm earlier.orig && pass "earlier output kept after the pipe" || fail "earlier output changed by the pipe"
printf '\xff\xfea\0\0\xd8b\0' >lone.utf16
expect "UTF-16 with a lone surrogate" 1 "lone.utf16 : UTF-16 invalide à la ligne 1, colonne 2" -o earlier.htm lone.utf16
printf '\xff\xfea\0b' >odd.utf16
expect "UTF-16 of an odd length" 1 "nombre impair d'octets" -o earlier.htm odd.utf16
cmp -s earlier.htm earlier.orig && pass "earlier output kept after UTF-16 errors" || fail "earlier output changed"
[ "$(ls -A | grep -c '^\.')" -eq 0 ] || fail "temporary files left: $(ls -A | grep '^\.')"
"$cli" --help >help.txt && grep -q "Usage" help.txt && grep -q "numérique" help.txt && grep -q -- "--cp1252" help.txt \
  && grep -q "UTF-16" help.txt && pass "--help in French" || fail "--help"

# Permissions of an existing output file are kept.
printf 'x' >perm.htm && chmod 640 perm.htm
"$cli" -o perm.htm dots.txt && [ "$(stat -c %a perm.htm)" = 640 ] && pass "permissions kept" \
  || fail "permissions: $(stat -c %a perm.htm)"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
