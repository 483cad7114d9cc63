#!/usr/bin/env python3
"""What makes the program: sums the input sections of a GNU ld map (-Wl,-Map) that land in the
image, per library and per object file, largest first.

    map-summary.py Kestrum.map [count]
"""
import collections
import re
import sys
from pathlib import Path

# Output sections that occupy the file or the image (debug sections are stripped).
IMAGE = {".text", ".data", ".rdata", ".eh_frame", ".eh_fram", ".bss", ".idata", ".CRT", ".tls",
         ".rsrc", ".reloc", ".pdata", ".xdata"}
OUTPUT = re.compile(r"^(\.\S+)(\s+0x|\s*$)")
INPUT = re.compile(r"^ \.\S+\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S+)")
# The numbers of an input section whose long name stands alone on the line before.
WRAPPED = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S+)")
NAME_ONLY = re.compile(r"^ \.\S+$")


def summarise(lines):
    per_object = collections.Counter()
    start = next(i for i, line in enumerate(lines) if line.startswith("Linker script and memory map"))
    output, wrapped = None, False
    for line in lines[start:]:
        if (m := OUTPUT.match(line)):
            output = m.group(1)
            continue
        if NAME_ONLY.match(line):  # a long section name; its numbers are on the next line
            wrapped = True
            continue
        m = (WRAPPED if wrapped else INPUT).match(line)
        wrapped = False
        if m and output in IMAGE and int(m.group(2), 16):
            per_object[m.group(3).rsplit("/", 1)[-1]] += int(m.group(2), 16)
    per_library = collections.Counter()
    for name, size in per_object.items():
        per_library[name.split("(")[0]] += size
    return per_library, per_object


def main():
    lines = Path(sys.argv[1]).read_text(errors="replace").splitlines()
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    per_library, per_object = summarise(lines)
    print(f"{sum(per_library.values())} bytes in the image's sections")
    print("by library:")
    for name, size in per_library.most_common(count):
        print(f"  {size:8d}  {name}")
    print("by object file:")
    for name, size in per_object.most_common(count):
        print(f"  {size:8d}  {name}")


if __name__ == "__main__":
    main()
