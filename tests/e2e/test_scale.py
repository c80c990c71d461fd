#!/usr/bin/env python3
"""The popup at 96, 120 and 144 DPI, run by the real Notify.exe with the system's DPI set
in the prefix (HKCU\\Control Panel\\Desktop LogPixels, read by each new process). With a
skin of solid tiles: the window is 1.25x and 1.5x its 96-DPI size, the frame's tiles
reach every edge at every scale, the close button keeps its gap to the right edge in
proportion, so do the margins to the screen's edges, and the title's text is drawn
taller (fonts at the real DPI, not stretched 96-DPI text)."""
import os
import subprocess
import time

import harness as h
from test_popup_layout import TILES  # the same solid-colour skin

APP_ID = "Notify.E2E.Scale"


def set_dpi(dpi):
    subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                    "/d", str(dpi), "/f"], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=60)


def show_at(dpi, app, title):
    """Runs Notify.exe at `dpi` until the popup is up; returns its geometry and screenshot."""
    h.reset_cache()
    set_dpi(dpi)
    proc = app.start()
    try:
        geometry = h.wait_for(lambda: h.window_named(title), 30)
        h.check(geometry, f"no popup window titled {title!r} at {dpi} DPI")
        time.sleep(0.7)  # the first paint and the compositor
        shot = h.Image(h.screenshot(os.path.join(app.root, f"shot-{dpi}.png")))
    finally:
        proc.kill()
        proc.wait(timeout=30)
    return geometry, shot


def check_frame(dpi, geometry, shot):
    x0, y0, w, hgt = geometry

    def at(x, y):
        return shot.pixel(x0 + x, y0 + y)

    def colour(name):
        return TILES[name][3]

    # Each corner pixel is its corner tile; each edge, end to end, only the tiles of that edge.
    for name, (x, y) in {"LeftTop": (0, 0), "RightTop": (w - 1, 0), "LeftButtom": (0, hgt - 1),
                         "RightButtom": (w - 1, hgt - 1)}.items():
        h.check(at(x, y) == colour(name), f"{dpi} DPI: {name} corner shows {at(x, y)}")
    edges = {
        "top": ([(x, 0) for x in range(w)], ("LeftTop", "MiddleTop", "RightTop")),
        "bottom": ([(x, hgt - 1) for x in range(w)], ("LeftButtom", "MiddleButtom", "RightButtom")),
        "left": ([(0, y) for y in range(hgt)], ("LeftTop", "LeftMiddle", "LeftButtom")),
        "right": ([(w - 1, y) for y in range(hgt)], ("RightTop", "RightMiddle", "RightButtom")),
    }
    for edge, (points, names) in edges.items():
        allowed = {colour(n) for n in names}
        wrong = [(p, at(*p)) for p in points if at(*p) not in allowed]
        h.check(not wrong, f"{dpi} DPI: {edge} edge has other pixels, first {wrong[:3]}")
        h.check(all(any(at(*p) == colour(n) for p in points) for n in names),
                f"{dpi} DPI: {edge} edge lacks one of {names}")


def close_button(geometry, shot):
    """(left, width) of the close button's face colour on a row through its upper part."""
    x0, y0, w, _ = geometry
    best = None
    for y in range(2, 12):
        xs = [x for x in range(w // 2, w) if shot.pixel(x0 + x, y0 + y) == TILES["Close"][3]]
        if xs and (best is None or len(xs) > best[1]):
            best = (min(xs), max(xs) - min(xs) + 1)
    h.check(best, "no close button face in the top band")
    return best


def title_height(geometry, shot):
    """Rows of the top band that hold dark (title, anti-aliased) pixels."""
    x0, y0, w, _ = geometry
    rows = [y for y in range(0, 45) if any(max(shot.pixel(x0 + x, y0 + y)) < 96 for x in range(20, w // 2))]
    h.check(rows, "no title text in the top band")
    return rows[-1] - rows[0] + 1


def test():
    title = "Scale check"
    with h.ProgramFolder() as app:
        for name, (file, w, hgt, rgb) in TILES.items():
            if rgb is not None:  # the centre names a missing file: the popup colour shows
                h.write_bmp(os.path.join(app.path, "Image", "Tiles", file), w, hgt, rgb)
        config = "".join(f"<{n}>{f}</{n}>" for n, (f, _, _, _) in TILES.items())
        app.write("Image/Tiles/Config.xml", f"<Skin>{config}</Skin>")
        h.write_bmp(os.path.join(app.path, "Image", "Logo", "logo.bmp"), 48, 40, (64, 48, 32))
        app.write("Message.xml", h.catalogue(APP_ID, [h.message("scale-1", auto_shut=0, style="Tiles", title=title,
                                                                content="Body text", btn_cfm="OK")]))
        seen = {}
        try:
            for dpi in (96, 120, 144):
                seen[dpi] = show_at(dpi, app, title)
        finally:
            set_dpi(96)
        (_, _, w96, h96), shot96 = seen[96]
        close96 = close_button(seen[96][0], shot96)
        gap96 = w96 - (close96[0] + close96[1])
        text96 = title_height(seen[96][0], shot96)
        for dpi, (geometry, shot) in seen.items():
            scale = dpi / 96
            _, _, w, hgt = geometry
            print(f"{dpi} DPI: window {w} x {hgt}")
            h.check(abs(w - w96 * scale) <= 1 and abs(hgt - h96 * scale) <= 1,
                    f"{dpi} DPI: window {w} x {hgt}, expected {w96 * scale} x {h96 * scale}")
            # 96 twips from the screen's right and bottom edges: 6.4 px at 96 dpi, in proportion.
            x, y, _, _ = geometry
            h.check(abs(shot.width - (x + w) - 6.4 * scale) <= 1 and abs(shot.height - (y + hgt) - 6.4 * scale) <= 1,
                    f"{dpi} DPI: popup at ({x}, {y}), margins not in proportion")
            check_frame(dpi, geometry, shot)
            left, width = close_button(geometry, shot)
            gap = w - (left + width)
            print(f"{dpi} DPI: close button {width} px wide, {gap} px from the right edge")
            h.check(abs(width - 31 * scale) <= 1.5, f"{dpi} DPI: close button {width} px wide")
            h.check(abs(gap - gap96 * scale) <= 1.5, f"{dpi} DPI: close button {gap} px from the right edge")
            text = title_height(geometry, shot)
            print(f"{dpi} DPI: title text {text} px high")
            h.check(abs(text - text96 * scale) <= 2, f"{dpi} DPI: title text {text} px high, 96 DPI {text96}")


if __name__ == "__main__":
    h.main(test)
