#!/usr/bin/env python3
"""Straightforward reference for quorlin-cli, written apart from the engine.

    reference.py [--numeric] [--cp1252 | --utf8] FILE > OUT

Reads FILE as the window does. The encoding, unless forced: a UTF-8 or UTF-16
byte-order mark (left out), else UTF-8 when the text is valid UTF-8 holding a
non-ASCII character, else Windows-1252. The text ends at the first zero
character. CR LF, CR, LF (and in Unicode text U+2028, U+2029) each end a line;
each line is converted with a fresh full-stop run and ends with CR LF. A
character that Windows-1252 holds is written as its byte is; any other by its
HTML 4.01 name in named mode (if browsers still read the name as that
character: not "lang" and "rang"), else as its code point; U+FDD0 and U+FDD1 are
read as U+FFFD. Exit status 1 for text that is not valid in the encoding it
must be read in.
"""
import html.entities
import re
import sys

NAMES = {34: "quot", 38: "amp", 60: "lt", 62: "gt", 128: "euro", 130: "sbquo", 131: "fnof",
         132: "bdquo", 133: "hellip", 134: "dagger", 135: "Dagger", 136: "circ", 137: "permil",
         138: "Scaron", 139: "lsaquo", 140: "OElig", 145: "lsquo", 146: "rsquo", 147: "ldquo",
         148: "rdquo", 149: "bull", 150: "ndash", 151: "mdash", 152: "tilde", 153: "trade",
         154: "scaron", 155: "rsaquo", 156: "oelig", 159: "Yuml"}
LATIN1 = ("nbsp iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg macr "
          "deg plusmn sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 frac12 "
          "frac34 iquest Agrave Aacute Acirc Atilde Auml Aring AElig Ccedil Egrave Eacute Ecirc "
          "Euml Igrave Iacute Icirc Iuml ETH Ntilde Ograve Oacute Ocirc Otilde Ouml times Oslash "
          "Ugrave Uacute Ucirc Uuml Yacute THORN szlig agrave aacute acirc atilde auml aring aelig "
          "ccedil egrave eacute ecirc euml igrave iacute icirc iuml eth ntilde ograve oacute ocirc "
          "otilde ouml divide oslash ugrave uacute ucirc uuml yacute thorn yuml").split()
for i, name in enumerate(LATIN1):
    NAMES[160 + i] = name
assert len(NAMES) == 125
UNASSIGNED = (0x81, 0x8D, 0x8F, 0x90, 0x9D)  # Windows-1252 bytes read as their C1 code points


def cp1252_char(b):
    return chr(b) if b in UNASSIGNED else bytes([b]).decode("cp1252")


CP1252_FROM_LATIN1 = {b: cp1252_char(b) for b in range(128, 160)}
# HTML 4.01 names that browsers read as their HTML 4.01 character.
BROWSER_NAMES = {cp: name for cp, name in html.entities.codepoint2name.items()
                 if html.entities.html5[name + ";"] == chr(cp)}


def cp1252_byte(cp):
    if cp in UNASSIGNED:
        return cp
    try:
        return chr(cp).encode("cp1252")[0]
    except UnicodeEncodeError:
        return None


# The byte rows are the HTML 4.01 names of the Windows-1252 characters.
assert NAMES == {b: html.entities.codepoint2name[ord(cp1252_char(b))] for b in range(256)
                 if ord(cp1252_char(b)) in html.entities.codepoint2name}


def encode_byte(b, numeric):
    if b in NAMES:
        return "&#%d;" % b if numeric else "&%s;" % NAMES[b]
    if b < 128:
        return chr(b)
    return "&#%d;" % b


class Replacements(dict):
    """What each character of a line becomes, worked out on first sight."""

    def __init__(self, numeric):
        super().__init__()
        self.numeric = numeric

    def __missing__(self, cp):
        if cp in (0xFDD0, 0xFDD1):  # Qt's document keeps these for itself
            cp = 0xFFFD
        b = cp1252_byte(cp)
        if b is not None:
            value = encode_byte(b, self.numeric)
        elif not self.numeric and cp in BROWSER_NAMES:
            value = "&%s;" % BROWSER_NAMES[cp]
        else:
            value = "&#%d;" % cp
        self[cp] = value
        return value


def read_text(data, forced):
    """The text (str) and whether it is Unicode."""
    encoding = forced
    if forced == "utf8" and data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    elif forced is None:
        if data.startswith(b"\xef\xbb\xbf"):
            encoding, data = "utf8", data[3:]
        elif data.startswith(b"\xff\xfe"):
            encoding, data = "utf-16-le", data[2:]
        elif data.startswith(b"\xfe\xff"):
            encoding, data = "utf-16-be", data[2:]
    if encoding in ("utf-16-le", "utf-16-be"):
        end = data.find(b"\0\0")
        while end >= 0 and end % 2:  # a zero code unit starts at an even offset
            end = data.find(b"\0\0", end + 1)
        return data[:end if end >= 0 else len(data)].decode(encoding), True
    data = data[:data.index(b"\0")] if b"\0" in data else data
    if encoding is None:
        try:
            data.decode("utf-8")
            encoding = "cp1252" if data.isascii() else "utf8"
        except UnicodeDecodeError:
            encoding = "cp1252"
    if encoding == "cp1252":
        return data.decode("latin-1").translate(CP1252_FROM_LATIN1), False
    return data.decode("utf-8"), True


def main():
    args = sys.argv[1:]
    numeric = "--numeric" in args
    forced = "utf8" if "--utf8" in args else "cp1252" if "--cp1252" in args else None
    path = [a for a in args if not a.startswith("--")][0]
    try:
        text, unicode = read_text(open(path, "rb").read(), forced)
    except UnicodeDecodeError as e:
        sys.stderr.write("invalide : %s\n" % e)
        return 1
    lines = re.split("\r\n|\r|\n|\u2028|\u2029" if unicode else "\r\n|\r|\n", text)
    if lines[-1] == "":
        lines.pop()  # the text ended with a break, or was empty
    # Full stops become "." and nothing else does, and a line break ends a run, so each "..."
    # of a run, from its start, is one ellipsis.
    ellipsis = "&#133;" if numeric else "&hellip;"
    replacements = Replacements(numeric)
    out = "".join(line.translate(replacements).replace("...", ellipsis) + "\r\n" for line in lines)
    # Every character of the output is ASCII.
    sys.stdout.buffer.write(out.encode("ascii"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
