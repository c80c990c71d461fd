#!/usr/bin/env python3
"""Screenshots of the demo's first message at 96, 120 and 144 dpi for docs/images/.
Run inside tools/winenv.sh with the demo laid out as tools/run-demo.sh does:

  tools/winenv.sh python3 tools/scale_capture.py build/demo/app docs/images

The system DPI is set in the prefix (HKCU\\Control Panel\\Desktop LogPixels) before each
start, and set back to 96 at the end."""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness as h  # noqa: E402
from test_scale import set_dpi  # noqa: E402

FIRST_TITLE = "欢迎使用 Notify 消息提醒"
MARGIN = 16  # room for the shadow around the popup


def capture(app, out, dpi):
    shutil.rmtree(os.path.join(h.appdata(), "Korvane"), ignore_errors=True)
    set_dpi(dpi)
    proc = subprocess.Popen(["wine", os.path.join(app, "Notify.exe")], cwd=app, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        geometry = h.wait_for(lambda: h.window_named(FIRST_TITLE), 30)
        if not geometry:
            raise SystemExit(f"no popup at {dpi} dpi")
        time.sleep(1.0)  # the first paint, the shadow and the compositor
        full = os.path.join(out, f".scale-{dpi}-full.png")
        h.screenshot(full)
    finally:
        proc.kill()
        proc.wait()
    x, y, w, hgt = geometry
    target = os.path.join(out, f"scale-{dpi}.png")
    subprocess.run(["/usr/bin/convert", full, "-crop", f"{w + 2 * MARGIN}x{hgt + 2 * MARGIN}+{x - MARGIN}+{y - MARGIN}",
                    "+repage", "-strip", target], check=True)
    os.remove(full)
    print(f"{dpi} dpi: popup {w} x {hgt} -> {target}")


def main():
    app, out = sys.argv[1], sys.argv[2]
    try:
        for dpi in (96, 120, 144):
            capture(app, out, dpi)
    finally:
        set_dpi(96)


if __name__ == "__main__":
    main()
