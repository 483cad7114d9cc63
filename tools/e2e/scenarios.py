#!/usr/bin/env python3
"""End-to-end scenarios of the real Kestrum.exe under Wine, run by tools/e2e.sh inside private
user, network, mount and process namespaces (only loopback exists, no right to set the clock).

Most scenarios press one button of the main window and follow its status bar: those are rows of
ACQUISITIONS, run by run_acquisition. The others are functions. The harness (harness.py) holds
the program, its windows and the sandbox; layouts.py the windows as designed.
"""
import argparse
import dataclasses
import datetime
import os
import re
import socket
import subprocess
import sys
import time
import zipfile
import zoneinfo
from pathlib import Path

from harness import (PE32_LOADER, ROOT, WINPEEK, Failure, Kestrum, check, request_times, requests,
                     sandbox, start_watched, start_wine, windows_path)
from layouts import MAIN, PROGRESS, check_main_layout, check_progress_layout, check_tab_order

JAPAN = zoneinfo.ZoneInfo("Asia/Tokyo")
SNTP_WAIT_S = 5.0  # the program's SNTP Timeout
SNTP_MARGIN_S = 1.0
# One resolver wait (two tries of 5 s) and the pumps around it.
SILENT_DNS_ATTEMPT_S = 14.0

GET, SYNC, CANCEL = "時刻取得", "同　期", "中　止"
WARNING = "警告"
# The answer the system's hang check waits for; Windows ghosts a window after 5 s.
HANG_CHECK_MS = 1000
# Outside Shift-JIS, outside the ANSI code pages of an English system, and Japanese.
FOLDER_NAMES = ("Café", "테스트", "時刻")
# The Startup folder in the prefix (Wine names it "StartUp").
STARTUP = "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/[Ss]tart[Uu]p"
OBTAINED_SNTP = "時刻を取得しました\\."
OBTAINED_TIME = "時刻を取得しました\\.\\."
IN_ORDER = "時刻は正常です"
FAILURE_PREFIX = "タイムサーバを検索します("
FAILURE = FAILURE_PREFIX + "{})"  # with the number of failed attempts


def check_server_time(text, shift=0, now=None):
    match = re.fullmatch(r"(\d{4})/(\d{2})/(\d{2}) (\d{1,2}):(\d{2}):(\d{2})", text)
    check(match, f"edt_time reads {text!r}")
    shown = datetime.datetime(*map(int, match.groups()), tzinfo=JAPAN)
    expected = (now or datetime.datetime.now(JAPAN)) + datetime.timedelta(seconds=shift)
    drift = abs((shown - expected).total_seconds())
    check(drift < 30, f"edt_time {text} is {drift:.0f} s away from Japan time + {shift} s")


# ---- scenarios of one acquisition from the main window ----

def servers(sntp="answer", time="answer", http="answer", **more):
    """The loopback servers' modes (tools/e2e/responders.py): every service answers unless
    told otherwise; `shift` moves their clock (s)."""
    return dict(sntp=sntp, time=time, http=http, **more)


@dataclasses.dataclass(frozen=True)
class Acquisition:
    """One run of Kestrum.exe: the servers in their modes, one button of the main window
    pressed, its status bar followed until it reads `ends`; then the checks that are set.
    A server is named by its number in the built-in list (int) or by its text (str)."""
    scenario: str                 # the name on the command line; rows may share one
    servers: dict
    button: str
    ends: str                     # regular expression for the status bar's last text
    timeout: float                # s for `ends` to show
    run: str = ""                 # scratch folder and server log; the scenario's name if empty
    start: str = ""               # UTC time the program's and servers' clocks start at
    stored: str | None = None     # TimeServer in Environ.ini before the start
    # Before the click
    layout: bool = False          # the main window as designed, then its Tab order
    host_before: int | str | None = None
    # After `ends`
    buttons_back: float | None = None  # s within which 時刻取得 is enabled again
    last_failure: int | None = None    # the number in the last failure text seen
    hold: float = 0               # s to wait before the window is read again for what follows
    status: str | None = None     # the status bar's exact text
    server_time: int | None = None     # shown time = Japan time + this many s
    offset: str | None = None     # regular expression for the offset box
    empty: bool = False           # time and offset boxes empty
    host_after: int | str | None = None
    never_seen: str | None = None      # regular expression no status text may match
    stored_after: int | str | None = None  # TimeServer in Environ.ini
    requests: tuple = ()          # (service, count): exactly that many requests
    at_least: tuple = ()          # (service, count): at least that many
    sntp_wait: float | None = None     # most s from the SNTP request to the Time request
    shots: tuple = ("", "")       # screenshots at start and at the end ("": none)
    planted: bool = False         # DLLs planted beside the program, none of them loaded


ERA_CLOCK_CHECKS = dict(server_time=0, offset=r"誤差 -?\d 秒")

ACQUISITIONS = [
    Acquisition("interactive-sync", servers(), SYNC, IN_ORDER, 30, layout=True, host_before=1,
                buttons_back=0, server_time=0, offset=r"誤差 -?0 秒", stored_after=1,
                requests=(("time", 0),), at_least=(("sntp", 1), ("http", 1)),
                shots=("e2e-main-start", "e2e-main-synchronised")),
    Acquisition("time-protocol-fallback", servers(sntp="silent"), GET, OBTAINED_TIME, 40,
                server_time=0, offset=r"誤差 -?[01] 秒", stored_after=1,
                requests=(("sntp", 1), ("time", 1))),
    # A dotted address as the stored server, and a server 90 s ahead: time and offset shown.
    Acquisition("literal-address", servers(time="off", shift=90), GET, OBTAINED_SNTP, 30,
                stored="127.0.0.1", host_before="127.0.0.1", server_time=90,
                offset=r"誤差 (89|90) 秒", stored_after="127.0.0.1", requests=(("sntp", 1),)),
    # SNTP answers a time before 2000: the Time protocol's answer is taken instead.
    Acquisition("old-sntp-time", servers(sntp="old"), GET, OBTAINED_TIME, 30, server_time=0,
                requests=(("sntp", 1), ("time", 1))),
    # Thirteen attempts from server 1: servers 1-11, then 1 and 2; server 3 comes next. The
    # failure text stays.
    Acquisition("no-server", servers(sntp="off", time="off"), GET, re.escape(FAILURE.format(13)),
                120, buttons_back=10, last_failure=13, hold=1.5, status=FAILURE.format(13),
                empty=True, host_after=3, stored_after=3, at_least=(("http", 1),),
                shots=("", "e2e-main-no-server")),
    # A server an hour ahead: the program tries to step the clock and must be refused.
    Acquisition("refused-clock-write", servers(shift=3600), SYNC,
                "時刻を修正できません|時刻を 3\\d{3}秒 修正しました", 30,
                offset=r"誤差 3[56]\d\d 秒", status="時刻を修正できません"),
    # Datagrams from another port without pause: the SNTP wait still ends within its 5 s, and
    # the Time protocol of the same attempt gives the time.
    Acquisition("sntp-flood", servers(sntp="flood"), GET, OBTAINED_TIME, 40, server_time=0,
                requests=(("sntp", 1), ("time", 1)), sntp_wait=SNTP_WAIT_S + SNTP_MARGIN_S),
    # A stray byte before the true four: no time is taken and the clock box stays empty.
    Acquisition("five-byte-reply", servers(sntp="silent", time="five"), GET,
                re.escape(FAILURE.format(1)), 40, empty=True, never_seen="時刻を.*",
                at_least=(("time", 1),)),
    # An unsynchronised kiss-o'-death over SNTP is refused; the Time protocol answers.
    Acquisition("kiss-of-death", servers(sntp="kiss", shift=40), GET, OBTAINED_TIME, 40,
                server_time=40, never_seen=OBTAINED_SNTP, requests=(("sntp", 1), ("time", 1))),
    # Program and servers on a clock after 2036-02-07 06:28:16 UTC (and in 2100): the time is
    # obtained by SNTP and by the Time protocol.
    Acquisition("era", servers(time="off"), GET, OBTAINED_SNTP, 40, run="era-sntp",
                start="2036-02-07T06:30:00", **ERA_CLOCK_CHECKS),
    Acquisition("era", servers(sntp="silent"), GET, OBTAINED_TIME, 40, run="era-time",
                start="2036-02-07T06:30:00", **ERA_CLOCK_CHECKS),
    Acquisition("era", servers(time="off"), GET, OBTAINED_SNTP, 40, run="era-2100",
                start="2100-03-01T00:00:00", **ERA_CLOCK_CHECKS),
    # A DLL under each name the program imports or binds at run time lies in its folder (a
    # Downloads folder), and Wine prefers such DLLs to its own: every DLL the run needs (the
    # window, the probe, SNTP, the Time protocol) comes from the system folder all the same.
    Acquisition("planted-dlls", servers(sntp="silent"), GET, OBTAINED_TIME, 40, server_time=0,
                requests=(("sntp", 1), ("time", 1)), at_least=(("http", 1),), planted=True),
    # SNTP behind a 300/300 ms path: the path is not clock error. A server 1.2 s ahead reads
    # one second; one 0.9 s behind is in order and the clock is left alone.
    Acquisition("slow-path", servers(time="off", shift=1.2, path="300/300"), GET, OBTAINED_SNTP,
                30, run="slow-path-ahead", status="時刻を取得しました.", offset=r"誤差 1 秒",
                requests=(("sntp", 1),)),
    Acquisition("slow-path", servers(time="off", shift=-0.9, path="300/300"), SYNC, IN_ORDER, 30,
                run="slow-path-behind", status=IN_ORDER, offset=r"誤差 0 秒",
                never_seen=".*修正.*", requests=(("sntp", 1),)),
]


def run_acquisition(env, build, row):
    name = row.run or row.scenario
    start = None
    modes = dict(row.servers)
    if row.start:
        start = datetime.datetime.fromisoformat(row.start).replace(tzinfo=datetime.timezone.utc)
        modes["start"] = row.start
    log = env.start_servers(name, **modes)
    begun = time.monotonic()
    app = Kestrum(env, name, build, time_server=row.stored, clock_start=start,
                  planted=row.planted)
    try:
        window = app.wait_window(MAIN)
        if row.layout:
            check_main_layout(window)
        if row.host_before is not None:
            expected = env.facts.server(row.host_before)
            check(window.text("edt_hostname") == expected,
                  f"host name box reads {window.text('edt_hostname')!r}, not {expected!r}")
        if row.shots[0]:
            app.screenshot(MAIN, row.shots[0])
        if row.layout:
            check_tab_order(app)

        seen = []
        app.click(row.button)
        window = app.wait_status(MAIN, "StatusBar", row.ends, row.timeout, seen)
        now = None
        if start is not None:
            now = (start + datetime.timedelta(seconds=time.monotonic() - begun)).astimezone(JAPAN)
        if row.buttons_back is not None:
            deadline = time.monotonic() + row.buttons_back
            while not window.controls["btn_get"]["enabled"] and time.monotonic() < deadline:
                time.sleep(0.3)
                window = app.wait_idle_dump(MAIN)
            check(window.controls["btn_get"]["enabled"], "buttons still disabled")
        if row.last_failure is not None:
            failures = [t for t in seen if t.startswith(FAILURE_PREFIX)]
            check(failures and failures[-1] == FAILURE.format(row.last_failure),
                  f"status texts {seen}")
        if row.hold:
            time.sleep(row.hold)
            window = app.wait_idle_dump(MAIN)
        check_acquired_window(env, row, window, now)
        if row.never_seen is not None:
            check(not any(re.fullmatch(row.never_seen, t, re.DOTALL) for t in seen),
                  f"status texts {seen}")
        if row.stored_after is not None:
            check(app.settings().get("TimeServer") == env.facts.server(row.stored_after),
                  f"Environ.ini {app.settings()}")
        check_requests(log, row)
        if row.planted:
            check(not app.planted_loaded(), f"planted DLLs loaded: {app.planted_loaded()}")
        if row.shots[1]:
            app.screenshot(MAIN, row.shots[1])
    finally:
        app.close()


def check_acquired_window(env, row, window, now):
    if row.status is not None:
        check(window.text("StatusBar") == row.status,
              f"status bar reads {window.text('StatusBar')!r}, not {row.status!r}")
    if row.server_time is not None:
        check_server_time(window.text("edt_time"), shift=row.server_time, now=now)
    if row.offset is not None:
        check(re.fullmatch(row.offset, window.text("edt_offset")),
              f"edt_offset reads {window.text('edt_offset')!r}")
    if row.empty:
        check(window.text("edt_time") == "" and window.text("edt_offset") == "",
              f"time box {window.text('edt_time')!r}, offset box {window.text('edt_offset')!r}")
    if row.host_after is not None:
        check(window.text("edt_hostname") == env.facts.server(row.host_after),
              f"host name box reads {window.text('edt_hostname')!r}")


def check_requests(log, row):
    counts = {service: requests(log, service)
              for service in ("sntp", "time", "http", "dns")}
    for service, count in row.requests:
        check(counts[service] == count, f"{service} requests: {counts[service]}, not {count}")
    for service, count in row.at_least:
        check(counts[service] >= count, f"{service} requests: {counts[service]}, fewer than {count}")
    if row.sntp_wait is not None:
        (sent,), (fallback,) = request_times(log, "sntp"), request_times(log, "time")
        waited = fallback - sent
        print(f"  SNTP wait: {waited:.2f} s")
        check(waited <= row.sntp_wait, f"the SNTP wait took {waited:.2f} s")


# ---- the other scenarios ----

def unattended(env, build):
    env.start_servers("unattended", sntp="answer", time="answer", http="answer")
    app, window, texts, end = start_watched(env, build, "unattended", ["/S", "0"], PROGRESS,
                                            "LibPanel3", 30)
    try:
        check_progress_layout(window)
        check(end == "gone", f"the progress window stayed ({end}); texts {texts}")
        try:
            app.process.wait(timeout=15)
        except subprocess.TimeoutExpired:
            raise Failure(f"the unattended run did not end by itself; texts {texts}")
        # Texts that change within one poll may be missed; the order may not change.
        order = [" ", "インターネット接続中です", "タイムサーバ接続中です", "時刻を取得しました.",
                 IN_ORDER]
        check(texts and texts[-1] == IN_ORDER, f"status texts {texts}")
        check(all(t in order for t in texts) and texts == sorted(texts, key=order.index),
              f"status texts {texts}")
        check(app.settings().get("TimeServer") == env.facts.server(1),
              f"Environ.ini {app.settings()}")
    finally:
        app.close()


def silent_dns(env, build):
    """A name server that never answers (the time servers' names are not in the hosts file): one
    attempt waits for the resolver once, as the SNTP query ends at once after it and the Time
    protocol of the same attempt does not ask again."""
    work = env.work / "silent-dns"
    work.mkdir()
    hosts, nsswitch, resolv = work / "hosts", work / "nsswitch.conf", work / "resolv.conf"
    me = socket.gethostname()
    hosts.write_text(f"127.0.0.1 localhost {me} {env.facts.probe_host}\n::1 localhost {me}\n")
    nsswitch.write_text("hosts: files dns\n")
    # The resolver's own defaults, written out: 5 s per try, two tries.
    resolv.write_text("nameserver 127.0.0.1\noptions timeout:5 attempts:2\n")
    mounts = [(hosts, "/etc/hosts"), (nsswitch, "/etc/nsswitch.conf"), (resolv, "/etc/resolv.conf")]
    log = env.start_servers("silentdns", sntp="off", time="off", http="answer", dns="silent")
    app = Kestrum(env, "silentdns", build)
    try:
        app.wait_window(MAIN)
        for source, target in mounts:
            subprocess.run(["mount", "--bind", str(source), target], check=True)
        seen = []
        started = time.monotonic()
        app.click(GET)
        app.wait_status(MAIN, "StatusBar", re.escape(FAILURE.format(1)), 60, seen, dump=False)
        attempt = time.monotonic() - started
        print(f"  first attempt against a silent name server: {attempt:.1f} s "
              f"({requests(log, 'dns')} queries)")
        check(attempt < SILENT_DNS_ATTEMPT_S, f"the first attempt took {attempt:.1f} s")
    finally:
        for _, target in reversed(mounts):
            subprocess.run(["umount", target], check=False)
        app.close()


def no_ghost(env, build):
    """While a silent server holds an attempt (5 s SNTP, then 5 s Time protocol), the program
    answers WM_NULL sent from another process, as the system's hang check does, within 1 s;
    a click on 中　止 posted meanwhile runs only once the attempt has ended, and then ends the
    run: no third attempt."""
    log = env.start_servers("noghost", sntp="silent", time="silent", http="answer")
    app = Kestrum(env, "noghost", build, ["/S"])
    try:
        app.wait_window(PROGRESS)
        first = re.escape(FAILURE.format(1))
        app.wait_status(PROGRESS, "LibPanel3", first, 40, [], dump=False)
        time.sleep(2)  # the pause, then into the second attempt's SNTP wait
        for _ in range(3):
            code, lines = app.peek("ping", "progress", str(HANG_CHECK_MS))
            check(code == 0, f"WM_NULL not answered within {HANG_CHECK_MS} ms: {lines}")
            print(f"  WM_NULL answered: {lines[0]}")
        code, _ = app.peek("click", "progress", CANCEL)
        check(code == 0, f"cannot press {CANCEL} (winpeek exit {code})")
        status = FAILURE.format(1)
        while status == FAILURE.format(1):
            # The focus first: the status read after it shows the attempt still running.
            _, focus = app.peek("focus", "progress")
            window = app.dump(PROGRESS, quick=True)
            check(window is not None, "the progress window is gone")
            status = window.text("LibPanel3")
            if status == FAILURE.format(1):
                check(not any(line.endswith("\t" + CANCEL) for line in focus),
                      f"the posted click ran inside the attempt: focus {focus}")
            time.sleep(0.3)
        try:
            app.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            raise Failure("the cancelled run did not end by itself")
        check(requests(log, "sntp") == 2, f"{requests(log, 'sntp')} SNTP requests, not 2")
    finally:
        app.close()


def read_only_folder(env, build):
    """From a folder that cannot be written (a read-only mount: Wine runs as root here), a
    successful query reports once per run that Environ.ini cannot be written there."""
    env.start_servers("readonly", sntp="answer", time="answer", http="answer")
    mounted = []

    def make_read_only(folder):
        subprocess.run(["mount", "--bind", str(folder), str(folder)], check=True)
        mounted.append(folder)
        subprocess.run(["mount", "-o", "remount,bind,ro", str(folder)], check=True)

    app = Kestrum(env, "read-only", build, before_start=make_read_only)
    try:
        app.wait_window(MAIN)
        for run in (1, 2):
            app.click(GET)
            app.wait_status(MAIN, "StatusBar", OBTAINED_SNTP, 30, [], dump=False)
            if run == 2:
                time.sleep(2)
                code, lines = app.peek("box", WARNING)
                check(code != 0, f"reported twice: {lines}")
                break
            deadline = time.monotonic() + 10
            code, lines = app.peek("box", WARNING)
            while code != 0 and time.monotonic() < deadline:
                time.sleep(0.3)
                code, lines = app.peek("box", WARNING)
            check(code == 0, "no report of the failed write")
            text = " ".join(line.split("\t", 1)[1] for line in lines[1:])
            print(f"  report: {text}")
            check("設定を保存できません" in text and windows_path(app.folder) in text,
                  f"the report does not name {windows_path(app.folder)}: {text!r}")
            app.peek("box", WARNING, "press")
            app.wait_idle_dump(MAIN)
        check(not (app.folder / "Environ.ini").exists(), "Environ.ini written all the same")
    finally:
        app.close()
        for folder in mounted:
            subprocess.run(["umount", str(folder)], check=False)


def folder_names(env, build):
    """With an English locale (no Japanese code page) and from folders named "Café", "테스트"
    and "時刻", the program writes Environ.ini beside itself and points its start-up shortcut
    at itself."""
    english = {"LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}
    startup = Path(os.environ["WINEPREFIX"]) / "drive_c/users"
    for name in FOLDER_NAMES:
        log = env.start_servers("names", sntp="answer", time="answer", http="answer")
        app = Kestrum(env, f"names/{name}", build, extra_env=english)
        try:
            app.wait_window(MAIN)
            app.click(GET)
            window = app.wait_status(MAIN, "StatusBar", OBTAINED_SNTP, 30, [])
            print(f"  {name}: time box {window.text('edt_time')!r}")
            check(app.settings().get("TimeServer") == env.facts.server(1),
                  f"Environ.ini in {name}: {app.settings()}")
            x, y = MAIN.position("StartTime")
            check(app.peek("pick", "main", str(x), str(y), "5")[0] == 0, "cannot pick 5 s")
            deadline = time.monotonic() + 15
            while app.peek("box", WARNING, "press")[0] != 0 and time.monotonic() < deadline:
                time.sleep(0.3)
            links = []
            while not links and time.monotonic() < deadline:
                time.sleep(0.3)
                links = list(startup.glob(f"*/{STARTUP}/Kestrum.lnk"))
            check(links, f"no Kestrum.lnk in the Startup folder ({name})")
            code, lines = app.peek("link", windows_path(links[0]))
            fields = dict(line.split("\t", 1) for line in lines)
            target = windows_path(app.folder / "Kestrum.exe")
            check(code == 0 and fields.get("target") == target + "\texists",
                  f"the shortcut points at {fields.get('target')!r}, not {target!r}")
            check(fields.get("folder") == windows_path(app.folder) + "\\",
                  f"the shortcut starts in {fields.get('folder')!r}")
            check(app.settings().get("StartTime") == "5", f"Environ.ini {app.settings()}")
            check(requests(log, "sntp") >= 1, "SNTP never asked")
        finally:
            app.close()
            for link in startup.glob(f"*/{STARTUP}/Kestrum.lnk"):
                link.unlink()


def release_package():
    packages = sorted(ROOT.glob("dist/Kestrum-*.zip"), key=lambda p: p.stat().st_mtime)
    check(packages, "no release package in dist/: run tools/dist.sh")
    return packages[-1]


def from_zip(env, build):
    """The release zip unpacked into a Wine prefix made for it alone: its PE32 Kestrum.exe starts
    under the 32-bit loader, synchronises and keeps its settings beside itself."""
    package = release_package()
    shared_prefix = os.environ["WINEPREFIX"]
    os.environ["WINEPREFIX"] = str(env.work / "fresh-prefix")
    Path(os.environ["WINEPREFIX"]).mkdir()
    try:
        start_wine(env.wine64, env.wine, build / WINPEEK)
        folder = Path(os.environ["WINEPREFIX"]) / "drive_c/Kestrum"
        with zipfile.ZipFile(package) as archive:
            archive.extractall(folder)
        unpacked = sorted(p.relative_to(folder).as_posix() for p in folder.rglob("*") if p.is_file())
        version = package.stem.removeprefix("Kestrum-")
        check(unpacked == [f"Kestrum-{version}/{name}"
                           for name in ("Kestrum.exe", "LICENSE.txt", "readme.txt")],
              f"{package.name} holds {unpacked}")
        program = folder / f"Kestrum-{version}/Kestrum.exe"
        readme = (program.parent / "readme.txt").read_bytes()
        check(b"\r\n" in readme and b"\n" not in readme.replace(b"\r\n", b""),
              "readme.txt does not end its lines with CR LF")
        check(f"Kestrum Ver {version}" in readme.decode("cp932"), "readme.txt lacks its version")

        log = env.start_servers("zip", sntp="answer", time="answer", http="answer")
        app = Kestrum(env, "zip", build, program=program, loader=PE32_LOADER)
        try:
            window = app.wait_window(MAIN)
            check(window.text("edt_hostname") == env.facts.server(1),
                  "host name box does not hold server 1")
            app.click(SYNC)
            window = app.wait_status(MAIN, "StatusBar", IN_ORDER, 30, [])
            check_server_time(window.text("edt_time"))
            check(app.settings().get("TimeServer") == env.facts.server(1),
                  f"Environ.ini beside the unpacked program: {app.settings()}")
            check(requests(log, "sntp") >= 1, "SNTP never asked")
        finally:
            app.close()
    finally:
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([str(Path(env.wine).parent / "wineserver"), "-k"], check=False, **quiet)
        os.environ["WINEPREFIX"] = shared_prefix


# ---- the logon task and the rights to set the clock ----

TASK_REGISTERED = "ログオン時の自動設定をタスクに登録しました"
TASK_REMOVED = "タスクを削除しました"
RIGHTS_CAPTION = "権限"
WARNING_CAPTION = "警告"
BOX_OK, BOX_YES = 1, 6


def task_file():
    """Wine's scheduler keeps each task as XML under C:\\windows\\system32\\tasks."""
    found = list(Path(os.environ["WINEPREFIX"]).glob("drive_c/windows/*/tasks/Kestrum"))
    return found[0] if found else None


def startup_link():
    found = [p for p in Path(os.environ["WINEPREFIX"]).glob(
        "drive_c/users/*/*/*/Microsoft/Windows/Start Menu/Programs/*/Kestrum.lnk")
        if p.parent.name.lower() == "startup"]
    return found[0] if found else None


def check_task(app, arguments):
    path = task_file()
    check(path is not None, "no task Kestrum in the prefix")
    raw = path.read_bytes()
    xml = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-8")
    folder = "Z:" + str(app.folder).replace("/", "\\")
    wanted = [r"<LogonTrigger>", r"<UserId>[^<]+</UserId>", r"<RunLevel>HighestAvailable</RunLevel>",
              r"<LogonType>InteractiveToken</LogonType>",
              r"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
              r"<ExecutionTimeLimit>PT5M</ExecutionTimeLimit>",
              "<Command>" + re.escape(folder + "\\Kestrum.exe") + "</Command>",
              "<Arguments>" + re.escape(arguments) + "</Arguments>",
              "<WorkingDirectory>" + re.escape(folder + "\\") + "</WorkingDirectory>"]
    if "<Triggers/>" in xml:
        # Wine's scheduler (8.0) keeps the settings but writes back no trigger, principal or
        # action of its own accord: those are only read back where it keeps them.
        print("    the prefix's scheduler keeps no trigger, principal or action; settings checked")
        wanted = wanted[4:6]
    missing = [w for w in wanted if not re.search(w, xml, re.IGNORECASE)]
    check(not missing, f"the task lacks {missing}:\n{xml}")


def logon_task(env, build):
    """The elevated helper runs themselves: /TASK registers the logon task through the
    scheduler's COM interfaces, /UNTASK removes it; both end with 0."""
    for args, present in ((["/TASK", "5000"], True), (["/UNTASK"], False)):
        app = Kestrum(env, "logon-task" if present else "logon-task-removal", build, args)
        try:
            check(app.process.wait(timeout=60) == 0, f"{args} ended with {app.process.returncode}")
            if present:
                check_task(app, "/S 5000")
            else:
                check(task_file() is None, "the task is still there")
        finally:
            app.close()


def restricted_pick(env, build):
    """Under a token without the time right (an administrator's filtered one): picking a delay
    shows the warning, then the task question; Yes runs this program elevated ("runas") to
    register the task, and the shortcut goes. The empty entry removes the task again."""
    env.start_servers("restricted-pick", sntp="answer", time="answer", http="answer")
    app = Kestrum(env, "restricted-pick", build, restricted=True)
    try:
        app.wait_window(MAIN)
        app.pick(MAIN, "StartTime", 5)
        app.answer(WARNING_CAPTION, BOX_OK)
        deadline = time.monotonic() + 20
        while startup_link() is None and time.monotonic() < deadline:
            time.sleep(0.2)
        check(startup_link() is not None, "no shortcut after the warning")
        app.answer(RIGHTS_CAPTION, BOX_YES)
        app.wait_status(MAIN, "StatusBar", TASK_REGISTERED, 60, [], dump=False)
        check_task(app, "/S 5000")
        check(startup_link() is None, "the shortcut stayed beside the task")
        check(app.settings().get("StartTime") == "5", f"Environ.ini {app.settings()}")
        app.pick(MAIN, "StartTime", 0)
        app.wait_status(MAIN, "StatusBar", TASK_REMOVED, 60, [], dump=False)
        check(task_file() is None, "the task is still there")
        check(app.settings().get("StartTime") == "", f"Environ.ini {app.settings()}")
    finally:
        app.close()


def restricted_sync(env, build):
    """Under a token without the time right, 同　期 is refused and offers one elevated run: Yes
    starts "/S 0" through "runas", which asks the servers again; the sandbox refuses its clock
    write too, and the main window shows that outcome."""
    log = env.start_servers("restricted-sync", **servers(shift=3600))
    app = Kestrum(env, "restricted-sync", build, restricted=True)
    try:
        app.wait_window(MAIN)
        app.click(SYNC)
        app.answer(RIGHTS_CAPTION, BOX_YES, timeout=60)
        deadline = time.monotonic() + 60
        while requests(log, "sntp") < 2 and time.monotonic() < deadline:
            time.sleep(0.3)
        check(requests(log, "sntp") >= 2, "the elevated run never asked a server")
        window = app.wait_status(MAIN, "StatusBar", "時刻を修正できません", 60, [])
        check(window.controls["btn_get"]["enabled"], "buttons still disabled")
    finally:
        app.close()


def screenshots(env, build):
    """Main window at start, and the progress window of an unattended run held up by silent
    servers."""
    env.start_servers("shots-main", sntp="answer", time="answer", http="answer")
    app = Kestrum(env, "shots-main", build)
    try:
        app.wait_window(MAIN)
        time.sleep(1)
        app.screenshot(MAIN, "main-window")
    finally:
        app.close()
    env.start_servers("shots-progress", sntp="silent", time="silent", http="answer")
    # No delay argument: the panel keeps its designed yellow ("/S 0" would paint it black).
    app = Kestrum(env, "shots-progress", build, ["/S"])
    try:
        app.wait_window(PROGRESS)
        # Asked while the first time-out runs: answered at the pump that shows the failure.
        app.wait_status(PROGRESS, "LibPanel3", re.escape(FAILURE.format(1)), 30, [])
        app.screenshot(PROGRESS, "progress-window")
    finally:
        app.process.kill()
        app.process.wait()


def acquisitions(scenario):
    rows = [row for row in ACQUISITIONS if row.scenario == scenario]
    return lambda env, build: [run_acquisition(env, build, row) for row in rows]


# In the order of a full run.
ORDER = ["interactive-sync", "unattended", "time-protocol-fallback", "literal-address",
         "old-sntp-time", "no-server", "refused-clock-write", "sntp-flood", "five-byte-reply",
         "kiss-of-death", "era", "slow-path", "silent-dns", "logon-task", "restricted-pick",
         "restricted-sync", "planted-dlls", "no-ghost", "read-only-folder", "folder-names",
         "from-zip"]
FUNCTIONS = {"unattended": unattended, "silent-dns": silent_dns, "from-zip": from_zip,
             "logon-task": logon_task, "restricted-pick": restricted_pick,
             "restricted-sync": restricted_sync, "no-ghost": no_ghost,
             "read-only-folder": read_only_folder, "folder-names": folder_names}
SCENARIOS = {name: FUNCTIONS.get(name) or acquisitions(name) for name in ORDER}

# Scenarios that fake the program's clock with the machine's 64-bit libfaketime, which a
# 32-bit loader cannot preload: they run on the win64 build only.
NEEDS_64BIT_LOADER = {"era"}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--work", type=Path, required=True)
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--prefix", type=Path, required=True)
    parser.add_argument("--shots", type=Path, required=True)
    parser.add_argument("--facts", type=Path, required=True,
                        help="kestrum-e2e-facts of a native build")
    parser.add_argument("--screenshots-only", action="store_true")
    parser.add_argument("scenarios", nargs="*")
    args = parser.parse_args()
    unknown = [name for name in args.scenarios if name not in SCENARIOS]
    if unknown:
        parser.error(f"no scenario {', '.join(unknown)}; known: {', '.join(SCENARIOS)}")

    build = args.build.resolve()
    env = sandbox(args.work, build, args.prefix, args.shots, args.facts)

    if args.screenshots_only:
        screenshots(env, build)
        env.stop_servers()
        return 0

    chosen = args.scenarios or list(SCENARIOS)
    if env.wine != env.wine64:
        skipped = [name for name in chosen if name in NEEDS_64BIT_LOADER]
        chosen = [name for name in chosen if name not in NEEDS_64BIT_LOADER]
        for name in skipped:
            print(f"SKIP {name} (needs the 64-bit loader: KESTRUM_PRESET=win64)", flush=True)
    passed, failed = 0, 0
    for name in chosen:
        started = time.monotonic()
        try:
            SCENARIOS[name](env, build)
            passed += 1
            print(f"PASS {name} ({time.monotonic() - started:.1f} s)", flush=True)
        except Failure as error:
            failed += 1
            print(f"FAIL {name} ({time.monotonic() - started:.1f} s): {error}", flush=True)
        finally:
            env.stop_servers()
    print(f"e2e: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
