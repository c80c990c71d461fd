#!/usr/bin/env python3
"""Draws the demo's default skins, logo and chime from code, so every asset in demo/ is
made here and can be regenerated: python3 tools/make_demo_assets.py"""
import math
import os
import struct
import wave
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo")


def write_bmp(path, width, height, pixel):
    """24-bit bottom-up BMP; pixel(x, y) -> (r, g, b) with y counted from the top."""
    row_size = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_png(path, width, height, pixel):
    """8-bit RGBA PNG; pixel(x, y) -> (r, g, b, a)."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw += bytes(pixel(x, y))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


class Palette:
    def __init__(self, top, bottom, border, body_top, body_bottom, button_face, button_edge):
        self.top, self.bottom, self.border = top, bottom, border
        self.body_top, self.body_bottom = body_top, body_bottom
        self.button_face, self.button_edge = button_face, button_edge


TITLE_H = 28
EDGE = 6


def draw_style(name, p):
    folder = os.path.join(ROOT, "Image", name)
    title = lambda y: mix(p.top, p.bottom, y / (TITLE_H - 1))  # noqa: E731

    def frame_top(x, y, width, left_border, right_border):
        if y == 0 or (left_border and x == 0) or (right_border and x == width - 1):
            return p.border
        return title(y)

    write_bmp(f"{folder}/LeftTop.bmp", EDGE, TITLE_H, lambda x, y: frame_top(x, y, EDGE, True, False))
    write_bmp(f"{folder}/MiddleTop.bmp", 1, TITLE_H, lambda x, y: frame_top(x, y, 1, False, False))
    write_bmp(f"{folder}/RightTop.bmp", EDGE, TITLE_H, lambda x, y: frame_top(x, y, EDGE, False, True))
    side = lambda x, outer: p.border if x == outer else p.body_bottom  # noqa: E731
    write_bmp(f"{folder}/LeftMiddle.bmp", EDGE, 1, lambda x, y: side(x, 0))
    write_bmp(f"{folder}/RightMiddle.bmp", EDGE, 1, lambda x, y: side(x, EDGE - 1))

    def bottom(x, y, width, left_border, right_border):
        if y == EDGE - 1 or (left_border and x == 0) or (right_border and x == width - 1):
            return p.border
        return p.body_bottom

    write_bmp(f"{folder}/LeftButtom.bmp", EDGE, EDGE, lambda x, y: bottom(x, y, EDGE, True, False))
    write_bmp(f"{folder}/MiddleButtom.bmp", 1, EDGE, lambda x, y: bottom(x, y, 1, False, False))
    write_bmp(f"{folder}/RightButtom.bmp", EDGE, EDGE, lambda x, y: bottom(x, y, EDGE, False, True))
    write_bmp(f"{folder}/MiddleMiddle.bmp", 1, 64, lambda x, y: mix(p.body_top, p.body_bottom, y / 63))

    def icon(x, y):
        d = math.hypot(x - 7.5, y - 7.5)
        if d > 7.5:
            return title(6 + y)  # blends with the title band behind it
        if 6.5 <= x <= 8.5 and (3 <= y <= 9 or 11 <= y <= 12):
            return p.top
        return (255, 255, 255)

    write_bmp(f"{folder}/Icon.bmp", 16, 16, icon)

    def strip(face, edge, on_title):
        # Five 19 x 23 cells: normal, pressed, disabled, hover, resting look for State 1.
        looks = [(face, edge), (mix(face, (0, 0, 0), 0.25), edge), ((200, 200, 200), (150, 150, 150)),
                 (mix(face, (255, 255, 255), 0.35), edge), (mix(face, (255, 255, 255), 0.15), edge)]

        def pixel(x, y):
            fill, rim = looks[x // 19]
            cx = x % 19
            if cx in (0, 18) or y in (0, 22):
                return rim
            shade = 0.12 * (y / 22.0) if not on_title else 0.0
            return mix(fill, (0, 0, 0), shade)

        return pixel

    write_bmp(f"{folder}/Close.bmp", 95, 23, strip(mix(p.top, p.bottom, 0.5), p.border, True))
    write_bmp(f"{folder}/Confirm.bmp", 95, 23, strip(p.button_face, p.button_edge, False))
    with open(f"{folder}/Config.xml", "w", encoding="utf-8", newline="\r\n") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<?xml-model href="../../../docs/schema/Config.xsd" type="application/xml"'
                ' schematypens="http://www.w3.org/2001/XMLSchema"?>\n<Skin>\n'
                "  <Icon>Icon.bmp</Icon>\n  <LeftTop>LeftTop.bmp</LeftTop>\n  <LeftMiddle>LeftMiddle.bmp</LeftMiddle>\n"
                "  <LeftButtom>LeftButtom.bmp</LeftButtom>\n  <MiddleTop>MiddleTop.bmp</MiddleTop>\n"
                "  <MiddleMiddle>MiddleMiddle.bmp</MiddleMiddle>\n  <MiddleButtom>MiddleButtom.bmp</MiddleButtom>\n"
                "  <RightTop>RightTop.bmp</RightTop>\n  <RightMiddle>RightMiddle.bmp</RightMiddle>\n"
                "  <RightButtom>RightButtom.bmp</RightButtom>\n  <Close>Close.bmp</Close>\n"
                "  <Confirm>Confirm.bmp</Confirm>\n</Skin>\n")


def draw_logo(path, colour_a, colour_b):
    size = 48

    def pixel(x, y):
        d = math.hypot(x - 23.5, y - 23.5)
        alpha = max(0.0, min(1.0, 23.5 - d))  # soft, anti-aliased rim
        r, g, b = mix(colour_a, colour_b, (x + y) / (2 * size))
        # A white speech bubble with three dots.
        in_bubble = (abs(x - 23.5) <= 13 and abs(y - 21.5) <= 8) or (14 <= x <= 20 and 29 <= y <= 35 - (x - 14))
        dot = any(math.hypot(x - cx, y - 21.5) <= 2.2 for cx in (16.5, 23.5, 30.5))
        if in_bubble and not dot:
            r, g, b = 255, 255, 255
        return (r, g, b, int(round(alpha * 255)))

    write_png(path, size, size, pixel)


def write_chime(path):
    rate = 22050
    frames = bytearray()
    for i in range(int(rate * 0.45)):
        t = i / rate
        tone = 880.0 if t < 0.15 else 1318.5
        start = 0.0 if t < 0.15 else 0.15
        env = math.exp(-(t - start) * 9.0)
        frames += struct.pack("<h", int(9000 * env * math.sin(2 * math.pi * tone * t)))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


if __name__ == "__main__":
    draw_style("Blue", Palette(top=(74, 144, 226), bottom=(38, 98, 186), border=(28, 72, 140),
                               body_top=(255, 255, 255), body_bottom=(234, 242, 252),
                               button_face=(244, 248, 255), button_edge=(74, 124, 196)))
    draw_style("Green", Palette(top=(92, 184, 120), bottom=(46, 136, 82), border=(30, 100, 60),
                                body_top=(255, 255, 255), body_bottom=(236, 248, 238),
                                button_face=(246, 252, 246), button_edge=(66, 150, 96)))
    draw_logo(os.path.join(ROOT, "Image", "Logo", "notify.png"), (74, 144, 226), (28, 72, 140))
    draw_logo(os.path.join(ROOT, "Image", "Logo", "update.png"), (92, 184, 120), (30, 100, 60))
    write_chime(os.path.join(ROOT, "Sound", "chime.wav"))
