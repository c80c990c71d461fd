"""A pretty-printed catalogue and skin with the real Notify.exe: element text loses the
line breaks and indentation around it, so a Check on its own indented line suppresses,
Logo, Sound and the skin's pictures on their own lines are found, and the title has no
leading blank line. The popup must look exactly as the same message written compactly."""
import os
import re
import time

import harness as h

LOGO_POINT = (22 + 6, 44 + 24)  # inside the notify.png logo's blue disc


def pretty(xml):
    """Every element's text on its own indented lines, with CR LF and tabs."""
    return re.sub(r"<(\w+)([^>]*)>([^<]+)</\1>", lambda m: f"<{m[1]}{m[2]}>\r\n\t\t  {m[3]}\r\n\t</{m[1]}>\r\n\t", xml)


def shown_message(msg_id):
    attrs, inner = h.message(msg_id, auto_shut=2, style="Blue", sound="chime.wav", title="Pretty",
                             content="Same look")
    return attrs, inner.replace("<Logo>logo.bmp</Logo>", "<Logo>notify.png</Logo>")


def popup_shot(app, app_id, name):
    """Runs the program and returns a screenshot taken while its one message shows."""
    proc = app.start()
    try:
        h.check(h.wait_for(lambda: h.cache_ids(app_id), 30), f"{app_id}: no message was shown")
        time.sleep(0.6)
        popup = h.find_popup()
        h.check(popup, f"{app_id}: no popup")
        image = h.Image(h.screenshot(os.path.join(app.root, name)))
    finally:
        proc.wait(timeout=30)
    return popup, image


def test():
    sink = os.environ.get("NOTIFY_SOUND_SINK")
    h.check(sink, "NOTIFY_SOUND_SINK is not set by tools/winenv.sh")

    h.reset_cache()
    with h.ProgramFolder() as app:
        h.copy_demo_skin(app)
        app.write("Message.xml", h.catalogue("E2E.Compact", [shown_message("C1")]))
        compact, compact_image = popup_shot(app, "E2E.Compact", "compact.png")
    r, g, b = compact_image.pixel(compact[0] + LOGO_POINT[0], compact[1] + LOGO_POINT[1])
    h.check(b > g and b > r, f"the compact run shows no logo: {(r, g, b)}")

    h.reset_cache()
    with h.ProgramFolder() as app:
        h.copy_demo_skin(app)
        config = os.path.join(app.path, "Image", "Blue", "Config.xml")
        with open(config, encoding="utf-8") as f:
            skin = f.read()
        app.write(os.path.join("Image", "Blue", "Config.xml"), pretty(skin))
        app.write("hide.txt", "x")
        hidden = h.message("P-hidden", auto_shut=2, style="Blue", check_file="{#P@CUR}hide.txt")
        xml = h.catalogue("E2E.Pretty", [hidden, shown_message("P-shown")])
        app.write("Message.xml", pretty(xml.replace("><", ">\r\n  <")))
        open(sink, "wb").close()  # the sink may be rewritten, not appended, by each run
        popup, image = popup_shot(app, "E2E.Pretty", "pretty.png")
        h.check(h.cache_ids("E2E.Pretty") == ["P-shown"], f"recorded: {h.cache_ids('E2E.Pretty')}")
        h.check(os.path.getsize(sink) > 0, "the sound named on its own line did not play")

    h.check(popup == compact, f"popup at {popup}, the compact one at {compact}")
    x0, y0 = popup[0], popup[1]
    width, height = h.BLUE_POPUP
    differing = sum(1 for y in range(height) for x in range(width)
                    if max(abs(p - q) for p, q in zip(image.pixel(x0 + x, y0 + y),
                                                      compact_image.pixel(x0 + x, y0 + y))) > 8)
    h.check(differing <= width * height // 200, f"{differing} of {width * height} popup pixels differ from the compact catalogue's")


if __name__ == "__main__":
    h.main(test)
