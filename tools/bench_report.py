#!/usr/bin/env python3
"""Turns the measurements of tools/bench.sh into BENCHMARKS.md (printed on stdout).

Usage: bench_report.py RESULTS_DIR WIN32_EXE WIN64_EXE FLOOR_EXE
       bench_report.py --accuracy-only RESULTS_DIR BENCHMARKS.md   (that file, its accuracy
       section measured anew)
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


ACCURACY_SHIFT = 1.2  # s the path responder is ahead (tools/bench.sh)
PATHS = [(0, 0, 0), (50, 50, 0), (150, 150, 0), (200, 20, 0), (20, 200, 0), (50, 50, 20)]


def hundredths_off(seconds_list):
    """Errors in hundredths of offsets (s) measured against the responder's shift."""
    return [abs(x - ACCURACY_SHIFT) * 100 for x in seconds_list]


def spread(errors):
    if not errors:
        return None
    ordered = sorted(errors)
    n = len(ordered)
    median = ordered[n // 2] if n % 2 else (ordered[n // 2 - 1] + ordered[n // 2]) / 2
    return median, ordered[-1], n


def accuracy_rows(results):
    """The accuracy table: Kestrum, ntpdig and chronyd through each path, and whether the
    bounds hold."""
    lines = ["| Path out/back (ms) | Kestrum SNTP | ntpdig | chronyd -Q | Kestrum ÷ ntpdig | "
             "Bound: Kestrum within | Met |", "|---|---|---|---|---|---|---|"]
    verdicts = []
    for out, back, jitter in PATHS:
        name = f"{out}_{back}_{jitter}"
        kestrum = fields(read(os.path.join(results, f"accuracy_{name}_kestrum.txt")))
        ntpdig = spread(hundredths_off(float(x) for x in re.findall(
            r"\(\S+\) ([+-]\d+\.\d+) \+/-", read(os.path.join(
                results, f"accuracy_{name}_ntpdig.txt")) or "")))
        chrony_text = read(os.path.join(results, f"accuracy_{name}_chronyd.txt")) or ""
        chronyd = spread(hundredths_off(
            float(x) for x in re.findall(r"wrong by ([-\d.]+) seconds", chrony_text)))
        label = f"{out}/{back}" + (f" + 0–{jitter} each way" if jitter else "")
        if not kestrum:
            lines.append(f"| {label} | not measured | | | | | |")
            continue
        k_median, k_max = float(kestrum["median_error"]), float(kestrum["max_error"])
        # Half the asymmetry the path (with its jitter) can make, in hundredths, plus one.
        bound = (abs(out - back) + jitter) / 2 / 10 + 1
        peer = (f"median {ntpdig[0]:.2f}, largest {ntpdig[1]:.2f} (of {ntpdig[2]})"
                if ntpdig else "no answer")
        failed = chrony_text.count("No suitable source")
        chrony = (f"median {chronyd[0]:.2f}, largest {chronyd[1]:.2f} (of {chronyd[2]})"
                  if chronyd else "no result")
        if failed:
            chrony += f"; {failed} run(s): \"No suitable source for synchronisation\""
        ratio = (f"{k_median / ntpdig[0]:.2f}×" if ntpdig and ntpdig[0] >= 0.01
                 else "— (ntpdig's median under 0.01)")
        met = k_max <= bound and (not ntpdig or k_max <= ntpdig[1] + 1)
        verdicts.append(met)
        lines.append(f"| {label} | median {k_median:g}, largest {k_max:g} (of {kestrum['runs']}) "
                     f"| {peer} | {chrony} | {ratio} | {bound:g}, and ntpdig's largest + 1 | "
                     f"{'yes' if met else 'NO'} |")
    headless = fields(read(os.path.join(results, "accuracy_headless.txt")))
    if headless:
        lines.append(f"| 150/150, whole sequence (時刻取得 pressed, headless) | median "
                     f"{headless['median_error']}, largest {headless['max_error']} (of "
                     f"{headless['runs']} presses) | | | | 1 | "
                     f"{'yes' if float(headless['max_error']) <= 1 else 'NO'} |")
    return lines


def now_utc():
    return datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")


def accuracy_section(results):
    """The accuracy section of BENCHMARKS.md, from its heading to its table's end."""
    return "\n".join([f"""
## Accuracy through a delayed path

Offset error in hundredths of a second against a responder {ACCURACY_SHIFT} s ahead of the
machine's clock (`kestrum-bench serve`) behind a path made in user space: each request is held
for the outward time before the receive time is stamped, each reply for the return time after the
transmit time is stamped; with jitter, each direction 0 to N ms longer, drawn per request. Kestrum:
`TSNTPClient` and the program's formula, whole hundredths, 20 queries; ntpdig: `ntpdig -t 2
127.0.0.1`, 10 runs; chronyd: `chronyd -Q -x` with `iburst minpoll -1 maxpoll -1`, 3 runs; all
through the same path in the same run, in a user and network namespace with only loopback.
Kestrum's offset is in whole hundredths, as the program keeps it, so its errors are whole
numbers; Kestrum ÷ ntpdig compares the medians. Measured {now_utc()}.
"""] + accuracy_rows(results))


def splice_accuracy(results, document):
    """`document` (BENCHMARKS.md) with its accuracy section measured anew; the other rows stay
    as their own run measured them."""
    heading = "\n## Accuracy through a delayed path\n"
    notes = "\nNotes:"
    before, found, after = document.partition(heading)
    if not found:
        before, after = document.partition(notes)[0], notes + document.partition(notes)[2]
    else:
        after = after[after.index(notes):]
    return before.rstrip("\n") + "\n" + accuracy_section(results) + "\n" + after


def main():
    if sys.argv[1] == "--accuracy-only":
        with open(sys.argv[3], encoding="utf-8") as f:
            print(splice_accuracy(sys.argv[2], f.read()), end="")
        return
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
                        ("chronyd", "`chronyd -Q -x` (chrony 4.3), whole process"),
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
    print(accuracy_section(results))
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
