#!/usr/bin/env python3
"""Turns the measurements of tools/bench.sh into BENCHMARKS.md (printed on stdout).

Usage: bench_report.py RESULTS_DIR WIN32_EXE WIN64_EXE FLOOR_EXE
"""
import datetime
import json
import os
import platform
import re
import sys

def read(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except OSError:
        return None


def fields(text):
    """key=value pairs of one result line."""
    return dict(re.findall(r"(\w+)=(\S+)", text or ""))


def cpu_model():
    for line in (read("/proc/cpuinfo") or "").splitlines():
        if line.startswith("model name"):
            return line.split(":", 1)[1].strip()
    return platform.processor() or "unknown"


def size_kib(path):
    try:
        return f"{os.path.getsize(path) / 1024:.0f} KiB ({os.path.getsize(path)} bytes)"
    except OSError:
        return "not built"


def size_ratio(path, floor_path):
    try:
        return f"{os.path.getsize(path) / os.path.getsize(floor_path):.1f}× the floor"
    except OSError:
        return ""


def main():
    results, win32_exe, win64_exe, floor_exe = sys.argv[1:5]
    interleaved = []
    for run in ("interleaved_1.txt", "interleaved_2.txt"):
        text = read(os.path.join(results, run)) or ""
        interleaved.append({line.split()[0]: fields(line) for line in text.splitlines() if line})
    plus = fields(read(os.path.join(results, "offset_plus.txt")))
    minus = fields(read(os.path.join(results, "offset_minus.txt")))
    headless = fields(read(os.path.join(results, "headless.txt")))
    once = fields(read(os.path.join(results, "headless_once.txt")))
    peers_text = read(os.path.join(results, "peers.json"))
    peers = {r["command"]: r for r in json.loads(peers_text)["results"]} if peers_text else {}
    # The last line of /usr/bin/time's output: peak RSS in KiB and elapsed seconds.
    wine_lines = (read(os.path.join(results, "wine_time.txt")) or "").strip().splitlines()
    wine = wine_lines[-1].split() if wine_lines else []
    wine_ini = read(os.path.join(results, "wine_environ.ini")) or ""
    text = read(os.path.join(results, "startwatch.txt")) or ""
    starts = {line.split()[0]: fields(line) for line in text.splitlines() if line.strip()}

    rows = []

    def row(measure, value, note=""):
        rows.append(f"| {measure} | {value} | {note} |")

    floors = {"sntp": "one socket for the run, aimed before each exchange, 48 bytes out, a "
                      "select for the reply, one read",
              "time": "the client's bounded connect, reads until the server closes, the socket "
                      "closed when the next exchange begins"}
    labels = {"sntp": ("SNTP exchange, `TSNTPClient::QueryServerTime`", "bare UDP exchange"),
              "time": ("Time protocol query, `T_Time::FetchTime`", "bare TCP connect + read")}
    for name in ("sntp", "time"):
        first, second = interleaved[0].get(name), interleaved[1].get(name)
        client_label, floor_label = labels[name]
        if not first:
            row(client_label, "not measured", "")
            continue
        row(f"{client_label} (loopback responder)", f"{float(first['client_us']):.1f} µs",
            f"median of {first['rounds']} rounds × {first['pairs']}, interleaved with the floor")
        row(f"Floor: {floor_label} (same responder)", f"{float(first['floor_us']):.1f} µs",
            floors[name])
        agree = ""
        if second:
            a, b = float(first["ratio"]), float(second["ratio"])
            agree = (f"a second run read {b:.2f}× ({abs(a - b) / min(a, b) * 100:.0f}% apart); "
                     f"rounds {first['round_low']}–{first['round_high']}")
        goal = "goal ≤ 2× — " + ("met" if float(first["ratio"]) <= 2 else "missed")
        row(f"{client_label.split(',')[0]} ÷ its floor", f"{float(first['ratio']):.2f}×",
            "; ".join(x for x in (goal if name == "sntp" else "", agree) if x))
    for label, f in (("+3.25 s", plus), ("−0.994 s", minus)):
        if f:
            met = float(f["max_error"]) <= 1
            row(f"Offset error against a responder {label} ahead, in hundredths",
                f"median {f['median_error']}, largest {f['max_error']} (of {f['runs']})",
                "goal ≤ 1 — " + ("met" if met else "missed"))
        else:
            row(f"Offset error against a responder {label} ahead", "not measured", "")
    for name, label in (("ntpdig", "`ntpdig -t 2 127.0.0.1` (ntpsec), whole process"),
                        ("chronyd", "`chronyd -Q -x` (chrony 4.3, scratch copy), whole process"),
                        ("rdate", "`rdate -p 127.0.0.1` (Time protocol), whole process")):
        r = peers.get(name)
        row(label, f"{r['median'] * 1e3:.2f} ms" if r else "not measured",
            f"median of {len(r['times'])} runs" if r else "")
    if headless:
        row('Kestrum: "時刻取得" pressed → success status (headless, real clients, probe answered '
            "at once)", f"{float(headless['median_ms']):.3f} ms",
            f"median of {headless['runs']} presses")
    else:
        row('Kestrum: "時刻取得" → success status', "not measured", "")
    floor = starts.get("floor")
    for name, label in (("main", "Process start → main window painted, PE32 `Kestrum.exe`"),
                        ("progress", "Process start → progress window painted, `Kestrum.exe /S 0`")):
        r = starts.get(name)
        if not r or not floor:
            row(f"{label} under Wine", "not measured", "")
            continue
        ratio_to_floor = float(r["median_ms"]) / float(floor["median_ms"])
        row(f"{label} under Wine", f"{float(r['median_ms']):.0f} ms",
            f"median of {r['runs']} (range {float(r['min_ms']):.0f}–{float(r['max_ms']):.0f}); "
            f"{ratio_to_floor:.2f}× the floor")
    if floor:
        row("Floor: process start → window painted, minimal Win32 window program (PE32)",
            f"{float(floor['median_ms']):.0f} ms",
            f"median of {floor['runs']} (range {float(floor['min_ms']):.0f}–"
            f"{float(floor['max_ms']):.0f}), started in turn with the two rows above")
    row("Size of `build/win32/app/Kestrum.exe` (the product, PE32)", size_kib(win32_exe),
        size_ratio(win32_exe, floor_exe))
    row("Floor: size of the minimal Win32 window program (PE32, same toolchain and options)",
        size_kib(floor_exe), "")
    row("Size of `build/win64/app/Kestrum.exe` (PE32+)", size_kib(win64_exe), "")
    row("Peak RSS of the native headless sequence (one press, whole process)",
        f"{int(once['peak_rss_kib']) / 1024:.1f} MiB" if once else "not measured",
        "getrusage ru_maxrss")
    if len(wine) >= 2:
        synced = "TimeServer=" in wine_ini
        row('Peak RSS of the PE32 `Kestrum.exe` under Wine, "同　期" pressed once',
            f"{int(wine[0]) / 1024:.1f} MiB",
            "the Kestrum.exe process (Wine's 32-bit loader) from start until stopped; "
            + ("server time obtained and remembered" if synced else "no server time obtained"))
    else:
        row("Peak RSS of the PE32 `Kestrum.exe` under Wine", "not measured", "")
    main_start = starts.get("main")
    if main_start and floor:
        row("Peak working set of the PE32 `Kestrum.exe` at its main window painted",
            f"{float(main_start['peak_kib']) / 1024:.1f} MiB",
            f"the floor's: {float(floor['peak_kib']) / 1024:.1f} MiB (as Wine reports "
            "PeakWorkingSetSize)")

    now = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    print("# Benchmarks\n")
    load = ", ".join(f"{x:.1f}" for x in os.getloadavg())
    print(f"Measured {now} on {os.cpu_count()} CPU(s), {cpu_model()}, "
          f"{platform.system()} {platform.release()} (load average {load} at the end: the "
          "machine is shared, so single numbers move between runs); every row comes from the same run of "
          "`tools/bench.sh` (run it as root to regenerate this file). All traffic is on "
          "loopback: the responders are `kestrum-responder` (port 123/udp and 37/tcp for the "
          "peers) or the same responder library inside the benchmark process.\n")
    print("| Measure | Value | Note |")
    print("|---|---|---|")
    print("\n".join(rows))
    print("""
Notes:
- Client rows: `kestrum-bench interleaved`: each repetition runs one client exchange and then one
  floor exchange against the same in-process responder, so that the machine's other work slows
  both alike; the value is the median over the rounds of each round's median, the ratio the
  median of the rounds' ratios (the SNTP client yields its time slice once per read, so on a
  busy machine a whole round can read high: that round shows in the spread, not in the ratio).
  The floor handles its socket as the client does (the Note column says how), so the ratio is
  the client's own cost. The whole measurement runs twice; the second run's ratio is named.
- Offset: the program's formula, nearbyint((server time + 0.375 − local now) × 8 640 000), with the
  local clock read as UTC + nine hours (at the program's millisecond resolution), so the true
  offset is exactly the shift × 100; 200 queries each. −0.994 s is −99.4 hundredths and the
  program keeps whole hundredths, so 0.4 is the least error it can show there.
- Peers: hyperfine, 2 warm-up runs, then 20; chronyd runs with a scratch configuration that names
  only the loopback responder (`iburst minpoll -6 maxpoll -6`, no command port, no NTP port) and
  `-Q -x`, so it only measures; ntpdig and rdate without their clock-setting switches.
- Start-up: `kestrum-startwatch.exe` (bench/win32), itself under Wine's 32-bit loader, starts the
  main window run, the `/S 0` run and the floor in turn, 15 times each, and times from
  `CreateProcess` until a visible top-level window of that process with the designed client
  size is painted (it and every visible child have no update region left); then it reads the
  process's peak working set and ends it. The floor (bench/win32/floor_window.cpp) is one window
  of the main window's client size with one line of text, built by the product's toolchain with
  the product's options; on this shared machine Wine's start-up dominates both.
- Wine: a copy of the project's prefix, in a user and network namespace of its own where only
  loopback exists and every server name (and the probe's host) points at 127.0.0.1, and where the
  process has no right to the machine's clock (the responder's clock is unshifted, so the offset
  is 0 and no step is tried anyway). The 同　期 run uses the PE32 product. The button is pressed with xdotool; a screenshot of the
  result is left in build/bench/results/wine-sync.png.
""")


if __name__ == "__main__":
    main()
