#!/usr/bin/env python3
"""Straightforward reference for quorlin-cli, one character at a time.

    reference.py [--numeric] [--utf8] FILE > OUT

Loads FILE as the window does (text ends at the first zero byte; CR, LF and
CR LF all become one break), converts each line with a fresh full-stop run,
and ends every line with CR LF. Exit status 1 on invalid UTF-8.
"""
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


def encode_byte(b, numeric):
    if b in NAMES:
        return "&#%d;" % b if numeric else "&%s;" % NAMES[b]
    if b < 128:
        return chr(b)
    return "&#%d;" % b


def encode_line(chars, numeric):
    """chars: list of ("byte", value) or ("ref", code point)."""
    out = []
    run = 0
    for kind, value in chars:
        if kind == "byte" and value == 46:
            if run == 2:
                if len(out) >= 2:
                    del out[-2:]
                out.append("&#133;" if numeric else "&hellip;")
                run = 0
                continue
            run += 1
            out.append(".")
            continue
        run = 0
        if kind == "byte":
            out.append(encode_byte(value, numeric))
        else:
            out.append("&#%d;" % value)
    return "".join(out)


def cp1252_byte(cp):
    if cp < 0x80 or 0xA0 <= cp <= 0xFF:
        return cp
    if 0x80 <= cp <= 0x9F:
        # the five unassigned bytes keep their own code points
        return cp if cp in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else None
    try:
        return chr(cp).encode("cp1252")[0]
    except UnicodeEncodeError:
        return None


def main():
    args = sys.argv[1:]
    numeric = "--numeric" in args
    utf8 = "--utf8" in args
    path = [a for a in args if not a.startswith("--")][0]
    data = open(path, "rb").read()
    if b"\0" in data:
        data = data[:data.index(b"\0")]
    if utf8:
        try:
            text = data.decode("utf-8")
        except UnicodeDecodeError:
            sys.stderr.write("UTF-8 invalide\n")
            return 1
        if text.startswith("\ufeff"):
            text = text[1:]
        chars = []
        for ch in text:
            b = cp1252_byte(ord(ch))
            chars.append(("byte", b) if b is not None else ("ref", ord(ch)))
    else:
        chars = [("byte", b) for b in data]
    # Break normalisation and line split.
    lines, current, i = [], [], 0
    while i < len(chars):
        kind, value = chars[i]
        if kind == "byte" and value in (10, 13):
            lines.append(current)
            current = []
            if value == 13 and i + 1 < len(chars) and chars[i + 1] == ("byte", 10):
                i += 1
        else:
            current.append((kind, value))
        i += 1
    if current:
        lines.append(current)
    out = "".join(encode_line(line, numeric) + "\r\n" for line in lines)
    # Every character of the output is one byte (ASCII or a Windows-1252 byte below 128).
    sys.stdout.buffer.write(out.encode("latin-1"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
