"""Previews from the real NotifyCheck.exe on the demo: one PNG per message to show, the
size of the popup Notify.exe really shows, with its pixels and transparent corners."""
import os
import shutil
import subprocess
import tempfile

import harness as h

CHECK_EXE = os.environ.get("NOTIFY_CHECK_EXE", "")
EXPECTED = ["1-demo-welcome.png", "2-demo-update.png", "3-demo-maintenance.png"]


def size_of(png):
    out = subprocess.run(["/usr/bin/identify", "-format", "%w %h", png], check=True,
                         stdout=subprocess.PIPE, timeout=30).stdout.split()
    return int(out[0]), int(out[1])


def previews_match_the_real_popup():
    h.check(CHECK_EXE and os.path.exists(CHECK_EXE), "NOTIFY_CHECK_EXE is not set to the built NotifyCheck.exe")
    h.reset_cache()
    out = tempfile.mkdtemp(prefix="notify-previews-")
    with h.ProgramFolder() as app:
        shutil.copy2(os.path.join(h.SOURCE_DIR, "demo", "Message.xml"), app.path)
        h.copy_demo_skin(app)
        checker = subprocess.run(["wine", CHECK_EXE, "--new-user", "--today", "2026-12-08", "--preview",
                                  h.win_path(out), h.win_path(app.path)], cwd=app.path, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        h.check(checker.returncode == 0, f"NotifyCheck.exe --preview exited {checker.returncode}: "
                f"{checker.stdout.decode(errors='replace')}{checker.stderr.decode(errors='replace')}")
        h.check(sorted(os.listdir(out)) == EXPECTED, f"previews written: {sorted(os.listdir(out))}")
        h.check(not os.path.exists(h.cache_file("Notify.Demo")), "the checker wrote a cache")
        h.check(not os.path.exists(os.path.join(app.path, "Error.log")), "the checker wrote Error.log")

        for name in EXPECTED:
            png = os.path.join(out, name)
            w, hgt = size_of(png)
            alpha = h.Image(png, ["-alpha", "extract"])
            for x, y in [(0, 0), (w - 1, 0), (0, hgt - 1), (w - 1, hgt - 1)]:
                h.check(alpha.pixel(x, y)[0] == 0, f"{name}: corner {x},{y} is not transparent")
            h.check(alpha.pixel(w // 2, hgt // 2)[0] == 255, f"{name}: the middle is not opaque")

        # The first message as Notify.exe shows it: same size, same pixels inside the region.
        w, hgt = size_of(os.path.join(out, EXPECTED[0]))
        proc = app.start()
        try:
            win = h.wait_for(lambda: h.find_window(w, hgt), 30)
            h.check(win, f"Notify.exe showed no {w} x {hgt} popup for the first demo message")
            h.xdotool("mousemove", 5, 5)
            shot = h.Image(h.screenshot(os.path.join(out, "screen.png")))
        finally:
            proc.wait(timeout=60)
        preview = h.Image(os.path.join(out, EXPECTED[0]))
        alpha = h.Image(os.path.join(out, EXPECTED[0]), ["-alpha", "extract"])
        opaque = same = 0
        for y in range(hgt):
            for x in range(w):
                if alpha.pixel(x, y)[0] != 255:
                    continue
                opaque += 1
                a, b = preview.pixel(x, y), shot.pixel(win[0] + x, win[1] + y)
                same += max(abs(a[i] - b[i]) for i in range(3)) <= 2
        h.check(opaque > w * hgt * 0.9, f"only {opaque} of {w * hgt} preview pixels are opaque")
        h.check(same >= opaque * 0.98, f"only {same} of {opaque} preview pixels match the real popup")
        print(f"{same} of {opaque} opaque preview pixels match the real popup within 2 levels")
    if not os.environ.get("NOTIFY_KEEP_PREVIEWS"):
        shutil.rmtree(out, ignore_errors=True)
    else:
        print("previews kept in", out)


if __name__ == "__main__":
    h.main(previews_match_the_real_popup)
