#!/usr/bin/env python3
"""The popup's drop shadow on a real compositor: a white popup on a white backdrop casts a
grey gradient beside its right edge, darkest next to the edge, gone after 5 pixels, and a
click on the shadow reaches the window beneath it."""
import os
import subprocess
import sys
import tempfile
import time

POPUP = (200, 150, 300, 200)  # x, y, width, height: as in shadow_host
DEPTH, COLOUR, TRANSPARENCY = 5, 66, 50


def host_exe():
    override = os.environ.get("SHADOW_HOST_EXE")
    if override:
        return override
    return os.path.join(os.environ["NOTIFY_BUILD_DIR"], "bin", "shadow_host.exe")


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def wait_for(path, seconds):
    end = time.time() + seconds
    while time.time() < end:
        if os.path.exists(path):
            return True
        time.sleep(0.1)
    return False


def screenshot(folder):
    png = os.path.join(folder, "shot.png")
    ppm = os.path.join(folder, "shot.ppm")
    subprocess.run(["/usr/bin/import", "-window", "root", png], check=True)
    subprocess.run(["/usr/bin/convert", png, ppm], check=True)
    with open(ppm, "rb") as f:
        data = f.read()
    # P6 header: magic, width, height, maxval, each followed by whitespace.
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    assert fields[0] == b"P6" and fields[3] == b"255", fields
    width = int(fields[1])
    pixels = data[pos:]

    def at(x, y):
        i = (y * width + x) * 3
        return tuple(pixels[i:i + 3])
    return at


def blended(alpha):
    """Grey level of a shadow pixel of this alpha over white: the premultiplied source
    scaled by the constant alpha, over 255."""
    src = round(COLOUR * alpha / 255)
    return src * TRANSPARENCY / 255 + 255 * (1 - alpha * TRANSPARENCY / 255 / 255)


# From the popup's edge outward, middle of each side. Right: (D - c) * 255 / D for
# c = 0..D-1. Bottom (rows upward) and left (columns): k * 255 / D for k = D-1..0, so
# their outermost pixel is fully transparent.
def expected_right_strip():
    return [blended((DEPTH - c) * 255 // DEPTH) for c in range(DEPTH)]


def expected_outer_strip():
    return [blended(k * 255 // DEPTH) for k in range(DEPTH - 1, -1, -1)]


def main():
    failures = []

    def check(cond, what):
        print(("ok   " if cond else "FAIL ") + what)
        if not cond:
            failures.append(what)

    with tempfile.TemporaryDirectory() as folder:
        host = subprocess.Popen(["wine", host_exe(), wine_path(folder)],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            if not wait_for(os.path.join(folder, "ready"), 60):
                print("FAIL host did not get ready")
                return 1
            with open(os.path.join(folder, "ready")) as f:
                check(f.read().strip() == "shown", "the shadow reports itself shown")
            time.sleep(1.5)  # let the compositor catch up
            at = screenshot(folder)
            x, y, w, h = POPUP
            mid = y + h // 2
            row = [at(x + w + i, mid) for i in range(-2, DEPTH + 3)]
            print("pixels beside the right edge at y=%d, from x=%d: %s" % (mid, x + w - 2, row))
            inside, strip, beyond = row[:2], row[2:2 + DEPTH], row[2 + DEPTH:]
            greys = [p[0] for p in strip]
            check(all(p == (255, 255, 255) for p in inside), "the popup is white up to its edge")
            check(all(p[0] == p[1] == p[2] for p in strip), "the shadow is grey")
            check(all(a < b for a, b in zip(greys, greys[1:])), "the gradient fades outward: %s" % greys)
            check(greys[0] < 235, "darkest next to the edge: %d" % greys[0])
            check(all(p == (255, 255, 255) for p in beyond), "nothing beyond %d pixels" % DEPTH)
            expected = expected_right_strip()
            print("expected (alpha blending): %s" % ["%.1f" % v for v in expected])
            check(all(abs(g - e) <= 3 for g, e in zip(greys, expected)), "values match alpha blending within 3")
            # The bottom strip below the middle of the popup fades downward the same way.
            column = [at(x + w // 2, y + h + i)[0] for i in range(DEPTH + 1)]
            print("pixels below the bottom edge at x=%d: %s" % (x + w // 2, column))
            outer = expected_outer_strip()
            print("expected: %s" % ["%.1f" % v for v in outer])
            check(all(abs(g - e) <= 3 for g, e in zip(column, outer)) and column[-1] == 255,
                  "the bottom strip fades downward")
            # The left strip is darkest next to the form too, mirrored.
            left = [at(x - 1 - i, mid)[0] for i in range(DEPTH + 1)]
            print("pixels left of the left edge at y=%d, outward: %s" % (mid, left))
            check(all(abs(g - e) <= 3 for g, e in zip(left, outer)) and left[-1] == 255,
                  "the left strip fades outward")

            clicks = os.path.join(folder, "clicks")
            # A click on the popup itself does not reach the backdrop ...
            subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(mid), "click", "1"], check=True)
            time.sleep(1.0)
            check(not os.path.exists(clicks), "a click on the popup stays on the popup")
            # ... a click on the shadow falls through to it.
            target = (x + w + 1, mid)
            subprocess.run(["xdotool", "mousemove", str(target[0]), str(target[1]), "click", "1"], check=True)
            check(wait_for(clicks, 10), "a click on the shadow reaches the window beneath")
            if os.path.exists(clicks):
                time.sleep(0.3)
                with open(clicks) as f:
                    lines = f.read().split()
                check(lines[:2] == [str(target[0]), str(target[1])],
                      "the backdrop saw the click at %s: %s" % (target, lines))
            errors = os.path.join(folder, "errors")
            check(not os.path.exists(errors), "no interception errors reported")
        finally:
            open(os.path.join(folder, "stop"), "w").close()
            try:
                host.wait(timeout=20)
            except subprocess.TimeoutExpired:
                host.kill()
                host.wait()
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
