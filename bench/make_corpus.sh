#!/usr/bin/env bash
# Build the benchmark corpora into DIR (default: corpus/ at the top of the tree).
#   bench/make_corpus.sh [DIR]        or ./dev.sh corpus [DIR], which installs what is missing
# The same Debian package versions give the same bytes: the prose comes from man pages rendered
# with groff, the synthetic files from a fixed-seed generator written out below. Prints, and
# writes to DIR/STATS, the package versions used and each file's size, lines and share of bytes
# of 128 or more.
#   fr.txt, fr-50m.txt   French man pages (manpages-fr) in Windows-1252, CR LF, 10 and 50 MB
#   fr.utf8.txt, fr-50m.utf8.txt   the same through iconv -f cp1252 -t utf-8
#   line.txt             one line of 10 MB: the French words joined by spaces, then CR LF
#   ascii.txt            English man pages (manpages), ASCII, CR LF, 10 MB
#   high.txt             10 MB, about 90 % of bytes 128-255: the most expansion per byte
#   dots.txt             runs of one to seven full stops, some across line ends
#   mixed.txt            every byte value 1-255, lone CR and LF, LF CR, no final line break,
#                        then a NUL and bytes after it that a reader must ignore
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/corpus}
packages=(manpages-fr manpages groff-base libc-bin python3)
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    { echo "make_corpus.sh: package $p missing; ./dev.sh corpus installs it" >&2; exit 1; }
done
mkdir -p "$out"
versions=$(dpkg-query -W -f='${Package} ${Version}\n' "${packages[@]}")

# The rendering must not depend on the caller's locale, terminal or groff settings.
env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 SOURCE_DATE_EPOCH=0 \
  python3 - "$out" "$versions" <<'PY'
import concurrent.futures, gzip, hashlib, os, subprocess, sys

out, versions = sys.argv[1], sys.argv[2]
os.chdir(out)

# --- Prose: every real man page of a package, sorted by path, rendered as plain text.

def pages(package):
    listing = subprocess.run(["dpkg-query", "-L", package], capture_output=True, text=True,
                             check=True).stdout.split("\n")
    paths = sorted(p for p in listing if "/man/" in p and p.endswith(".gz")
                   and os.path.isfile(p) and not os.path.islink(p))
    for path in paths:
        source = gzip.open(path).read()
        if not source.startswith(b".so"):  # an alias for another page
            yield source

def render(source, device):
    # 78 columns, one continuous page, no bold or underline overstrikes.
    return subprocess.run(["groff", "-K", "utf-8", "-t", "-man", "-T" + device, "-rLL=78n",
                           "-rcR=1", "-P-cbou"], input=source, capture_output=True,
                          check=True).stdout

def render_all(package, device):
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count()) as pool:
        return b"".join(pool.map(lambda s: render(s, device), pages(package)))

# groff's typographic signs that Windows-1252 lacks, as a typist would write them; anything
# else outside the code page becomes "?", as when such text is pasted into the window.
TYPED = str.maketrans({"\u2010": "-", "\u2011": "-", "\u2212": "-", "\u27e8": "<",
                       "\u27e9": ">", "\u2500": "-", "\u2502": "|", "\u250c": "+",
                       "\u2510": "+", "\u2514": "+", "\u2518": "+", "\u251c": "+",
                       "\u2524": "+", "\u252c": "+", "\u2534": "+", "\u253c": "+"})

fr = render_all("manpages-fr", "utf8").decode("utf-8").translate(TYPED)
fr = fr.encode("cp1252", errors="replace").replace(b"\n", b"\r\n")
en = render_all("manpages", "ascii").translate(None, bytes(range(128, 256)))
en = en.replace(b"\n", b"\r\n")

def fill(base, size):
    """base repeated, cut after the last CR LF within size bytes"""
    data = base * (size // len(base) + 1)
    return data[:data.rindex(b"\r\n", 0, size) + 2]

def write(name, data):
    with open(name, "wb") as f:
        f.write(data)

write("fr.txt", fill(fr, 10_000_000))
write("fr-50m.txt", fill(fr, 50_000_000))
write("ascii.txt", fill(en, 10_000_000))
words = b" ".join(fr.split())
line = (words + b" ") * (10_000_000 // len(words) + 1)
write("line.txt", line[:line.rindex(b" ", 0, 10_000_000 - 2)] + b"\r\n")
for name in ("fr", "fr-50m"):
    with open(name + ".txt", "rb") as src, open(name + ".utf8.txt", "wb") as dst:
        subprocess.run(["iconv", "-f", "cp1252", "-t", "utf-8"], stdin=src, stdout=dst,
                       check=True)

# --- Synthetic files, from SplitMix64: its output is fixed by its definition, unlike a
# library generator's, whose mapping of seeds to numbers may change between versions.

class Rng:
    MASK = (1 << 64) - 1

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & self.MASK
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & self.MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & self.MASK
        return z ^ (z >> 31)

    def below(self, n):
        return self.next() % n

    def bytes(self, n):
        return b"".join(self.next().to_bytes(8, "little") for _ in range((n + 7) // 8))[:n]

r = Rng(1252)

# high.txt: lines of eight words of 4 to 19 bytes, each byte 128-255.
HIGH = bytes(128 | b for b in range(256))
data = bytearray()
while len(data) < 10_000_000:
    data += b" ".join(r.bytes(4 + r.below(16)).translate(HIGH) for _ in range(8)) + b"\r\n"
write("high.txt", fill(bytes(data), 10_000_000))

# dots.txt: lines of 0 to 15 tokens, runs of dots among short words; a line that ends in
# dots followed by one that starts with dots puts a run across the line end.
TOKENS = [b".", b"..", b"...", b"....", b".....", b"......", b".......", b"mot", b"\xe9t\xe9",
          b"Et", b"\xab", b"\xbb", b"a", b'"x"', b"1.5", b"&"]
data = bytearray()
while len(data) < 4_000_000:
    for _ in range(r.below(16)):
        data += TOKENS[r.below(len(TOKENS))] + (b" " if r.below(2) else b"")
    data += b"\r\n"
assert b".\r\n." in data
write("dots.txt", bytes(data))

# mixed.txt: each byte value 1-255 once, LF CR, then bytes drawn with extra dots, CR, LF and
# spaces; it ends without a line break, then a NUL and text after it.
ALPHABET = bytes(range(1, 256)) + b"." * 150 + b"\r" * 40 + b"\n" * 40 + b" " * 27
data = bytes(range(1, 256)) + b"\n\r" + bytes(ALPHABET[r.below(len(ALPHABET))]
                                            for _ in range(1_000_000)) + b"x"
write("mixed.txt", data + b"\0after the NUL: ignored\r\n")

# --- STATS: lines end at CR LF, lone CR or lone LF; lines and bytes >= 128 are counted up to
# the first NUL, where a reader stops.

NAMES = ["fr.txt", "fr-50m.txt", "fr.utf8.txt", "fr-50m.utf8.txt", "line.txt", "ascii.txt",
         "high.txt", "dots.txt", "mixed.txt"]
rows = ["# bench/make_corpus.sh, from these Debian packages:"]
rows += ["  " + v for v in versions.split("\n")]
rows.append("%-16s %11s %9s %7s  %s" % ("file", "bytes", "lines", ">=128", "sha256 (first 16)"))
for name in NAMES:
    with open(name, "rb") as f:
        whole = f.read()
    text = whole.split(b"\0", 1)[0]
    breaks = text.count(b"\n") + text.count(b"\r") - text.count(b"\r\n")
    lines = breaks + (not text.endswith((b"\r", b"\n")) and len(text) > 0)
    high = len(text) - len(text.translate(None, bytes(range(128, 256))))
    rows.append("%-16s %11d %9d %6.2f%%  %s" % (name, len(whole), lines,
                100.0 * high / max(1, len(text)), hashlib.sha256(whole).hexdigest()[:16]))
write("STATS", ("\n".join(rows) + "\n").encode())
print("\n".join(rows))
PY
