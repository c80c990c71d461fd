#!/usr/bin/env python3
"""Runs the real Notify.exe to check what the vendor documentation says, and draws its
labelled popup picture. Run inside the Wine environment:

  tools/winenv.sh python3 tools/doc_checks.py sounds|dates|fit|parts [Notify.exe]

sounds  which WAV files reach the audio device (the ALSA file sink of tools/winenv.sh)
dates   which Limit texts expire, are kept, or empty the catalogue, in Wine's current locale
        (set LC_ALL before tools/winenv.sh to try another locale)
fit     how many lines of body text fit above the author row, per popup height
parts   docs/images/popup-parts.png: a popup on the starter skin with each piece named
"""
import math
import os
import struct
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
if len(sys.argv) > 2:
    os.environ["NOTIFY_EXE"] = os.path.abspath(sys.argv[2])
os.environ.setdefault("NOTIFY_EXE", os.path.join(ROOT, "build", "windows", "bin", "Notify.exe"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness as h  # noqa: E402

STARTER = "Blue"  # the demo's Blue style is the starter skin the docs point vendors to
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def starter_folder():
    app = h.ProgramFolder()
    h.copy_demo_skin(app)
    return app


def message(msg_id, limit="2099-12-31", auto_shut=2, sound="", height=150, content="Body text.",
            author="Author", date="Date", content_color="000000", author_color="0000FF", date_color="FF0000",
            confirm_color="00A000"):
    """One catalogue message on the starter skin; colours are blue-green-red hexadecimal."""
    attrs = f'ID="{msg_id}" Limit="{limit}" Style="{STARTER}" AutoShut="{auto_shut}"'
    inner = (f"<Check></Check><Uri></Uri><Logo>notify.png</Logo><Sound>{sound}</Sound>"
             f'<Form Color="FFFFFF" Width="320" Height="{height}" Round="OFF" Shadow="OFF"/>'
             f'<Title Color="FFFFFF">Title</Title><Content Color="{content_color}">{content}</Content>'
             f'<Author Color="{author_color}">{author}</Author><Date Color="{date_color}">{date}</Date>'
             f'<BtnCls Color="FFFFFF" PColor="C67A3C" Width="24" Height="20">X</BtnCls>'
             f'<BtnCfm Color="{confirm_color}" PColor="FFFFFF" Width="72" Height="24">OK</BtnCfm>')
    return attrs, inner


def run_catalogue(app_id, messages, files=None, timeout=90):
    """Runs Notify.exe on a fresh cache; returns the IDs it recorded as shown."""
    h.reset_cache()
    with starter_folder() as app:
        for name, data in (files or {}).items():
            app.write(name, data)
        app.write("Message.xml", h.catalogue(app_id, messages))
        app.run(timeout=timeout)
        return h.cache_ids(app_id)


# ---- sounds

def wav_bytes(rate, channels, bits, seconds=0.6, float_samples=False):
    frames = int(rate * seconds)
    out = bytearray()
    for i in range(frames):
        v = 0.5 * math.sin(2 * math.pi * 440 * i / rate)
        for _ in range(channels):
            if float_samples:
                out += struct.pack("<f", v)
            elif bits == 8:
                out.append(int(128 + 127 * v))
            else:
                full = int(v * (2 ** (bits - 1) - 1))
                out += full.to_bytes(bits // 8, "little", signed=True)
    tag = 3 if float_samples else 1
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", tag, channels, rate, rate * block, block, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(out)) + bytes(out)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def sounds():
    sink = os.environ.get("NOTIFY_SOUND_SINK")
    h.check(sink, "run under tools/winenv.sh: NOTIFY_SOUND_SINK is not set")
    # Each new stream rewrites the sink from its start, so each run starts without one.
    size = lambda: os.path.getsize(sink) if os.path.exists(sink) else 0  # noqa: E731
    cases = [(f"PCM {bits}-bit {'mono' if ch == 1 else 'stereo'} {rate} Hz", wav_bytes(rate, ch, bits))
             for bits in (8, 16) for ch in (1, 2) for rate in (8000, 11025, 22050, 44100, 48000)]
    cases += [("PCM 24-bit stereo 44100 Hz", wav_bytes(44100, 2, 24)),
              ("IEEE float 32-bit stereo 44100 Hz", wav_bytes(44100, 2, 32, float_samples=True)),
              ("not a WAV (text renamed .wav)", b"this is not a sound\n"),
              ("missing file", None)]
    failures = 0
    for index, (label, data) in enumerate(cases):
        files = {} if data is None else {"Sound/s.wav": data}
        if os.path.exists(sink):
            os.remove(sink)
        shown = run_catalogue("Doc.Sound", [message(f"snd{index}", auto_shut=1, sound="s.wav")], files)
        print(f"{label:40s} popup {'shown' if shown else 'NOT shown'}, audio bytes {size()}")
        failures += 0 if shown else 1
    return failures


# ---- dates

def dates():
    out = subprocess.run(["wine", "reg", "query", r"HKCU\Control Panel\International", "/v", "LocaleName"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=60).stdout
    locale = [line.split()[-1] for line in out.splitlines() if "LocaleName" in line]
    print(f"Wine user locale: {locale[0] if locale else 'unknown'} (LC_ALL={os.environ.get('LC_ALL', '')})")
    # Each run: an old Limit first, then a far one. Far shown alone: the old one was read and
    # expired. Both shown: the old one never expires. Nothing shown: a Limit was unreadable.
    for old in ("2020-01-01", "2020/01/01", "01.01.2020", "01/02/2020", "13/01/2020", "Jan 1, 2020",
                "2020年1月1日", "not a date", ""):
        shown = run_catalogue("Doc.Dates", [message("old", limit=old, auto_shut=1),
                                            message("far", limit="2099-12-31", auto_shut=1)])
        verdict = {("far",): "read, expired", ("old", "far"): "kept (never expires or not yet past)",
                   (): "catalogue shows nothing"}.get(tuple(shown), f"shown {shown}")
        print(f"Limit {old!r:16s} -> {verdict}")
    return 0


# ---- lines of body text per height

def dark(p):
    return max(p) < 110


def author_pixel(p):
    r, g, b = p
    return r > 150 and g < 100 and b < 100


def popup_window(expected_width):
    windows = [w for w in h.visible_windows() if w[2] == expected_width]
    return windows[0] if windows else None


def text_rows(image, box, left, right, top, bottom, wanted):
    x0, y0 = box[0], box[1]
    return [y for y in range(top, bottom)
            if any(wanted(image.pixel(x0 + x, y0 + y)) for x in range(left, right))]


def bands(rows):
    """Runs of consecutive rows as (first, last)."""
    result = []
    for y in rows:
        if result and y == result[-1][1] + 1:
            result[-1][1] = y
        else:
            result.append([y, y])
    return [tuple(b) for b in result]


def fit():
    # Capital-only words, each wider than half the body: one word per line, and glyph tops
    # that line up with the author row's capitals, so line slots can be compared directly.
    content = " ".join(["H" * 30] * 30)
    heights = list(range(100, 301, 20))
    messages = [message(f"fit{hgt}", height=hgt, auto_shut=2, content=content, author="AUTHOR",
                        date="DATE") for hgt in heights]
    width = 320 + 3 * 24  # three optional rows each widen the popup by the confirm height
    h.reset_cache()
    rows_out = []
    with starter_folder() as app:
        app.write("Message.xml", h.catalogue("Doc.Fit", messages))
        proc = app.start()
        for index, hgt in enumerate(heights):
            h.check(h.wait_for(lambda: len(h.cache_ids("Doc.Fit")) > index, 30), f"height {hgt} was not shown")
            time.sleep(0.6)
            box = popup_window(width)
            h.check(box, f"no popup {width} px wide for height {hgt}")
            image = h.Image(h.screenshot(os.path.join(app.root, f"fit{hgt}.png")))
            author_rows = text_rows(image, box, 0, box[2], 30, box[3], author_pixel)
            h.check(author_rows, f"no author row seen at height {hgt}")
            author_top = author_rows[0]
            lines = [b[0] for b in bands(text_rows(image, box, 82, box[2] - 12, 30, box[3] - 8, dark))]
            h.check(len(lines) > 2, f"no body lines seen at height {hgt}")
            pitch = sorted(b - a for a, b in zip(lines, lines[1:]))[len(lines) // 2 - 1]
            # A line fits when the slot of the line after it starts at or below the author row.
            fitting = sum(1 for top in lines if top + pitch <= author_top)
            rows_out.append((hgt, fitting, author_top, lines[0], pitch))
        proc.wait(timeout=90)
    print("Height  lines that fit above the author row  (author glyph top, first body glyph top, line pitch) px")
    for hgt, count, author_top, first, pitch in rows_out:
        print(f"{hgt:6d}  {count:3d}  ({author_top}, {first}, {pitch})")
    return 0


# ---- labelled picture

def parts():
    h.reset_cache()
    # Colours chosen so each text can be found on the screenshot.
    msg = message("parts", auto_shut=4, height=150,
                  content="Body text: word-wrapped beside the logo, never clipped.",
                  author="Author", date="Date (display text)", content_color="333333",
                  author_color="0000FF", date_color="FF0000", confirm_color="3A2A1A")
    width = 320 + 3 * 24
    target = os.path.join(ROOT, "docs", "images", "popup-parts.png")
    with starter_folder() as app:
        app.write("Message.xml", h.catalogue("Doc.Parts", [msg]))
        proc = app.start()
        h.check(h.wait_for(lambda: h.cache_ids("Doc.Parts"), 30), "the popup was not shown")
        time.sleep(0.8)
        box = popup_window(width)
        h.check(box, "no popup window found")
        shot = h.screenshot(os.path.join(app.root, "parts.png"))
        image = h.Image(shot)
        # Right half only: the logo on the left is blue too.
        author = bands(text_rows(image, box, box[2] // 2, box[2] - 8, 30, box[3], author_pixel))
        date = bands(text_rows(image, box, box[2] // 2, box[2] - 8, 30, box[3],
                               lambda p: p[2] > 150 and p[0] < 100 and p[1] < 100))
        proc.wait(timeout=30)
        x, y, w, hgt = box
        scale, pad_l, pad_r, pad_t = 2, 200, 230, 30
        canvas_w, canvas_h = w * scale + pad_l + pad_r, hgt * scale + 2 * pad_t
        # Anchor points (popup pixels) from the skin's sizes: corners 6 x 28 and 6 x 6, title
        # bar 28 high, icon 16 x 16, logo 48 x 48 at 22,44, close 24 x 20, confirm 72 x 24.
        a_top = author[0][0] + 4 if author else hgt - 70
        d_top = date[0][0] + 4 if date else hgt - 50
        left = [("LeftTop (corner)", 2, 3), ("Icon", 12, 12), ("Title", 40, 16), ("Logo", 28, 62),
                ("LeftMiddle (edge)", 3, 100), ("MiddleMiddle (centre)", 60, 130),
                ("LeftButtom (corner)", 3, hgt - 3)]
        right = [("RightTop (corner)", w - 2, 3), ("Close button (BtnCls)", w - 10, 12),
                 ("MiddleTop (title bar)", w - 70, 22), ("Content", 330, 62),
                 ("RightMiddle (edge)", w - 3, 105), ("Author", w - 45, a_top),
                 ("Date", w - 45, d_top), ("Confirm button (BtnCfm)", w - 45, hgt - 25),
                 ("MiddleButtom (edge)", w - 70, hgt - 3), ("RightButtom (corner)", w - 2, hgt - 3)]
        draw = []

        def label(text, px, py, side, slot, count):
            ly = pad_t + int((slot + 0.5) * hgt * scale / count)
            tx = 10 if side == "left" else pad_l + w * scale + 20
            ex, ey = pad_l + px * scale, pad_t + py * scale
            # DejaVu Sans at 14 points is about 8 pixels a character.
            sx = tx + 8 * len(text) + 4 if side == "left" else pad_l + w * scale + 14
            draw.extend(["-stroke", "#C03030", "-strokewidth", "1", "-draw", f"line {sx},{ly} {ex},{ey}",
                         "-fill", "#C03030", "-draw", f"circle {ex},{ey} {ex + 3},{ey}",
                         "-stroke", "none", "-fill", "black", "-annotate", f"+{tx}+{ly + 5}", text])

        for i, (text, px, py) in enumerate(left):
            label(text, px, py, "left", i, len(left))
        for i, (text, px, py) in enumerate(right):
            label(text, px, py, "right", i, len(right))
        crop = os.path.join(app.root, "crop.png")
        subprocess.run(["/usr/bin/convert", shot, "-crop", f"{w}x{hgt}+{x}+{y}", "+repage", "-filter", "point",
                        "-resize", f"{scale * 100}%", crop], check=True, timeout=60)
        subprocess.run(["/usr/bin/convert", "-size", f"{canvas_w}x{canvas_h}", "xc:white", crop, "-geometry",
                        f"+{pad_l}+{pad_t}", "-composite", "-font", FONT, "-pointsize", "14", *draw,
                        target], check=True, timeout=60)
    print(f"picture: {target} (popup {w} x {hgt} px on screen)")
    return 0


if __name__ == "__main__":
    h.require_environment()
    commands = {"sounds": sounds, "dates": dates, "fit": fit, "parts": parts}
    if len(sys.argv) < 2 or sys.argv[1] not in commands:
        print(__doc__)
        sys.exit(2)
    sys.exit(1 if commands[sys.argv[1]]() else 0)
