#!/usr/bin/env python3
"""The popup as the show loop builds it, seen on the real X server.

popup_layout_host.exe loads a generated skin (every tile a solid colour of its own, the
centre naming a missing file), lays out a fixture record (300 x 200 px, both buttons),
sets the region, places the popup and shows it in front of a full-screen backdrop. The
screenshot must show each tile at its computed rectangle, the popup 96 twips (6 px) in
from the screen's right edge and above the work area's bottom, the popup colour in the
cleared centre, and the backdrop in rounded corners (but not in square ones).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import harness

BUILD = os.environ.get("NOTIFY_BUILD_DIR", "")
HOST = os.path.join(BUILD, "bin", "popup_layout_host.exe")

BACKDROP = (16, 32, 64)
FORM_COLOR = (240, 224, 208)
SCREEN_W, SCREEN_H = 1280, 1024
TPP = 15

# Skin: element -> (file, width, height, (r, g, b)); all distinct colours.
TILES = {
    "Icon": ("icon.bmp", 16, 16, (255, 128, 0)),
    "LeftTop": ("lt.bmp", 12, 30, (192, 0, 0)),
    "LeftMiddle": ("lm.bmp", 4, 2, (0, 192, 0)),
    "LeftButtom": ("lb.bmp", 8, 10, (0, 0, 192)),
    "MiddleTop": ("mt.bmp", 2, 30, (0, 192, 192)),
    "MiddleMiddle": ("absent.bmp", 0, 0, None),
    "MiddleButtom": ("mb.bmp", 2, 10, (192, 0, 192)),
    "RightTop": ("rt.bmp", 14, 30, (192, 192, 0)),
    "RightMiddle": ("rm.bmp", 3, 2, (64, 64, 64)),
    "RightButtom": ("rb.bmp", 6, 10, (0, 128, 128)),
    "Close": ("close.bmp", 155, 21, (0, 96, 0)),
    "Confirm": ("confirm.bmp", 385, 27, (96, 0, 96)),
}
LOGO = ("logo.bmp", 48, 40, (64, 48, 32))


def expected_frame(cw, ch):
    """Tile rectangles (left, top, width, height) in popup pixels, from the natural sizes."""
    def size(name):
        return TILES[name][1], TILES[name][2]
    lt, rt, lb, rb = size("LeftTop"), size("RightTop"), size("LeftButtom"), size("RightButtom")
    lm, rm, mt, mb = size("LeftMiddle"), size("RightMiddle"), size("MiddleTop"), size("MiddleButtom")
    return {
        "LeftTop": (0, 0, lt[0], lt[1]),
        "RightTop": (cw - rt[0], 0, rt[0], rt[1]),
        "LeftButtom": (0, ch - lb[1], lb[0], lb[1]),
        "RightButtom": (cw - rb[0], ch - rb[1], rb[0], rb[1]),
        "LeftMiddle": (0, lt[1], lm[0], ch - lt[1] - lb[1]),
        "RightMiddle": (cw - rm[0], rt[1], rm[0], ch - rt[1] - rb[1]),
        "MiddleTop": (lt[0], 0, cw - lt[0] - rt[0], mt[1]),
        "MiddleButtom": (lb[0], ch - mb[1], cw - lb[0] - rb[0], mb[1]),
        "MiddleMiddle": (lm[0], mt[1], cw - lm[0] - rm[0], ch - mt[1] - mb[1]),
    }


def inside(rect, x, y):
    left, top, w, h = rect
    return left <= x < left + w and top <= y < top + h


class PopupLayoutEndToEnd(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.path.exists(HOST):
            raise unittest.SkipTest("popup_layout_host.exe not built")

    def run_host(self, round_corners):
        folder = tempfile.mkdtemp(prefix="notify-layout-")
        self.addCleanup(shutil.rmtree, folder, True)
        shutil.copy(HOST, folder)
        style = os.path.join(folder, "Image", "Tiles")
        os.makedirs(style)
        os.makedirs(os.path.join(folder, "Image", "Logo"))
        config = "<Skin>"
        for element, (name, w, h, rgb) in TILES.items():
            config += "<%s>%s</%s>" % (element, name, element)
            if rgb is not None:
                harness.write_bmp(os.path.join(style, name), w, h, rgb)
        with open(os.path.join(style, "Config.xml"), "w") as f:
            f.write(config + "</Skin>")
        harness.write_bmp(os.path.join(folder, "Image", "Logo", LOGO[0]), LOGO[1], LOGO[2], LOGO[3])

        proc = subprocess.Popen(["wine", os.path.join(folder, "popup_layout_host.exe"), "Tiles", LOGO[0],
                                 "1" if round_corners else "0"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        report = os.path.join(folder, "layout.txt")
        deadline = time.time() + 60
        while not os.path.exists(report) and time.time() < deadline and proc.poll() is None:
            time.sleep(0.1)
        try:
            self.assertTrue(os.path.exists(report), "the host wrote no report")
            time.sleep(0.5)  # let the compositor show the last frame
            shot = harness.Image(harness.screenshot(os.path.join(folder, "shot.png")))
        finally:
            open(os.path.join(folder, "quit"), "w").close()
            try:
                proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        controls = {}
        with open(report) as f:
            for line in f:
                name, *values = line.split()
                controls[name] = tuple(int(v) for v in values)
        return shot, controls

    def check_popup(self, shot, controls, round_corners):
        # 300 x 200 px plus the 27 px confirm row in height and width.
        cw, ch = 327, 227
        width_twips, height_twips = cw * TPP, ch * TPP
        left = round((SCREEN_W * TPP - width_twips - 96) / TPP)
        top = round((SCREEN_H * TPP - height_twips - 0 - 96) / TPP)
        self.assertEqual(controls["window"][:4], (left, top, cw, ch))
        self.assertEqual(SCREEN_W - (left + cw), 6)  # 96 twips, in whole pixels
        self.assertEqual(SCREEN_H - (top + ch), 6)  # no taskbar: the work area is the screen

        def at(x, y):
            return shot.pixel(left + x, top + y)

        # The popup's right and bottom edges against the backdrop.
        self.assertEqual(at(cw - 1, ch // 2), TILES["RightMiddle"][3])
        self.assertEqual(at(cw, ch // 2), BACKDROP)
        self.assertEqual(at(cw // 2, ch - 1), TILES["MiddleButtom"][3])
        self.assertEqual(at(cw // 2, ch), BACKDROP)
        self.assertEqual(at(-1, ch // 2), BACKDROP)
        self.assertEqual(at(cw // 2, -1), BACKDROP)

        overlays = [controls[n][:4] for n in ("Lbl_Title", "Lbl_Content", "Cmd_Close", "Cmd_Confirm",
                                                "ImgIcon", "ImgLogo") if controls[n][4] == 1]
        corners = [(0, 0), (cw - 3, 0), (0, ch - 3), (cw - 3, ch - 3)] if round_corners else []

        def covered(x, y):
            return any(inside(r, x, y) for r in overlays) or any(inside((cx, cy, 3, 3), x, y) for cx, cy in corners)

        frame = expected_frame(cw, ch)
        checked = 0
        for name, rect in frame.items():
            colour = TILES[name][3] or FORM_COLOR  # the cleared centre shows the popup colour
            l, t, w, h = rect
            for x, y in ((l, t), (l + w - 1, t), (l, t + h - 1), (l + w - 1, t + h - 1)):
                if not covered(x, y):
                    self.assertEqual(at(x, y), colour, "%s at (%d, %d)" % (name, x, y))
                    checked += 1
            # Just outside each edge, inside the popup: some other item.
            for x, y in ((l - 1, t + h // 2), (l + w, t + h // 2), (l + w // 2, t - 1), (l + w // 2, t + h)):
                if 0 <= x < cw and 0 <= y < ch and not covered(x, y):
                    self.assertNotEqual(at(x, y), colour, "%s ends at (%d, %d)" % (name, x, y))
        self.assertGreater(checked, 25)

        icon, logo = controls["ImgIcon"], controls["ImgLogo"]
        self.assertEqual(icon[:4], (7, 7, 16, 16))  # (30 - 16) / 2 from the top and the left
        self.assertEqual(logo[:4], (4 + 16, 30 + 16, 48, 40))
        self.assertEqual(at(icon[0] + 8, icon[1] + 8), TILES["Icon"][3])
        self.assertEqual(at(logo[0] + 47, logo[1] + 39), LOGO[3])
        self.assertEqual(controls["Cmd_Confirm"][:4], (cw - 3 - 77 - 12, ch - 10 - 27 - 12, 77, 27))
        self.assertEqual(controls["Cmd_Close"][:4], (292, 4, 31, 21))  # 4.5 px margins, halves to even

        # Rounded corners show the backdrop; square ones the corner tile.
        expected_corner = BACKDROP if round_corners else TILES["LeftTop"][3]
        self.assertEqual(at(0, 0), expected_corner)
        self.assertEqual(at(cw - 1, ch - 1), BACKDROP if round_corners else TILES["RightButtom"][3])
        return left, top

    def test_rounded_popup(self):
        shot, controls = self.run_host(True)
        left, top = self.check_popup(shot, controls, True)
        print("rounded popup at (%d, %d) %s" % (left, top, controls), file=sys.stderr)

    def test_square_popup(self):
        shot, controls = self.run_host(False)
        self.check_popup(shot, controls, False)


if __name__ == "__main__":
    unittest.main(verbosity=2)
