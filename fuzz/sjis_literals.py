#!/usr/bin/env python3
"""Rewrites C++ sources so that clang, which has no -fexec-charset, gets the same Shift-JIS
bytes that g++ makes with -finput-charset=UTF-8 -fexec-charset=CP932.

Every narrow string or character literal (no prefix, or R only) holding a non-ASCII character
or a universal character name becomes hex escapes of its CP932 encoding. Prefixed literals
(u8, u, U, L) and comments stay as they are, and so does the line structure (a raw literal
becomes one ordinary literal per source line), so that line numbers still match.

  sjis_literals.py mirror --root DIR --out DIR FILE...
      writes translated copies of FILE... and of every header they include with
      #include "..." (found beside the file or under --root), keeping the relative paths,
      and the list of those originals as sources.txt; a file is rewritten only when its
      text changes.
"""

import argparse
import ctypes
import os
import re
import sys

PREFIXES = {"", "u8", "u", "U", "L", "R", "u8R", "uR", "UR", "LR"}
NARROW = {"", "R"}
HEX = set("0123456789abcdefABCDEF")
IDENT_START = re.compile(r"[A-Za-z_]")
IDENT_CHAR = re.compile(r"[A-Za-z0-9_]")


class Iconv:
    """glibc iconv, the converter g++ itself uses for -fexec-charset."""

    def __init__(self, to_code="CP932", from_code="UTF-8"):
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.libc.iconv_open.restype = ctypes.c_void_p
        self.libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        char_pp = ctypes.POINTER(ctypes.POINTER(ctypes.c_char))
        size_p = ctypes.POINTER(ctypes.c_size_t)
        self.libc.iconv.restype = ctypes.c_size_t
        self.libc.iconv.argtypes = [ctypes.c_void_p, char_pp, size_p, char_pp, size_p]
        self.cd = self.libc.iconv_open(to_code.encode(), from_code.encode())
        if self.cd in (None, ctypes.c_void_p(-1).value):
            raise OSError("iconv_open %s -> %s failed" % (from_code, to_code))
        self.cache = {}

    def encode(self, char):
        if char not in self.cache:
            data = char.encode("utf-8")
            inbuf = ctypes.create_string_buffer(data, len(data))
            outbuf = ctypes.create_string_buffer(16)
            inptr = ctypes.cast(inbuf, ctypes.POINTER(ctypes.c_char))
            outptr = ctypes.cast(outbuf, ctypes.POINTER(ctypes.c_char))
            inleft = ctypes.c_size_t(len(data))
            outleft = ctypes.c_size_t(16)
            result = self.libc.iconv(self.cd, ctypes.byref(inptr), ctypes.byref(inleft),
                                     ctypes.byref(outptr), ctypes.byref(outleft))
            if result == ctypes.c_size_t(-1).value or inleft.value != 0:
                raise ValueError("U+%04X has no CP932 form" % ord(char))
            self.cache[char] = outbuf.raw[:16 - outleft.value]
        return self.cache[char]


class Literal:
    """One string or character literal of a source text."""

    def __init__(self, start, end, prefix, quote, body, raw_delim, suffix):
        self.start, self.end = start, end  # span in the source, suffix included
        self.prefix, self.quote, self.body = prefix, quote, body
        self.raw_delim = raw_delim  # None for an ordinary literal
        self.suffix = suffix  # user-defined literal suffix ("sv"), or ""

    @property
    def narrow(self):
        return self.prefix in NARROW

    def source(self, with_suffix=True):
        if self.raw_delim is not None:
            text = '%s"%s(%s)%s"' % (self.prefix, self.raw_delim, self.body, self.raw_delim)
        else:
            text = self.prefix + self.quote + self.body + self.quote
        return text + (self.suffix if with_suffix else "")


def _skip_ident(text, i):
    while i < len(text) and IDENT_CHAR.match(text[i]):
        i += 1
    return i


def _skip_pp_number(text, i):
    # Digit separators (1'000) must not start a character literal.
    n = len(text)
    i += 1
    while i < n:
        c = text[i]
        if c in "eEpP" and i + 1 < n and text[i + 1] in "+-":
            i += 2
        elif c == "'" and i + 1 < n and IDENT_CHAR.match(text[i + 1]):
            i += 2
        elif IDENT_CHAR.match(c) or c == ".":
            i += 1
        else:
            break
    return i


def _read_literal(text, start, prefix, i):
    """Literal whose opening quote is text[i]; None when it is not one (an apostrophe in an
    #error line, say)."""
    n = len(text)
    quote = text[i]
    if "R" in prefix and quote == '"':
        open_paren = text.find("(", i + 1)
        if open_paren < 0:
            return None
        delim = text[i + 1:open_paren]
        close = text.find(")" + delim + '"', open_paren + 1)
        if close < 0:
            return None
        body = text[open_paren + 1:close]
        j = close + len(delim) + 2
        raw_delim = delim
    else:
        j = i + 1
        while j < n and text[j] != quote:
            if text[j] == "\n":
                return None
            j += 2 if text[j] == "\\" else 1
        if j >= n:
            return None
        body = text[i + 1:j]
        j += 1
        raw_delim = None
    suffix_end = _skip_ident(text, j) if j < n and IDENT_START.match(text[j]) else j
    return Literal(start, suffix_end, prefix, quote, body, raw_delim, text[j:suffix_end])


def literals(text):
    """Every string and character literal of a C++ source text, in order."""
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            while True:
                end = text.find("\n", i)
                if end < 0:
                    i = n
                    break
                # A backslash at the end of the line continues the comment.
                if text[i:end].rstrip("\r").endswith("\\"):
                    i = end + 1
                    continue
                i = end + 1
                break
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            i = n if end < 0 else end + 2
        elif IDENT_START.match(c):
            j = _skip_ident(text, i)
            if j < n and text[j] in "\"'" and text[i:j] in PREFIXES:
                lit = _read_literal(text, i, text[i:j], j)
                if lit is not None:
                    yield lit
                    i = lit.end
                    continue
            i = j
        elif c.isdigit() and c.isascii() or (c == "." and i + 1 < n and text[i + 1].isdigit()):
            i = _skip_pp_number(text, i)
        elif c in "\"'":
            lit = _read_literal(text, i, "", i)
            if lit is None:
                i += 1
            else:
                yield lit
                i = lit.end
        else:
            i += 1


def _escape_units(body):
    """Splits an ordinary literal body into ('esc', text), ('ucn', char) and ('char', c)."""
    units, i, n = [], 0, len(body)
    while i < n:
        if body[i] != "\\":
            units.append(("char", body[i]))
            i += 1
            continue
        kind = body[i + 1] if i + 1 < n else ""
        if kind == "x":
            j = i + 2
            while j < n and body[j] in HEX:
                j += 1
            units.append(("hex", body[i:j]))
        elif kind in ("u", "U"):
            width = 4 if kind == "u" else 8
            j = i + 2 + width
            # A universal character name is converted like the character itself.
            units.append(("char", chr(int(body[i + 2:j], 16))))
        elif kind in "01234567" and kind:
            j = i + 1
            while j < n and j < i + 4 and body[j] in "01234567":
                j += 1
            units.append(("esc", body[i:j]))
        else:
            j = i + 2
            units.append(("esc", body[i:j]))
        i = j
    return units


def _raw_units(body):
    """A raw literal body as units of an ordinary literal, newlines marked."""
    units = []
    body = body.replace("\r\n", "\n")
    for ch in body:
        if ch == "\n":
            units.append(("newline", "\\n"))
        elif ch in '\\"\'':
            units.append(("esc", "\\" + ch))
        else:
            units.append(("char", ch))
    return units


def _needs_rewrite(lit):
    if not lit.narrow:
        return False
    if lit.raw_delim is not None:
        return any(ord(ch) > 0x7F for ch in lit.body)
    return any(kind == "char" and ord(value) > 0x7F for kind, value in _escape_units(lit.body))


def rewrite_literal(lit, iconv):
    """The replacement source of one narrow literal (suffix included)."""
    units = _raw_units(lit.body) if lit.raw_delim is not None else _escape_units(lit.body)
    # (separator before the piece, its units): a raw literal's next line starts a piece on the
    # next source line; a hex digit right after a hex escape starts one after a blank.
    pieces, after_hex = [["", []]], False
    for kind, value in units:
        if kind == "newline":
            pieces[-1][1].append(value)
            pieces.append(["\n", []])
            after_hex = False
            continue
        if kind == "char" and ord(value) > 0x7F:
            pieces[-1][1].extend("\\x%02x" % b for b in iconv.encode(value))
            after_hex = True
            continue
        if after_hex and value[0] in HEX:
            pieces.append([" ", []])  # "\x82\xa0" "A"
        pieces[-1][1].append(value)
        after_hex = kind == "hex"
    if lit.quote == "'":
        return "'" + "".join(u for _, piece in pieces for u in piece) + "'" + lit.suffix
    return "".join(sep + '"' + "".join(piece) + '"' for sep, piece in pieces) + lit.suffix


def translate(text, iconv):
    out, pos = [], 0
    for lit in literals(text):
        if _needs_rewrite(lit):
            out.append(text[pos:lit.start])
            out.append(rewrite_literal(lit, iconv))
            pos = lit.end
    out.append(text[pos:])
    result = "".join(out)
    if result.count("\n") != text.count("\n"):
        raise AssertionError("line structure changed")
    return result


INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def include_closure(root, files):
    """FILE... and every project file they include with quotes, as absolute paths."""
    seen, todo = [], [os.path.abspath(f) for f in files]
    while todo:
        path = todo.pop()
        if path in seen:
            continue
        seen.append(path)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        for name in INCLUDE.findall(text):
            for base in (os.path.dirname(path), root):
                candidate = os.path.normpath(os.path.join(base, name))
                if os.path.isfile(candidate):
                    todo.append(candidate)
                    break
    return seen


def write_if_changed(target, text):
    try:
        with open(target, encoding="utf-8") as f:
            if f.read() == text:
                return
    except FileNotFoundError:
        os.makedirs(os.path.dirname(target), exist_ok=True)
    with open(target + ".tmp", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(target + ".tmp", target)


def mirror(root, out_dir, files):
    root = os.path.abspath(root)
    iconv = Iconv()
    closure = include_closure(root, files)
    # The list of originals, for check_literals.py.
    write_if_changed(os.path.join(out_dir, "sources.txt"), "".join(p + "\n" for p in closure))
    for path in closure:
        rel = os.path.relpath(path, root)
        if rel.startswith(".."):
            raise ValueError("%s lies outside %s" % (path, root))
        with open(path, encoding="utf-8") as f:
            text = f.read()
        # Diagnostics and sanitizer reports name the real file and line.
        result = '#line 1 "%s"\n' % path + translate(text, iconv)
        write_if_changed(os.path.join(out_dir, rel), result)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    m = sub.add_parser("mirror")
    m.add_argument("--root", required=True)
    m.add_argument("--out", required=True)
    m.add_argument("files", nargs="+")
    args = parser.parse_args(argv)
    mirror(args.root, args.out, args.files)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
