#!/usr/bin/env python3
"""The popup's drop shadow on a real compositor: a white popup on a white backdrop casts a
grey gradient beside its edges, darkest next to the edge and gone after 5 pixels; a click
on the shadow reaches the window beneath it; Transparency 255 shows the gradient at full
strength and 0 hides it."""
import os
import subprocess
import sys
import tempfile
import time

import harness as h

POPUP = (200, 150, 300, 200)  # x, y, width, height: as in shadow_host
DEPTH, COLOUR = 5, 66
WHITE = (255, 255, 255)
failures = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        failures.append(what)


def host_exe():
    override = os.environ.get("SHADOW_HOST_EXE")
    if override:
        return override
    return os.path.join(os.environ["NOTIFY_BUILD_DIR"], "bin", "shadow_host.exe")


def exists_within(path, seconds):
    return bool(h.wait_for(lambda: os.path.exists(path), seconds))


def screenshot(folder):
    """A pixel reader (x, y) -> (r, g, b) of the whole screen."""
    return h.Image(h.screenshot(os.path.join(folder, "shot.png"))).pixel


def blended(alpha, transparency):
    """Grey level of a shadow pixel of this alpha over white: the premultiplied source
    scaled by the constant alpha, over 255."""
    src = round(COLOUR * alpha / 255)
    return src * transparency / 255 + 255 * (1 - alpha * transparency / 255 / 255)


# From the popup's edge outward, middle of each side. Right: (D - c) * 255 / D for
# c = 0..D-1. Bottom (rows upward) and left (columns): k * 255 / D for k = D-1..0, so
# their outermost pixel is fully transparent.
def expected_right(transparency):
    return [blended((DEPTH - c) * 255 // DEPTH, transparency) for c in range(DEPTH)]


def expected_outer(transparency):
    return [blended(k * 255 // DEPTH, transparency) for k in range(DEPTH - 1, -1, -1)]


def close_to(seen, expected):
    return len(seen) == len(expected) and all(abs(g - e) <= 3 for g, e in zip(seen, expected))


class Host:
    def __init__(self, folder, transparency=None):
        self.folder = folder
        args = ["wine", host_exe(), h.win_path(folder)]
        if transparency is not None:
            args.append(str(transparency))
        self.process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def __enter__(self):
        ready = os.path.join(self.folder, "ready")
        if not exists_within(ready, 60):
            raise RuntimeError("host did not get ready")
        with open(ready) as f:
            check(f.read().strip() == "shown", "the shadow reports itself shown")
        time.sleep(1.5)  # let the compositor catch up
        return self

    def __exit__(self, *exc):
        open(os.path.join(self.folder, "stop"), "w").close()
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        check(not os.path.exists(os.path.join(self.folder, "errors")), "no interception errors reported")


def sides(at):
    """Grey levels beside the right, bottom and left edges, from the edge outward."""
    x, y, w, h = POPUP
    mid = y + h // 2
    right = [at(x + w + i, mid) for i in range(DEPTH + 2)]
    bottom = [at(x + w // 2, y + h + i) for i in range(DEPTH)]
    left = [at(x - 1 - i, mid) for i in range(DEPTH)]
    return right, bottom, left


def test_popup_look():
    x, y, w, h = POPUP
    mid = y + h // 2
    with tempfile.TemporaryDirectory() as folder, Host(folder):
        at = screenshot(folder)
        right, bottom, left = sides(at)
        print("transparency 50, right of x=%d at y=%d: %s" % (x + w, mid, [p[0] for p in right]))
        print("  below y=%d at x=%d: %s" % (y + h, x + w // 2, [p[0] for p in bottom]))
        print("  left of x=%d at y=%d: %s" % (x, mid, [p[0] for p in left]))
        print("  expected right %s, bottom/left %s" % (["%.1f" % v for v in expected_right(50)],
                                                        ["%.1f" % v for v in expected_outer(50)]))
        check(at(x + w - 1, mid) == WHITE and at(x, mid) == WHITE, "the popup is white up to its edges")
        check(all(p[0] == p[1] == p[2] for p in right + bottom + left), "the shadow is grey")
        greys = [p[0] for p in right[:DEPTH]]
        check(all(a < b for a, b in zip(greys, greys[1:])), "the gradient fades outward")
        check(greys[0] < 235, "darkest next to the edge: %d" % greys[0])
        check(right[DEPTH:] == [WHITE, WHITE], "nothing beyond %d pixels" % DEPTH)
        check(close_to(greys, expected_right(50)), "right strip matches alpha blending within 3")
        check(close_to([p[0] for p in bottom], expected_outer(50)), "bottom strip matches")
        check(close_to([p[0] for p in left], expected_outer(50)), "left strip matches")

        clicks = os.path.join(folder, "clicks")
        # A click on the popup itself does not reach the backdrop ...
        subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(mid), "click", "1"], check=True)
        time.sleep(1.0)
        check(not os.path.exists(clicks), "a click on the popup stays on the popup")
        # ... a click on the shadow falls through to it.
        target = (x + w + 1, mid)
        subprocess.run(["xdotool", "mousemove", str(target[0]), str(target[1]), "click", "1"], check=True)
        check(exists_within(clicks, 10), "a click on the shadow reaches the window beneath")
        if os.path.exists(clicks):
            time.sleep(0.3)
            with open(clicks) as f:
                seen = f.read().split()
            check(seen[:2] == [str(target[0]), str(target[1])],
                  "the backdrop saw the click at %s: %s" % (target, seen))


def test_transparency_extremes():
    for transparency in (255, 0):
        with tempfile.TemporaryDirectory() as folder, Host(folder, transparency):
            right, bottom, left = sides(screenshot(folder))
            greys = [p[0] for p in right[:DEPTH]]
            print("transparency %d, right strip: %s, expected %s" %
                  (transparency, greys, ["%.1f" % v for v in expected_right(transparency)]))
            check(close_to(greys, expected_right(transparency)),
                  "transparency %d: right strip matches alpha blending" % transparency)
            check(close_to([p[0] for p in bottom], expected_outer(transparency)),
                  "transparency %d: bottom strip matches" % transparency)


def main():
    for test in (test_popup_look, test_transparency_extremes):
        try:
            test()
        except Exception as error:  # a broken run is a failure, not a crash of the runner
            check(False, "%s: %r" % (test.__name__, error))
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
