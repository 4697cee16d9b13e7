#!/usr/bin/env python3
"""Straightforward reference for quorlin-cli, one character at a time.

    reference.py [--numeric] [--cp1252 | --utf8] FILE > OUT

Reads FILE as the window does. The encoding, unless forced: a UTF-8 or UTF-16
byte-order mark (left out), else UTF-8 when the text is valid UTF-8 holding a
non-ASCII character, else Windows-1252. The text ends at the first zero
character. CR LF, CR, LF (and in Unicode text U+2028, U+2029) each end a line;
each line is converted with a fresh full-stop run and ends with CR LF. A
character that Windows-1252 holds is written as its byte is; any other by its
HTML 4.01 name in named mode, else as its code point; U+FDD0 and U+FDD1 are
read as U+FFFD. Exit status 1 for text that is not valid in the encoding it
must be read in.
"""
import html.entities
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
        elif not numeric and value in html.entities.codepoint2name:
            out.append("&%s;" % html.entities.codepoint2name[value])
        else:
            out.append("&#%d;" % value)
    return "".join(out)


def read_text(data, forced):
    """The text as a list of characters (str) and whether it is Unicode."""
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
        end = next((i for i in range(0, len(data) - 1, 2) if data[i:i + 2] == b"\0\0"), len(data))
        return data[:end].decode(encoding), True
    data = data[:data.index(b"\0")] if b"\0" in data else data
    if encoding is None:
        try:
            data.decode("utf-8")
            encoding = "utf8" if any(b >= 128 for b in data) else "cp1252"
        except UnicodeDecodeError:
            encoding = "cp1252"
    if encoding == "cp1252":
        return [cp1252_char(b) for b in data], False
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
    breaks = ("\r", "\n", "\u2028", "\u2029") if unicode else ("\r", "\n")
    lines, current, i = [], [], 0
    while i < len(text):
        ch = text[i]
        if ch in breaks:
            lines.append(current)
            current = []
            if ch == "\r" and i + 1 < len(text) and text[i + 1] == "\n":
                i += 1
        else:
            if ch in ("\ufdd0", "\ufdd1"):  # Qt's document keeps these for itself
                ch = "\ufffd"
            b = cp1252_byte(ord(ch))
            current.append(("byte", b) if b is not None else ("ref", ord(ch)))
        i += 1
    if current:
        lines.append(current)
    out = "".join(encode_line(line, numeric) + "\r\n" for line in lines)
    # Every character of the output is ASCII.
    sys.stdout.buffer.write(out.encode("ascii"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
