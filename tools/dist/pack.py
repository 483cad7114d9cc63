#!/usr/bin/env python3
"""Writes the release zip: Kestrum.exe, readme.txt (Shift-JIS, CRLF) and LICENSE.txt (CRLF)
under one folder named after the package. Every entry carries the same time stamp (the
commit's), so that one commit gives one zip.

    pack.py --version V --exe Kestrum.exe --readme readme.txt --license LICENSE \
            --stamp UNIX_TIME --out dist/Kestrum-V.zip
"""
import argparse
import re
import sys
import time
import zipfile
from pathlib import Path

# The readme's sections, in order: what a Japanese Windows freeware readme is expected to have.
SECTIONS = ["概要", "動作環境", "使い方", "起動時の自動設定", "設定ファイル", "時刻を修正する権限",
            "アンインストール", "履歴"]


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def readme_bytes(template, version):
    text = template.replace("@VERSION@", version)
    headings = re.findall(r"^■ (\S+)", text, flags=re.M)
    found = [name for name in SECTIONS if any(h.startswith(name) for h in headings)]
    if found != SECTIONS:
        sys.exit(f"pack: readme lacks sections {sorted(set(SECTIONS) - set(found))}")
    history = text[text.index("■ 履歴"):]
    if not re.search(rf"Ver {re.escape(version)}\b", history):
        sys.exit(f"pack: readme's 履歴 has no entry for Ver {version}")
    return crlf(text).encode("cp932")  # fails on any character Shift-JIS cannot hold


def main():
    parser = argparse.ArgumentParser()
    for name in ("version", "exe", "readme", "license", "out"):
        parser.add_argument(f"--{name}", required=True)
    parser.add_argument("--stamp", type=int, required=True)
    args = parser.parse_args()

    folder = f"Kestrum-{args.version}"
    # Zip times are local-free calendar fields with two-second steps.
    stamp = time.gmtime(args.stamp - args.stamp % 2)[:6]
    entries = [
        ("Kestrum.exe", Path(args.exe).read_bytes()),
        ("readme.txt", readme_bytes(Path(args.readme).read_text(encoding="utf-8"), args.version)),
        ("LICENSE.txt", crlf(Path(args.license).read_text(encoding="utf-8")).encode("ascii")),
    ]
    out = Path(args.out)
    out.parent.mkdir(parents=True, exist_ok=True)
    with zipfile.ZipFile(out, "w") as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(f"{folder}/{name}", date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS: no Unix permissions to carry
            archive.writestr(info, data, compresslevel=9)
    print(f"pack: {out} ({out.stat().st_size} bytes)")


if __name__ == "__main__":
    main()
