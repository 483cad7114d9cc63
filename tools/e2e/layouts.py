"""Both windows of Kestrum as designed (where each control is, its size and caption), and the
checks of a window against its table: frame, styles, places, sizes, lists, focus and Tab order.
"""
import subprocess
import time

from harness import SCREEN, Layout, check

MAIN = Layout("main", {
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
})
PROGRESS = Layout("progress", {
    ("KestrumPanel", 0, 0): ("LibPanel1", 263, 99, ""),
    ("KestrumPanel", 5, 68): ("LibPanel3", 251, 22, None),
    ("KestrumPanel", 5, 8): ("LibPanel2", 251, 17, "Kestrum取得中"),
    ("Button", 93, 45): ("CancelBtn", 74, 21, "中　止"),
    ("KestrumPanel", 5, 27): ("LibPanel4", 251, 16, None),
})


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
    for (cls, _, _), (name, width, height, caption) in MAIN.controls.items():
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
    for name, width, height, caption in PROGRESS.controls.values():
        control = window.controls.get(name)
        check(control is not None, f"{name} not at its place; unknown: {window.unknown}")
        check(control["size"] == (width, height), f"{name} size {control['size']}")
        if caption:
            check(control["text"] == caption, f"{name} reads {control['text']!r}")


def check_tab_order(app):
    """The focus starts in the host name box and Tab visits the enabled stops in tab order,
    skipping the two display boxes and StartTime."""
    visited = []
    for step in range(6):
        if step:
            subprocess.run(["xdotool", "key", "Tab"], check=True, timeout=10)
            time.sleep(0.3)
        code, lines = app.peek("focus", "main")
        fields = lines[0].split("\t") if code == 0 and lines else ["focus", "?", "0", "0"]
        visited.append(MAIN.name_at(fields[1], int(fields[2]), int(fields[3])) or fields[1])
    check(visited == ["edt_hostname", "btn_get", "btn_set", "btn_sync", "edt_hostbox",
                      "edt_hostname"], f"focus and Tab visit {visited}")
