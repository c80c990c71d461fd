"""Shared helpers for the end-to-end tests: a fresh program folder with the real
Notify.exe, runs under Wine in the X server that tools/winenv.sh started, screenshots,
window lists and the files Notify writes."""
import glob
import os
import shutil
import struct
import subprocess
import tempfile
import time

NOTIFY_EXE = os.environ.get("NOTIFY_EXE", "")
SOURCE_DIR = os.environ.get("NOTIFY_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
BUILD_DIR = os.environ.get("NOTIFY_BUILD_DIR", "")


def fail(message):
    raise AssertionError(message)


def check(condition, message):
    if not condition:
        fail(message)


def require_environment():
    check(NOTIFY_EXE and os.path.exists(NOTIFY_EXE), "NOTIFY_EXE is not set to the built Notify.exe")
    check(os.environ.get("WINEPREFIX") and os.environ.get("DISPLAY"),
          "run under tools/winenv.sh (WINEPREFIX and DISPLAY)")


def win_path(path):
    """The Windows view of a Linux path (Wine maps / to drive Z:)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class ProgramFolder:
    """A fresh folder holding a copy of Notify.exe, removed afterwards."""

    def __init__(self, name="Notify.exe"):
        self.root = tempfile.mkdtemp(prefix="notify-e2e-")
        self.path = os.path.join(self.root, "app")
        os.makedirs(self.path)
        self.exe = os.path.join(self.path, name)
        shutil.copy2(NOTIFY_EXE, self.exe)

    def write(self, relative, data, encoding="utf-8"):
        target = os.path.join(self.path, relative)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        mode = "wb" if isinstance(data, (bytes, bytearray)) else "w"
        with open(target, mode, **({} if mode == "wb" else {"encoding": encoding, "newline": ""})) as f:
            f.write(data)
        return target

    def start(self):
        return subprocess.Popen(["wine", self.exe], cwd=self.path, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def run(self, timeout=60):
        """Runs Notify.exe to its end; returns the elapsed seconds."""
        begin = time.monotonic()
        proc = self.start()
        try:
            proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            fail(f"Notify.exe did not end within {timeout} s")
        return time.monotonic() - begin

    def cleanup(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.cleanup()


def appdata():
    """APPDATA of the prefix's user, as Linux sees it."""
    users = glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*", "AppData", "Roaming"))
    users = [u for u in users if "/Public/" not in u]
    check(users, "no AppData\\Roaming in the prefix")
    return users[0]


def cache_file(app_id):
    parts = [p for p in app_id.split(".")]
    folder = os.path.join(appdata(), "Korvane", *[p for p in parts if p])
    return os.path.join(folder, "MessageCache.xml")


def reset_cache():
    shutil.rmtree(os.path.join(appdata(), "Korvane"), ignore_errors=True)


def screenshot(target_png):
    subprocess.run(["/usr/bin/import", "-window", "root", target_png], check=True, timeout=30)
    return target_png


class Image:
    """Pixels of a screenshot, read from a binary PPM made by ImageMagick; `options` such as
    ["-alpha", "extract"] choose another view of the picture."""

    def __init__(self, png_path, options=()):
        ppm = subprocess.run(["/usr/bin/convert", png_path, *options, "-depth", "8", "ppm:-"], check=True,
                             stdout=subprocess.PIPE, timeout=30).stdout
        fields = []
        pos = 0
        while len(fields) < 4:
            while ppm[pos:pos + 1].isspace():
                pos += 1
            if ppm[pos:pos + 1] == b"#":
                pos = ppm.index(b"\n", pos) + 1
                continue
            end = pos
            while not ppm[end:end + 1].isspace():
                end += 1
            fields.append(ppm[pos:end])
            pos = end
        check(fields[0] == b"P6", "not a binary PPM")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.data = ppm[pos + 1:]

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])


def _mapped_geometry(wid):
    """(x, y, width, height) of one X window, or None when it is not mapped."""
    info = subprocess.run(["xwininfo", "-id", wid], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                          timeout=30).stdout
    if "Map State: IsViewable" not in info:
        return None
    values = {}
    for line in info.splitlines():
        line = line.strip()
        for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
            if line.startswith(key + ":"):
                values[key] = int(line.split(":")[1])
    if len(values) != 4:
        return None
    return (values["Absolute upper-left X"], values["Absolute upper-left Y"], values["Width"], values["Height"])


def _top_level_windows():
    """(id, line) of each top-level window xwininfo lists; the line holds its name."""
    out = subprocess.run(["xwininfo", "-root", "-children"], stdout=subprocess.PIPE, text=True, timeout=30).stdout
    return [(line.split()[0], line) for line in out.splitlines() if line.strip().startswith("0x")]


def visible_windows():
    """(x, y, width, height) of the mapped top-level windows of the X server."""
    return [g for g in (_mapped_geometry(wid) for wid, _ in _top_level_windows()) if g]


def window_named(name):
    """(x, y, width, height) of the mapped top-level window with this name, or None."""
    for wid, line in _top_level_windows():
        if f'"{name}"' in line:
            geometry = _mapped_geometry(wid)
            if geometry:
                return geometry
    return None


def write_bmp(path, width, height, rgb):
    """A solid 24-bit bitmap; folders are made as needed."""
    row = bytes((rgb[2], rgb[1], rgb[0])) * width
    row += b"\0" * ((4 - len(row) % 4) % 4)
    pixels = row * height
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def windows_appearing_during(proc, seconds_limit):
    """Polls the X server while the process runs; returns the windows that appeared.
    Fails when the process still runs after seconds_limit."""
    before = set(visible_windows())
    appeared = set()
    end = time.monotonic() + seconds_limit
    while proc.poll() is None and time.monotonic() < end:
        appeared |= set(visible_windows()) - before
        time.sleep(0.05)
    check(proc.poll() is not None, f"Notify.exe still runs after {seconds_limit} s")
    return appeared


def wait_for(predicate, timeout, interval=0.1):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    return predicate()


def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True, timeout=30)


def catalogue(app_id, messages, root="Catalog", root_attrs=""):
    """A Message.xml text; each message is the inner XML of one Message element plus its
    attributes; root_attrs are further attributes of the root."""
    body = "".join(f"<Message {attrs}>{inner}</Message>" for attrs, inner in messages)
    extra = f" {root_attrs}" if root_attrs else ""
    return f'<?xml version="1.0" encoding="UTF-8"?><{root} AppID="{app_id}"{extra}>{body}</{root}>'


def message(msg_id, auto_shut=2, limit="2999-12-31", style="Default", check_file="", uri="", sound="",
            btn_cls="X", btn_cfm="OK", width=300, height=160, shadow="OFF", round_="OFF", date="", author="",
            title="Title", content="Content"):
    attrs = f'ID="{msg_id}" Limit="{limit}" Style="{style}" AutoShut="{auto_shut}"'
    inner = (f"<Check>{check_file}</Check><Uri>{uri}</Uri><Logo>logo.bmp</Logo><Sound>{sound}</Sound>"
             f'<Form Color="F0F0F0" Width="{width}" Height="{height}" Round="{round_}" Shadow="{shadow}"/>'
             f'<Title Color="000000">{title}</Title><Content Color="333333">{content}</Content>'
             f'<Author Color="666666">{author}</Author><Date Color="666666">{date}</Date>'
             f'<BtnCls Color="000000" PColor="FFFFFF" Width="31" Height="21">{btn_cls}</BtnCls>'
             f'<BtnCfm Color="000000" PColor="FFFFFF" Width="77" Height="27">{btn_cfm}</BtnCfm>')
    return attrs, inner


def main(test):
    """Runs one test function and reports like a plain runner."""
    require_environment()
    try:
        test()
    except AssertionError as e:
        print(f"FAIL: {e}")
        raise SystemExit(1)
    print("PASS")


def copy_demo_skin(app):
    """The demo's styles, logos and sound, so tests use a real skin."""
    for sub in ("Image", "Sound"):
        shutil.copytree(os.path.join(SOURCE_DIR, "demo", sub), os.path.join(app.path, sub), dirs_exist_ok=True)


def find_window(width, height):
    """The first mapped window of exactly this size, as (x, y, width, height), or None."""
    for win in visible_windows():
        if win[2] == width and win[3] == height:
            return win
    return None


def cache_ids(app_id):
    path = cache_file(app_id)
    if not os.path.exists(path):
        return []
    import re
    return [m.decode("utf-8", "replace") for m in re.findall(rb"<ID>(.*?)</ID>", open(path, "rb").read())]


def click(x, y):
    xdotool("mousemove", int(x), int(y), "click", 1)
    # Park the pointer away so hover looks do not linger over the next message.
    xdotool("mousemove", 5, 5)


def app_with_demo_skin(app_id, messages, root_attributes=""):
    """A program folder with the demo's skin and a catalogue of these messages; root_attributes
    are added to the catalogue's root element as written."""
    app = ProgramFolder()
    copy_demo_skin(app)
    app.write("Message.xml", catalogue(app_id, messages, root_attrs=root_attributes))
    return app


# The popup of a 300 x 160 message (harness.message's default) in the demo's Blue skin, with a
# 77 x 27 confirm button and no date or author lines.
BLUE_POPUP = (327, 187)


def find_popup():
    return find_window(*BLUE_POPUP)


def wait_popup(timeout=30):
    return wait_window(*BLUE_POPUP, timeout)


def popup_gone(timeout):
    return wait_for(lambda: find_popup() is None, timeout)


def wait_window(width, height, timeout=30):
    win = wait_for(lambda: find_window(width, height), timeout)
    check(win, f"no {width} x {height} popup appeared")
    return win


def wait_end(proc, timeout, message):
    """Waits for the process to end; kills it and fails with `message` if it does not."""
    try:
        proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        fail(message)
