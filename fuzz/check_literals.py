#!/usr/bin/env python3
"""Checks sjis_literals.py against g++ itself: every narrow literal of the given sources (and
of the sample file beside this script) is compiled twice, as written with g++
-fexec-charset=CP932 and as translated with clang++ (and with plain g++), into programs that
print each literal's bytes; the outputs must be identical. Also checks that the translation
changes nothing outside literals.

  check_literals.py --root DIR --work DIR FILE...
"""

import argparse
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sjis_literals  # noqa: E402

SAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "literal_samples.txt")

PROGRAM_HEAD = r"""#include <cstdio>
static void dump(const char* where, const char* p, unsigned long n) {
  std::printf("%s:", where);
  for (unsigned long i = 0; i < n; ++i) std::printf(" %02x", static_cast<unsigned char>(p[i]));
  std::printf("\n");
}
static void dump_char(const char* where, long value) { std::printf("%s: %ld\n", where, value); }
int main() {
"""


def without_literals(text):
    """The text with each run of adjacent literals as one "@" (a translation may split one)."""
    out, pos = [], 0
    for lit in sjis_literals.literals(text):
        out.append(text[pos:lit.start])
        out.append("@")
        pos = lit.end
    out.append(text[pos:])
    return re.sub(r"@(\s*@)+", "@", "".join(out))


def literal_rows(path, iconv):
    """(where, as written, as translated, is a char literal) of each narrow literal."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    translated = sjis_literals.translate(text, iconv)
    if without_literals(text) != without_literals(translated):
        raise SystemExit("%s: the translation changed text outside literals" % path)
    rows = []
    for lit in sjis_literals.literals(text):
        if not lit.narrow:
            continue
        line = text.count("\n", 0, lit.start) + 1
        new = lit.source()
        if sjis_literals._needs_rewrite(lit):
            new = sjis_literals.rewrite_literal(lit, iconv)
        new = new[:len(new) - len(lit.suffix)] if lit.suffix else new
        rows.append(("%s:%d" % (os.path.basename(path), line), lit.source(False), new,
                     lit.quote == "'"))
    return rows


def program(rows, column):
    body = []
    for row in rows:
        where, lit, is_char = row[0], row[column], row[3]
        if is_char:
            body.append('  dump_char("%s", %s);' % (where, lit))
        else:
            body.append('  dump("%s", %s, sizeof(%s) - 1);' % (where, lit, lit))
    return PROGRAM_HEAD + "\n".join(body) + "\n}\n"


def build_and_run(work, name, source, compiler, flags):
    src = os.path.join(work, name + ".cpp")
    exe = os.path.join(work, name)
    with open(src, "w", encoding="utf-8") as f:
        f.write(source)
    subprocess.run([compiler, "-std=c++20", "-w", *flags, src, "-o", exe], check=True)
    return subprocess.run([exe], check=True, capture_output=True, text=True).stdout


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("files", nargs="*")
    args = parser.parse_args(argv)
    os.makedirs(args.work, exist_ok=True)
    iconv = sjis_literals.Iconv()
    files = sjis_literals.include_closure(os.path.abspath(args.root), args.files) + [SAMPLES]
    rows = [row for path in files for row in literal_rows(path, iconv)]
    expected = build_and_run(args.work, "as_written", program(rows, 1), "g++",
                             ["-finput-charset=UTF-8", "-fexec-charset=CP932"])
    for compiler in ("clang++", "g++"):
        got = build_and_run(args.work, "translated_" + compiler.rstrip("+"), program(rows, 2),
                            compiler, [])
        if got != expected:
            bad = [(e, g) for e, g in zip(expected.splitlines(), got.splitlines()) if e != g]
            for e, g in bad[:10]:
                print("literal differs:\n  g++ CP932:  %s\n  %s: %s" % (e, compiler, g))
            raise SystemExit("translated literals differ from g++ -fexec-charset=CP932")
    translated = sum(1 for row in rows if row[1] != row[2])
    print("literals: %d narrow literals in %d files, %d translated, all identical to g++ CP932"
          % (len(rows), len(files), translated))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
