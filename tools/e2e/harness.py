"""The end-to-end harness: the program under test (one scratch copy of Kestrum.exe and its
process), its windows as read by kestrum-winpeek, the loopback servers, and the sandbox the
scenarios run in (private namespaces, names pointing at loopback, a prefix overlay, a display).

What the harness must know of the product (its time servers and the probe's address) it asks
kestrum-e2e-facts, a native program built from the product's own units.
"""
import os
import re
import select
import shutil
import subprocess
import sys
import time
import urllib.parse
import zoneinfo
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
CAP_SYS_TIME = 25
SCREEN = (1024, 768)
FAKETIME_LIBRARY = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
# Wine's 32-bit loader, for the PE32 product of the release package.
PE32_LOADER = os.environ.get("KESTRUM_WINE32", "/usr/lib/wine/wine")
WINPEEK = "tools/e2e/kestrum-winpeek.exe"  # within a Windows build folder
PLANTED = "tools/e2e/kestrum-planted.dll"  # likewise; leaves NAME.dll.loaded when loaded
# System DLLs the program binds at run time, and those they import: Wine is told to prefer a
# DLL of such a name beside the program to its own. The names the program imports are planted
# too, in Wine's own order: Windows takes them, its known DLLs (tools/check-pe.sh), from the
# system folder whatever lies beside the program, and Wine, which has no such list, would not.
# (Wine's own DLLs load version.dll at start and uxtheme.dll for theming without the search path
# the program set: not the program's doing, so not planted.)
RUN_TIME_DLLS = ("comctl32", "wininet", "wsock32", "wship6", "dnsapi", "iphlpapi", "mswsock",
                 "mpr", "winmm", "secur32", "winhttp", "urlmon")
RESTRICTED = "tools/e2e/kestrum-restricted.exe"


def windows_path(path):
    """A path of this machine as Wine's Z: drive names it."""
    return "Z:" + str(path).replace("/", "\\")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


# ---- what the product says of itself ----

class Facts:
    """The built-in time servers in rotation order, and the host the network probe asks."""

    def __init__(self, servers, probe_address):
        self.servers = servers
        self.probe_address = probe_address
        self.probe_host = urllib.parse.urlsplit(probe_address).hostname

    @classmethod
    def ask(cls, program):
        result = subprocess.run([str(program)], stdin=subprocess.DEVNULL, capture_output=True,
                                timeout=30)
        check(result.returncode == 0, f"{program} ended with {result.returncode}")
        servers, probes = [], []
        for line in result.stdout.decode("utf-8").splitlines():
            kind, _, value = line.partition("\t")
            {"server": servers, "probe": probes}[kind].append(value)
        check(servers and len(probes) == 1, f"{program} said {result.stdout!r}")
        facts = cls(servers, probes[0])
        check(facts.probe_host, f"no host in the probe address {probes[0]!r}")
        return facts

    def server(self, ref):
        """`ref`: a server's number in the built-in list (from 1), or a host name as it is."""
        return self.servers[ref - 1] if isinstance(ref, int) else ref


# ---- windows ----

class Layout:
    """Where a window's controls are: (class, left, top) within the client area -> (name,
    width, height, caption or None). `window` is kestrum-winpeek's name for the window."""

    def __init__(self, window, controls):
        self.window = window
        self.controls = controls

    def position(self, name):
        (_, x, y), = [key for key, value in self.controls.items() if value[0] == name]
        return x, y

    def name_at(self, cls, x, y):
        entry = self.controls.get((cls, x, y))
        return entry[0] if entry else None


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
            name = layout.name_at(cls, left, top)
            record = {"class": cls, "size": (width, height), "visible": f[6] == "1",
                      "enabled": f[7] == "1", "text": f[9] if len(f) > 9 else "",
                      "extra": f[10] if len(f) > 10 else ""}
            if name is None:
                self.unknown.append((cls, left, top, width, height))
            else:
                self.controls[name] = record

    def text(self, name):
        check(name in self.controls, f"control {name} not found")
        return self.controls[name]["text"]

    def extra(self, name):
        return dict(kv.split("=") for kv in self.controls[name]["extra"].split())


# ---- the program ----

def pe_imports(program):
    """The DLLs a PE file imports at load time, lower case without ".dll"."""
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(program)], check=True,
                          capture_output=True, text=True, env=dict(os.environ, LC_ALL="C")).stdout
    names = re.findall(r"^\s*DLL Name: (\S+)$", dump, re.MULTILINE)
    check(names, f"no imports found in {program}")
    return [name.lower().removesuffix(".dll") for name in names]


class Kestrum:
    """One copy of Kestrum.exe in a scratch folder of its own, and its process."""

    def __init__(self, env, name, build, args=(), time_server=None, program=None, loader=None,
                 clock_start=None, restricted=False, planted=False, extra_env=None,
                 before_start=None):
        """`program`: run this Kestrum.exe where it stands (under `loader`), not a scratch copy
        of the build's; `name` may be a relative path. `restricted`: started by
        kestrum-restricted, under a token without the right to change the system time.
        `planted`: a planted DLL beside it under every name it imports and every name of
        RUN_TIME_DLLS, and Wine told to prefer those of RUN_TIME_DLLS to its own. `extra_env`:
        more environment for the program; `before_start(folder)` runs once its folder is
        ready."""
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
        self.winpeek = build / WINPEEK
        process_env = None
        if planted:
            process_env = dict(os.environ)
            process_env["WINEDLLOVERRIDES"] += ";" + ",".join(RUN_TIME_DLLS) + "=n,b"
            for dll in sorted(set(pe_imports(self.folder / "Kestrum.exe")) | set(RUN_TIME_DLLS)):
                shutil.copy2(build / PLANTED, self.folder / f"{dll}.dll")
        if clock_start is not None:
            # The program's own clock starts at that UTC time and runs on; the machine's clock
            # is not touched (libfaketime in this process only).
            local = clock_start.astimezone(zoneinfo.ZoneInfo(os.environ.get("TZ", "UTC")))
            process_env = dict(process_env or os.environ, LD_PRELOAD=FAKETIME_LIBRARY,
                               FAKETIME="@" + local.strftime("%Y-%m-%d %H:%M:%S"))
        if extra_env:
            process_env = dict(process_env or os.environ, **extra_env)
        if before_start is not None:
            before_start(self.folder)
        command = [loader or env.wine, str(self.folder / "Kestrum.exe"), *args]
        if restricted:
            command[1:2] = [str(build / RESTRICTED), windows_path(self.folder / "Kestrum.exe")]
        self.process = subprocess.Popen(command,
                                        cwd=self.folder, stdin=subprocess.DEVNULL, env=process_env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def planted_loaded(self):
        """The planted DLLs something loaded."""
        return sorted(mark.name.removesuffix(".loaded") for mark in self.folder.glob("*.loaded"))

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

    def dump(self, layout, quick=False):
        code, lines = self.peek("quick" if quick else "dump", layout.window)
        if code != 0 or not lines:
            return None
        return Window(lines, layout)

    def wait_window(self, layout, timeout=60):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            window = self.dump(layout, quick=True)
            if window is not None and window.visible:
                return self.wait_idle_dump(layout)
            check(self.process.poll() is None,
                  f"Kestrum.exe ended before its {layout.window} window showed")
            time.sleep(0.3)
        raise Failure(f"no visible {layout.window} window after {timeout} s")

    def click(self, caption):
        code, _ = self.peek("click", "main", caption)
        check(code == 0, f"cannot press {caption} (winpeek exit {code})")

    def wait_status(self, layout, control, wanted, timeout, seen, dump=True):
        """Follows one control's text with the watcher until it matches `wanted` (a regex),
        recording every new text in `seen`; then returns a dump of the window, read once the
        program is idle again."""
        x, y = layout.position(control)
        watcher = subprocess.Popen([self.env.wine, str(self.winpeek), "watch", layout.window,
                                    str(x), str(y), str(int(timeout))], stdin=subprocess.DEVNULL,
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
        return self.wait_idle_dump(layout) if dump else None

    def wait_idle_dump(self, layout, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            window = self.dump(layout)
            if window is not None:
                return window
            time.sleep(0.2)
        raise Failure(f"no dump of the {layout.window} window in {timeout} s")

    def answer(self, caption, button, timeout=30):
        """Presses `button` (1 OK, 6 Yes, 7 No) of the message box titled `caption` once it
        shows."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.peek("answer", caption, str(button))[0] == 0:
                return
            check(self.process.poll() is None, f"Kestrum.exe ended before the box {caption}")
            time.sleep(0.3)
        raise Failure(f"no message box {caption!r} after {timeout} s")

    def pick(self, layout, control, index):
        x, y = layout.position(control)
        code, _ = self.peek("pick", layout.window, str(x), str(y), str(index))
        check(code == 0, f"cannot pick entry {index} of {control} (winpeek exit {code})")

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

    def screenshot(self, layout, name):
        window = self.dump(layout)
        if window is None:
            return
        left, top, width, height = window.frame
        out = self.env.shots / f"{name}.png"
        subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
                        "+repage", str(out)], check=False, timeout=30)
        print(f"    screenshot {out}")


def start_watched(env, build, name, args, layout, control, seconds):
    """Runs Kestrum.exe with `args` while a watcher follows one control of the window; returns
    the program, the window as first shown, every text of the control in order, and the
    watcher's last line ("gone" once the window was destroyed)."""
    x, y = layout.position(control)
    watcher = subprocess.Popen([env.wine, str(build / WINPEEK), "watch", layout.window, str(x),
                                str(y), str(seconds)], stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
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
    check(dump, f"the {layout.window} window never showed; watcher said {lines}")
    return app, Window(dump, layout), texts, lines[-1] if lines else ""


# ---- the loopback servers ----

class Environment:
    def __init__(self, work, shots, facts):
        self.work = work
        self.shots = shots
        self.facts = facts
        # The loader of the build under test (the 32-bit one for the PE32 product); the
        # prefix's own services start under the 64-bit one, whose prefix it is.
        self.wine = os.environ.get("KESTRUM_WINE", "/usr/lib/wine/wine64")
        self.wine64 = os.environ.get("KESTRUM_WINE64", "/usr/lib/wine/wine64")
        self.responders = None

    def start_servers(self, name, **modes):
        """Starts tools/e2e/responders.py with these modes (sntp=, time=, http=, dns=, shift=,
        start=) and returns the path of its request log."""
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


# ---- the sandbox ----

def verify_no_clock_right():
    uid_map = Path("/proc/self/uid_map").read_text().split()
    check(uid_map[:3] != ["0", "0", "4294967295"], "not inside a private user namespace")
    bounding = int(re.search(r"CapBnd:\s*([0-9a-f]+)",
                             Path("/proc/self/status").read_text()).group(1), 16)
    check(not bounding & (1 << CAP_SYS_TIME), "CAP_SYS_TIME still in the bounding set")


def isolate_names(work, facts):
    hosts = work / "hosts"
    hosts.write_text("127.0.0.1 localhost " + " ".join([facts.probe_host, *facts.servers]) + "\n")
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


def sandbox(work, build, prefix, shots, facts_program):
    """Inside the namespaces tools/e2e.sh made: checks that the clock cannot be set, points the
    product's host names at loopback, overlays the prefix, starts a display and Wine. Returns
    the environment the scenarios run in."""
    verify_no_clock_right()
    facts = Facts.ask(facts_program)
    isolate_names(work, facts)
    private_prefix(work, prefix)
    os.environ["TZ"] = "Asia/Tokyo"
    start_display()
    shots.mkdir(parents=True, exist_ok=True)
    env = Environment(work, shots, facts)
    start_wine(env.wine64, env.wine, build / WINPEEK)
    return env
