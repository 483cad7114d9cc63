#!/usr/bin/env python3
"""End-to-end scenarios of the real Kestrum.exe under Wine, run by tools/e2e.sh inside private
user, network, mount and process namespaces (only loopback exists, no right to set the clock).

Results are read from the windows (through kestrum-winpeek, a helper of ours that reads the
controls with WM_GETTEXT and the list and status bar messages) and from Environ.ini.
"""
import argparse
import datetime
import os
import re
import select
import shutil
import socket
import subprocess
import sys
import time
import zipfile
import zoneinfo
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
CAP_SYS_TIME = 25
SCREEN = (1024, 768)
JAPAN = zoneinfo.ZoneInfo("Asia/Tokyo")
FAKETIME_LIBRARY = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
SNTP_WAIT_S = 5.0  # the program's SNTP Timeout
SNTP_MARGIN_S = 1.0
# One resolver wait (two tries of 5 s) and the pumps around it.
SILENT_DNS_ATTEMPT_S = 14.0
# Wine's 32-bit loader, for the PE32 product of the release package.
PE32_LOADER = os.environ.get("KESTRUM_WINE32", "/usr/lib/wine/wine")

# Main window controls by (class, left, top) within the client area: name, width, height.
MAIN_LAYOUT = {
    ("Static", 5, 12): ("lbl_host", 60, 15, "サーバ"),
    ("Static", 5, 39): ("lbl_time", 60, 15, "時 刻"),
    ("Static", 5, 66): ("lbl_offset", 60, 15, "誤 差"),
    ("Static", 125, 133): ("LibLabel1", 172, 15, "秒後に、自動時刻設定する"),
    ("Static", 14, 133): ("LibLabel2", 55, 15, "起動時"),
    ("ComboBox", 72, 7): ("edt_hostbox", 234, 24, None),
    ("Edit", 72, 8): ("edt_hostname", 215, 24, None),
    ("Edit", 72, 35): ("edt_time", 234, 24, None),
    ("Button", 15, 95): ("btn_get", 90, 30, "時刻取得"),
    ("Button", 111, 95): ("btn_set", 90, 30, "誤差設定"),
    ("Edit", 72, 62): ("edt_offset", 234, 24, None),
    ("Button", 207, 95): ("btn_sync", 90, 30, "同　期"),
    ("msctls_statusbar32", 0, 153): ("StatusBar", 311, 19, None),
    ("ComboBox", 73, 130): ("StartTime", 49, 20, None),
}
PROGRESS_LAYOUT = {
    ("KestrumPanel", 0, 0): ("LibPanel1", 263, 99, ""),
    ("KestrumPanel", 5, 68): ("LibPanel3", 251, 22, None),
    ("KestrumPanel", 5, 8): ("LibPanel2", 251, 17, "Kestrum取得中"),
    ("Button", 93, 45): ("CancelBtn", 74, 21, "中　止"),
    ("KestrumPanel", 5, 27): ("LibPanel4", 251, 16, None),
}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def servers_from_source():
    text = (ROOT / "app/servers.h").read_text(encoding="utf-8")
    body = text[text.index("kServers = {"):]
    body = body[: body.index("};")]
    return re.findall(r'"([^"]+)"', body)


def probe_host_from_source():
    text = (ROOT / "app/acquisition.cpp").read_text(encoding="utf-8")
    return re.search(r'kProbeAddress\[\] = "http://([^/"]+)', text).group(1)


SERVERS = servers_from_source()
PROBE_HOST = probe_host_from_source()


class Window:
    """One dump of a window: its frame and its controls keyed by name."""

    def __init__(self, lines, layout):
        head = lines[0].split("\t")
        check(head[0] == "window", f"unexpected dump: {lines[0]!r}")
        self.visible = head[1] == "1"
        self.client_origin = (int(head[2]), int(head[3]))
        self.client_size = (int(head[4]), int(head[5]))
        self.frame = tuple(int(v) for v in head[6:10])
        self.style = int(head[10], 16)
        self.exstyle = int(head[11], 16)
        self.caption = head[12] if len(head) > 12 else ""
        self.controls = {}
        self.unknown = []
        for line in lines[1:]:
            f = line.split("\t")
            cls, left, top, width, height = f[1], int(f[2]), int(f[3]), int(f[4]), int(f[5])
            entry = layout.get((cls, left, top))
            record = {"class": cls, "size": (width, height), "visible": f[6] == "1",
                      "enabled": f[7] == "1", "text": f[9] if len(f) > 9 else "",
                      "extra": f[10] if len(f) > 10 else ""}
            if entry is None:
                self.unknown.append((cls, left, top, width, height))
            else:
                self.controls[entry[0]] = record

    def text(self, name):
        check(name in self.controls, f"control {name} not found")
        return self.controls[name]["text"]

    def extra(self, name):
        return dict(kv.split("=") for kv in self.controls[name]["extra"].split())


class Kestrum:
    """One copy of Kestrum.exe in a scratch folder of its own, and its process."""

    def __init__(self, env, name, build, args=(), time_server=None, program=None, loader=None,
                 clock_start=None):
        """`program`: run this Kestrum.exe where it stands (under `loader`), not a scratch copy
        of the build's."""
        self.env = env
        if program is None:
            self.folder = env.work / name
            self.folder.mkdir(parents=True)
            shutil.copy2(build / "app/Kestrum.exe", self.folder / "Kestrum.exe")
        else:
            self.folder = program.parent
        if time_server is not None:
            (self.folder / "Environ.ini").write_bytes(
                f"[Kestrum]\r\nTimeServer={time_server}\r\n".encode("cp932"))
        self.winpeek = build / "tools/e2e/kestrum-winpeek.exe"
        process_env = None
        if clock_start is not None:
            # The program's own clock starts at that UTC time and runs on; the machine's clock
            # is not touched (libfaketime in this process only).
            local = clock_start.astimezone(zoneinfo.ZoneInfo(os.environ.get("TZ", "UTC")))
            process_env = dict(os.environ, LD_PRELOAD=FAKETIME_LIBRARY,
                               FAKETIME="@" + local.strftime("%Y-%m-%d %H:%M:%S"))
        self.process = subprocess.Popen([loader or env.wine, str(self.folder / "Kestrum.exe"), *args],
                                        cwd=self.folder, stdin=subprocess.DEVNULL, env=process_env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def peek(self, *args):
        # A Wine process that starts just as another one does now and then stalls at start-up;
        # such a run is ended and tried again. A full dump may wait for several pumps.
        limit = 60 if args[0] == "dump" else 15
        for _ in range(3):
            try:
                result = subprocess.run([self.env.wine, str(self.winpeek), *args],
                                        stdin=subprocess.DEVNULL, capture_output=True,
                                        timeout=limit)
                return result.returncode, result.stdout.decode("utf-8", "replace").splitlines()
            except subprocess.TimeoutExpired:
                print(f"    kestrum-winpeek {' '.join(args)}: no answer in {limit} s", flush=True)
        return -1, []

    def dump(self, which, quick=False):
        code, lines = self.peek("quick" if quick else "dump", which)
        if code != 0 or not lines:
            return None
        return Window(lines, MAIN_LAYOUT if which == "main" else PROGRESS_LAYOUT)

    def wait_window(self, which, timeout=60):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            window = self.dump(which, quick=True)
            if window is not None and window.visible:
                return self.wait_idle_dump(which)
            check(self.process.poll() is None, f"Kestrum.exe ended before its {which} window showed")
            time.sleep(0.3)
        raise Failure(f"no visible {which} window after {timeout} s")

    def click(self, caption):
        code, _ = self.peek("click", "main", caption)
        check(code == 0, f"cannot press {caption} (winpeek exit {code})")

    def wait_status(self, which, control, wanted, timeout, seen, dump=True):
        """Follows one control's text with the watcher until it matches `wanted` (a regex),
        recording every new text in `seen`; then returns a dump of the window, read once the
        program is idle again."""
        layout = MAIN_LAYOUT if which == "main" else PROGRESS_LAYOUT
        (_, x, y), = [key for key, value in layout.items() if value[0] == control]
        watcher = subprocess.Popen([self.env.wine, str(self.winpeek), "watch", which, str(x),
                                    str(y), str(int(timeout))], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        matched = False
        try:
            deadline = time.monotonic() + timeout + 10
            buffer = b""
            while not matched and time.monotonic() < deadline:
                ready, _, _ = select.select([watcher.stdout], [], [], 0.5)
                if not ready:
                    continue
                chunk = os.read(watcher.stdout.fileno(), 4096)
                if not chunk:
                    break
                buffer += chunk
                while b"\n" in buffer and not matched:
                    line, buffer = buffer.split(b"\n", 1)
                    fields = line.decode("utf-8", "replace").split("\t", 1)
                    if fields[0] != "text":
                        continue
                    if not seen or seen[-1] != fields[1]:
                        seen.append(fields[1])
                    matched = re.fullmatch(wanted, fields[1]) is not None
        finally:
            watcher.kill()
            watcher.wait()
        check(matched, f"{control} never read {wanted!r}; texts seen: {seen}")
        return self.wait_idle_dump(which) if dump else None

    def wait_idle_dump(self, which, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            window = self.dump(which)
            if window is not None:
                return window
            time.sleep(0.2)
        raise Failure(f"no dump of the {which} window in {timeout} s")

    def close(self):
        if self.process.poll() is None:
            self.peek("close", "main")
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def settings(self):
        path = self.folder / "Environ.ini"
        if not path.exists():
            return {}
        values, section = {}, None
        for line in path.read_text(encoding="cp932").splitlines():
            line = line.strip()
            if line.startswith("["):
                section = line.strip("[]")
            elif "=" in line and section == "Kestrum":
                key, value = line.split("=", 1)
                values[key] = value
        return values

    def screenshot(self, which, name):
        window = self.dump(which)
        if window is None:
            return
        left, top, width, height = window.frame
        out = self.env.shots / f"{name}.png"
        subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
                        "+repage", str(out)], check=False, timeout=30)
        print(f"    screenshot {out}")


class Environment:
    def __init__(self, work, shots):
        self.work = work
        self.shots = shots
        # The loader of the build under test (the 32-bit one for the PE32 product); the
        # prefix's own services start under the 64-bit one, whose prefix it is.
        self.wine = os.environ.get("KESTRUM_WINE", "/usr/lib/wine/wine64")
        self.wine64 = os.environ.get("KESTRUM_WINE64", "/usr/lib/wine/wine64")
        self.responders = None

    def start_servers(self, name, **modes):
        self.stop_servers()
        log = self.work / f"{name}-servers.log"
        ready = self.work / f"{name}-servers.ready"
        args = [sys.executable, str(HERE / "responders.py"), "--log", str(log),
                "--ready", str(ready)]
        for service, mode in modes.items():
            args += [f"--{service}", str(mode)]
        self.responders = subprocess.Popen(args)
        deadline = time.monotonic() + 10
        while not ready.exists():
            check(self.responders.poll() is None, "the loopback servers did not start")
            check(time.monotonic() < deadline, "the loopback servers did not get ready")
            time.sleep(0.05)
        return log

    def stop_servers(self):
        if self.responders is not None:
            self.responders.kill()
            self.responders.wait()
            self.responders = None


def request_times(log, service):
    return [float(line.split("\t", 1)[0]) for line in log.read_text(encoding="utf-8").splitlines()
            if line.split("\t")[1:2] == [service]]


def requests(log, service):
    if not log.exists():
        return 0
    return sum(1 for line in log.read_text().splitlines() if line.split("\t")[1] == service)


# ---- checks shared by the scenarios ----

def check_main_layout(window):
    check(window.caption == "Kestrum", f"main caption {window.caption!r}")
    check(window.client_size == (311, 172), f"main client area {window.client_size}")
    left, top, width, height = window.frame
    check(abs(left - (SCREEN[0] - width) // 2) <= 1 and abs(top - (SCREEN[1] - height) // 2) <= 1,
          f"main window not centred: {window.frame}")
    ws_thickframe, ws_minimizebox, ws_maximizebox, ws_sysmenu = 0x40000, 0x20000, 0x10000, 0x80000
    check(window.style & ws_sysmenu, "main window without system menu")
    check(not window.style & (ws_thickframe | ws_minimizebox | ws_maximizebox),
          f"main window resizable or with min/max boxes: style {window.style:#x}")
    check(not window.unknown, f"controls off their places: {window.unknown}")
    for (cls, _, _), (name, width, height, caption) in MAIN_LAYOUT.items():
        control = window.controls.get(name)
        check(control is not None, f"{name} ({cls}) not at its place")
        if cls != "msctls_statusbar32" and cls != "ComboBox":
            check(control["size"] == (width, height), f"{name} size {control['size']}")
        if caption is not None:
            check(control["text"] == caption, f"{name} reads {control['text']!r}")
    check(window.controls["edt_hostbox"]["size"][0] == 234, "edt_hostbox width")
    check(window.controls["StatusBar"]["size"][0] == 311, "status bar does not span the window")
    hostbox, starttime = window.extra("edt_hostbox"), window.extra("StartTime")
    check(hostbox["items"] == "13", f"edt_hostbox has {hostbox['items']} entries")
    check(starttime["items"] == "31", f"StartTime has {starttime['items']} entries")
    # Plain (not owner-drawn) lists take their item height from the font: 16 and 12 with the
    # Windows fonts, one more with the IPA fonts that stand in for them under Wine.
    check(int(hostbox["item"]) in (16, 17) and int(starttime["item"]) in (12, 13),
          f"item heights {hostbox['item']}, {starttime['item']}")
    status = window.extra("StatusBar")
    check(status == {"parts": "1", "grip": "0"}, f"status bar {status}")
    for name in ("edt_time", "edt_offset"):
        check(not window.controls[name]["enabled"], f"{name} is enabled")


def check_progress_layout(window):
    check(window.client_size == (263, 99), f"progress client area {window.client_size}")
    left, top, width, height = window.frame
    check(abs(left - (SCREEN[0] - width) // 2) <= 1 and abs(top - (SCREEN[1] - height) // 2) <= 1,
          f"progress window not centred: {window.frame}")
    ws_caption, ws_ex_topmost = 0xC00000, 0x8
    check(not window.style & ws_caption, "progress window has a caption bar")
    check(window.exstyle & ws_ex_topmost, "progress window not on top")
    for name, width, height, caption in PROGRESS_LAYOUT.values():
        control = window.controls.get(name)
        check(control is not None, f"{name} not at its place; unknown: {window.unknown}")
        check(control["size"] == (width, height), f"{name} size {control['size']}")
        if caption:
            check(control["text"] == caption, f"{name} reads {control['text']!r}")


def check_tab_order(app):
    """The focus starts in the host name box and Tab visits the enabled stops in tab order,
    skipping the two display boxes and StartTime."""
    names = {(cls, x, y): name for (cls, x, y), (name, *_) in MAIN_LAYOUT.items()}
    visited = []
    for step in range(6):
        if step:
            subprocess.run(["xdotool", "key", "Tab"], check=True, timeout=10)
            time.sleep(0.3)
        code, lines = app.peek("focus", "main")
        fields = lines[0].split("\t") if code == 0 and lines else ["focus", "?", "0", "0"]
        visited.append(names.get((fields[1], int(fields[2]), int(fields[3])), fields[1]))
    check(visited == ["edt_hostname", "btn_get", "btn_set", "btn_sync", "edt_hostbox",
                      "edt_hostname"], f"focus and Tab visit {visited}")


def check_server_time(text, shift=0, now=None):
    match = re.fullmatch(r"(\d{4})/(\d{2})/(\d{2}) (\d{1,2}):(\d{2}):(\d{2})", text)
    check(match, f"edt_time reads {text!r}")
    shown = datetime.datetime(*map(int, match.groups()), tzinfo=JAPAN)
    expected = (now or datetime.datetime.now(JAPAN)) + datetime.timedelta(seconds=shift)
    drift = abs((shown - expected).total_seconds())
    check(drift < 30, f"edt_time {text} is {drift:.0f} s away from Japan time + {shift} s")


# ---- scenarios ----

def interactive_sync(env, build):
    log = env.start_servers("sync", sntp="answer", time="answer", http="answer")
    app = Kestrum(env, "sync", build)
    try:
        window = app.wait_window("main")
        check_main_layout(window)
        check(window.text("edt_hostname") == SERVERS[0], "host name box does not hold server 1")
        app.screenshot("main", "e2e-main-start")
        check_tab_order(app)
        seen = []
        app.click("同　期")
        window = app.wait_status("main", "StatusBar", "時刻は正常です", 30, seen)
        check_server_time(window.text("edt_time"))
        check(re.fullmatch(r"誤差 -?0 秒", window.text("edt_offset")),
              f"edt_offset reads {window.text('edt_offset')!r}")
        check(window.controls["btn_get"]["enabled"], "buttons still disabled")
        app.screenshot("main", "e2e-main-synchronised")
        check(app.settings().get("TimeServer") == SERVERS[0], f"Environ.ini {app.settings()}")
        check(requests(log, "sntp") >= 1 and requests(log, "time") == 0,
              "SNTP not asked, or Time protocol asked after an SNTP success")
        check(requests(log, "http") >= 1, "the network probe never reached the HTTP server")
    finally:
        app.close()


def watch_progress(env, build, name, args, seconds):
    """Runs Kestrum.exe with `args` while a watcher follows the progress window's status line;
    returns the program, the window as first shown, and every status text in order."""
    winpeek = build / "tools/e2e/kestrum-winpeek.exe"
    watcher = subprocess.Popen([env.wine, str(winpeek), "watch", "progress", "5", "68",
                                str(seconds)], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
    # The whole run may take under two seconds: the watcher must be looking before it starts.
    ready, _, _ = select.select([watcher.stdout], [], [], 30)
    check(ready and watcher.stdout.readline().strip() == b"watching", "the watcher did not start")
    app = Kestrum(env, name, build, args)
    try:
        out, _ = watcher.communicate(timeout=seconds + 15)
    except subprocess.TimeoutExpired:
        watcher.kill()
        out, _ = watcher.communicate()
    lines = out.decode("utf-8", "replace").splitlines()
    dump = [line for line in lines if line.startswith(("window\t", "control\t"))]
    # A window being destroyed reads empty; the status line is never empty otherwise.
    texts = [line.split("\t", 1)[1] for line in lines if line.startswith("text\t")]
    texts = [text for text in texts if text]
    check(dump, f"the progress window never showed; watcher said {lines}")
    return app, Window(dump, PROGRESS_LAYOUT), texts, lines[-1] if lines else ""


def unattended(env, build):
    env.start_servers("unattended", sntp="answer", time="answer", http="answer")
    app, window, texts, end = watch_progress(env, build, "unattended", ["/S", "0"], 30)
    try:
        check_progress_layout(window)
        check(end == "gone", f"the progress window stayed ({end}); texts {texts}")
        try:
            app.process.wait(timeout=15)
        except subprocess.TimeoutExpired:
            raise Failure(f"the unattended run did not end by itself; texts {texts}")
        # Texts that change within one poll may be missed; the order may not change.
        order = [" ", "インターネット接続中です", "タイムサーバ接続中です", "時刻を取得しました.",
                 "時刻は正常です"]
        check(texts and texts[-1] == "時刻は正常です", f"status texts {texts}")
        check(all(t in order for t in texts) and texts == sorted(texts, key=order.index),
              f"status texts {texts}")
        check(app.settings().get("TimeServer") == SERVERS[0], f"Environ.ini {app.settings()}")
    finally:
        app.close()


def time_protocol_fallback(env, build):
    log = env.start_servers("fallback", sntp="silent", time="answer", http="answer")
    app = Kestrum(env, "fallback", build)
    try:
        app.wait_window("main")
        seen = []
        app.click("時刻取得")
        window = app.wait_status("main", "StatusBar", "時刻を取得しました\\.\\.", 40, seen)
        check_server_time(window.text("edt_time"))
        check(re.fullmatch(r"誤差 -?[01] 秒", window.text("edt_offset")),
              f"edt_offset reads {window.text('edt_offset')!r}")
        check(requests(log, "sntp") == 1 and requests(log, "time") == 1,
              f"requests: sntp {requests(log, 'sntp')}, time {requests(log, 'time')}")
        check(app.settings().get("TimeServer") == SERVERS[0], f"Environ.ini {app.settings()}")
    finally:
        app.close()


def literal_address(env, build):
    """A dotted address as the stored server, and a server 90 s ahead: time and offset shown."""
    log = env.start_servers("literal", sntp="answer", time="off", http="answer", shift=90)
    app = Kestrum(env, "literal", build, time_server="127.0.0.1")
    try:
        window = app.wait_window("main")
        check(window.text("edt_hostname") == "127.0.0.1", "stored server not in the host box")
        seen = []
        app.click("時刻取得")
        window = app.wait_status("main", "StatusBar", "時刻を取得しました\\.", 30, seen)
        check_server_time(window.text("edt_time"), shift=90)
        check(re.fullmatch(r"誤差 (89|90) 秒", window.text("edt_offset")),
              f"edt_offset reads {window.text('edt_offset')!r}")
        check(app.settings().get("TimeServer") == "127.0.0.1", f"Environ.ini {app.settings()}")
        check(requests(log, "sntp") == 1, f"SNTP requests: {requests(log, 'sntp')}")
    finally:
        app.close()


def old_sntp_time(env, build):
    """SNTP answers a time before 2000: the Time protocol's answer is taken instead."""
    log = env.start_servers("oldsntp", sntp="old", time="answer", http="answer")
    app = Kestrum(env, "oldsntp", build)
    try:
        app.wait_window("main")
        seen = []
        app.click("時刻取得")
        window = app.wait_status("main", "StatusBar", "時刻を取得しました\\.\\.", 30, seen)
        check_server_time(window.text("edt_time"))
        check(requests(log, "sntp") == 1 and requests(log, "time") == 1,
              f"requests: sntp {requests(log, 'sntp')}, time {requests(log, 'time')}")
    finally:
        app.close()


def no_server(env, build):
    log = env.start_servers("noserver", sntp="off", time="off", http="answer")
    app = Kestrum(env, "noserver", build)
    try:
        app.wait_window("main")
        seen = []
        app.click("時刻取得")
        window = app.wait_status("main", "StatusBar", r"タイムサーバを検索します\(13\)", 120, seen)
        deadline = time.monotonic() + 10
        while not window.controls["btn_get"]["enabled"] and time.monotonic() < deadline:
            time.sleep(0.3)
            window = app.dump("main")
        check(window.controls["btn_get"]["enabled"], "controls not enabled after the failures")
        failures = [t for t in seen if t.startswith("タイムサーバを検索します(")]
        check(failures[-1] == "タイムサーバを検索します(13)", f"status texts {seen}")
        time.sleep(1.5)
        window = app.dump("main")
        check(window.text("StatusBar") == "タイムサーバを検索します(13)",
              f"failure text replaced by {window.text('StatusBar')!r}")
        check(window.text("edt_time") == "" and window.text("edt_offset") == "",
              "time or offset box not emptied")
        # Thirteen attempts from server 1: servers 1-11, then 1 and 2; server 3 comes next.
        check(window.text("edt_hostname") == SERVERS[2],
              f"host name box reads {window.text('edt_hostname')!r}")
        check(app.settings().get("TimeServer") == SERVERS[2], f"Environ.ini {app.settings()}")
        check(requests(log, "http") >= 1, "the probe never reached the HTTP server")
        app.screenshot("main", "e2e-main-no-server")
    finally:
        app.close()


def refused_clock_write(env, build):
    """A server an hour ahead: the program tries to step the clock and must be refused."""
    env.start_servers("ahead", sntp="answer", time="answer", http="answer", shift=3600)
    app = Kestrum(env, "ahead", build)
    try:
        app.wait_window("main")
        seen = []
        app.click("同　期")
        window = app.wait_status("main", "StatusBar", "時刻を修正できません|時刻を 3\\d{3}秒 修正しました",
                                 30, seen)
        check(re.fullmatch(r"誤差 3[56]\d\d 秒", window.text("edt_offset")),
              f"edt_offset reads {window.text('edt_offset')!r}")
        check(window.text("StatusBar") == "時刻を修正できません",
              f"refused clock write reported as {window.text('StatusBar')!r}")
    finally:
        app.close()


def sntp_flood(env, build):
    """Datagrams from another port without pause: the SNTP wait still ends within its 5 s, and
    the Time protocol of the same attempt gives the time."""
    log = env.start_servers("flood", sntp="flood", time="answer", http="answer")
    app = Kestrum(env, "flood", build)
    try:
        app.wait_window("main")
        seen = []
        app.click("時刻取得")
        window = app.wait_status("main", "StatusBar", "時刻を取得しました\\.\\.", 40, seen)
        check_server_time(window.text("edt_time"))
        (sent,), (fallback,) = request_times(log, "sntp"), request_times(log, "time")
        waited = fallback - sent
        print(f"  SNTP wait under the flood: {waited:.2f} s")
        check(waited <= SNTP_WAIT_S + SNTP_MARGIN_S, f"the SNTP wait took {waited:.2f} s")
    finally:
        app.close()


def five_byte_reply(env, build):
    """A stray byte before the true four: no time is taken and the clock box stays empty."""
    log = env.start_servers("fivebyte", sntp="silent", time="five", http="answer")
    app = Kestrum(env, "fivebyte", build)
    try:
        app.wait_window("main")
        seen = []
        app.click("時刻取得")
        window = app.wait_status("main", "StatusBar", r"タイムサーバを検索します\(1\)", 40, seen)
        check(window.text("edt_time") == "" and window.text("edt_offset") == "",
              f"time box {window.text('edt_time')!r}, offset box {window.text('edt_offset')!r}")
        check(not any(t.startswith("時刻を") for t in seen), f"status texts {seen}")
        check(requests(log, "time") >= 1, f"Time requests: {requests(log, 'time')}")
    finally:
        app.close()


def kiss_of_death(env, build):
    """An unsynchronised kiss-o'-death over SNTP is refused; the Time protocol answers."""
    log = env.start_servers("kiss", sntp="kiss", time="answer", http="answer", shift=40)
    app = Kestrum(env, "kiss", build)
    try:
        app.wait_window("main")
        seen = []
        app.click("時刻取得")
        window = app.wait_status("main", "StatusBar", "時刻を取得しました\\.\\.", 40, seen)
        check_server_time(window.text("edt_time"), shift=40)
        check(requests(log, "sntp") == 1 and requests(log, "time") == 1,
              f"requests: sntp {requests(log, 'sntp')}, time {requests(log, 'time')}")
        check("時刻を取得しました." not in seen, f"the kiss-o'-death was believed: {seen}")
    finally:
        app.close()


def era(env, build):
    """Program and servers on a clock after 2036-02-07 06:28:16 UTC (and in 2100): the time is
    obtained by SNTP and by the Time protocol."""
    runs = [("era-sntp", "2036-02-07T06:30:00", "answer", "off", "時刻を取得しました\\."),
            ("era-time", "2036-02-07T06:30:00", "silent", "answer", "時刻を取得しました\\.\\."),
            ("era-2100", "2100-03-01T00:00:00", "answer", "off", "時刻を取得しました\\.")]
    for name, start_text, sntp, time_mode, wanted in runs:
        start = datetime.datetime.fromisoformat(start_text).replace(tzinfo=datetime.timezone.utc)
        env.start_servers(name, sntp=sntp, time=time_mode, http="answer", start=start_text)
        begun = time.monotonic()
        app = Kestrum(env, name, build, clock_start=start)
        try:
            app.wait_window("main")
            seen = []
            app.click("時刻取得")
            window = app.wait_status("main", "StatusBar", wanted, 40, seen)
            now = (start + datetime.timedelta(seconds=time.monotonic() - begun)).astimezone(JAPAN)
            check_server_time(window.text("edt_time"), now=now)
            check(re.fullmatch(r"誤差 -?\d 秒", window.text("edt_offset")),
                  f"edt_offset reads {window.text('edt_offset')!r}")
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
    hosts.write_text(f"127.0.0.1 localhost {me} {PROBE_HOST}\n::1 localhost {me}\n")
    nsswitch.write_text("hosts: files dns\n")
    # The resolver's own defaults, written out: 5 s per try, two tries.
    resolv.write_text("nameserver 127.0.0.1\noptions timeout:5 attempts:2\n")
    mounts = [(hosts, "/etc/hosts"), (nsswitch, "/etc/nsswitch.conf"), (resolv, "/etc/resolv.conf")]
    log = env.start_servers("silentdns", sntp="off", time="off", http="answer", dns="silent")
    app = Kestrum(env, "silentdns", build)
    try:
        app.wait_window("main")
        for source, target in mounts:
            subprocess.run(["mount", "--bind", str(source), target], check=True)
        seen = []
        started = time.monotonic()
        app.click("時刻取得")
        app.wait_status("main", "StatusBar", r"タイムサーバを検索します\(1\)", 60, seen, dump=False)
        attempt = time.monotonic() - started
        print(f"  first attempt against a silent name server: {attempt:.1f} s "
              f"({requests(log, 'dns')} queries)")
        check(attempt < SILENT_DNS_ATTEMPT_S, f"the first attempt took {attempt:.1f} s")
    finally:
        for _, target in reversed(mounts):
            subprocess.run(["umount", target], check=False)
        app.close()


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
        start_wine(env.wine64, env.wine, build / "tools/e2e/kestrum-winpeek.exe")
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
            window = app.wait_window("main")
            check(window.text("edt_hostname") == SERVERS[0], "host name box does not hold server 1")
            app.click("同　期")
            window = app.wait_status("main", "StatusBar", "時刻は正常です", 30, [])
            check_server_time(window.text("edt_time"))
            check(app.settings().get("TimeServer") == SERVERS[0],
                  f"Environ.ini beside the unpacked program: {app.settings()}")
            check(requests(log, "sntp") >= 1, "SNTP never asked")
        finally:
            app.close()
    finally:
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([str(Path(env.wine).parent / "wineserver"), "-k"], check=False, **quiet)
        os.environ["WINEPREFIX"] = shared_prefix


# Scenarios that fake the program's clock with the machine's 64-bit libfaketime, which a
# 32-bit loader cannot preload: they run on the win64 build only.
NEEDS_64BIT_LOADER = {"era"}

SCENARIOS = {
    "interactive-sync": interactive_sync,
    "unattended": unattended,
    "time-protocol-fallback": time_protocol_fallback,
    "literal-address": literal_address,
    "old-sntp-time": old_sntp_time,
    "no-server": no_server,
    "refused-clock-write": refused_clock_write,
    "sntp-flood": sntp_flood,
    "five-byte-reply": five_byte_reply,
    "kiss-of-death": kiss_of_death,
    "era": era,
    "silent-dns": silent_dns,
    "from-zip": from_zip,
}


def screenshots(env, build):
    """Main window at start, and the progress window of an unattended run held up by silent
    servers."""
    env.start_servers("shots-main", sntp="answer", time="answer", http="answer")
    app = Kestrum(env, "shots-main", build)
    try:
        app.wait_window("main")
        time.sleep(1)
        app.screenshot("main", "main-window")
    finally:
        app.close()
    env.start_servers("shots-progress", sntp="silent", time="silent", http="answer")
    # No delay argument: the panel keeps its designed yellow ("/S 0" would paint it black).
    app = Kestrum(env, "shots-progress", build, ["/S"])
    try:
        app.wait_window("progress")
        # Asked while the first time-out runs: answered at the pump that shows the failure.
        app.wait_status("progress", "LibPanel3", "タイムサーバを検索します\\(1\\)", 30, [])
        app.screenshot("progress", "progress-window")
    finally:
        app.process.kill()
        app.process.wait()


# ---- namespace set-up ----

def verify_no_clock_right():
    uid_map = Path("/proc/self/uid_map").read_text().split()
    check(uid_map[:3] != ["0", "0", "4294967295"], "not inside a private user namespace")
    bounding = int(re.search(r"CapBnd:\s*([0-9a-f]+)",
                             Path("/proc/self/status").read_text()).group(1), 16)
    check(not bounding & (1 << CAP_SYS_TIME), "CAP_SYS_TIME still in the bounding set")


def isolate_names(work):
    hosts = work / "hosts"
    hosts.write_text("127.0.0.1 localhost " + " ".join([PROBE_HOST, *SERVERS]) + "\n")
    nsswitch = work / "nsswitch.conf"
    nsswitch.write_text("hosts: files\n")
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    subprocess.run(["mount", "--bind", str(hosts), "/etc/hosts"], check=True)
    subprocess.run(["mount", "--bind", str(nsswitch), "/etc/nsswitch.conf"], check=True)
    for name in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "no_proxy", "NO_PROXY"):
        os.environ.pop(name, None)


def private_prefix(work, shared):
    """The shared prefix under a writable overlay, so that a wineserver of our own serves it."""
    merged, upper, scratch = work / "prefix", work / "prefix-upper", work / "prefix-work"
    for d in (merged, upper, scratch):
        d.mkdir()
    subprocess.run(["mount", "-t", "overlay", "overlay", "-o",
                    f"lowerdir={shared},upperdir={upper},workdir={scratch}", str(merged)],
                   check=True)
    os.environ["WINEPREFIX"] = str(merged)


def start_display():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                             f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        number = f.readline().strip()
    check(number, "Xvfb did not start")
    os.environ["DISPLAY"] = f":{number}"
    return xvfb


def start_wine(wine64, wine, winpeek):
    """Starts the prefix's server and services with no tie to our pipes (a server started by a
    helper run would keep the helper's output pipe open), then runs the window reader once: its
    first run in a new server can stall while the program starts beside it."""
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([str(Path(wine64).parent / "wineserver"), "-p"], check=True, **quiet)
    subprocess.run([wine64, "wineboot"], check=True, timeout=180, **quiet)
    for _ in range(3):
        try:
            subprocess.run([wine, str(winpeek), "quick", "main"], timeout=20, **quiet)
            return
        except subprocess.TimeoutExpired:
            pass
    raise Failure("the window reader does not start under Wine")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--work", type=Path, required=True)
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--prefix", type=Path, required=True)
    parser.add_argument("--shots", type=Path, required=True)
    parser.add_argument("--screenshots-only", action="store_true")
    parser.add_argument("scenarios", nargs="*")
    args = parser.parse_args()

    verify_no_clock_right()
    isolate_names(args.work)
    private_prefix(args.work, args.prefix)
    os.environ["TZ"] = "Asia/Tokyo"
    start_display()
    args.shots.mkdir(parents=True, exist_ok=True)
    env = Environment(args.work, args.shots)
    build = args.build.resolve()
    start_wine(env.wine64, env.wine, build / "tools/e2e/kestrum-winpeek.exe")

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
