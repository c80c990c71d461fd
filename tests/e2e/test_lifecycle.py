"""The popup's lifecycle with the real Notify.exe: automatic close, the close and confirm
buttons clicked for real, the seen-message cache, sound, each message's own logo and
shadow."""
import os
import time

import harness as h

# Inside harness.BLUE_POPUP (title band 28 px, frame 6 px):
CLOSE = (292.5 + 15, 3.5 + 10)        # the close button's centre inside the popup
CONFIRM = (232 + 38, 142 + 13)        # the confirm button's centre inside the popup


def two_messages_close_by_themselves_in_order():
    h.reset_cache()
    with h.app_with_demo_skin("E2E.Auto", [h.message("A1", auto_shut=2, style="Blue"), h.message("A2", auto_shut=2, style="Blue")]) as app:
        begin = time.monotonic()
        proc = app.start()
        first = h.wait_popup()
        h.check(h.wait_for(lambda: h.cache_ids("E2E.Auto") == ["A1"], 10), "A1 was not recorded when shown")
        h.check(h.wait_for(lambda: h.cache_ids("E2E.Auto") == ["A1", "A2"], 10), "A2 was not recorded after A1")
        h.check(h.find_popup() == first, "the second message did not reuse the same window in place")
        proc.wait(timeout=30)
        elapsed = time.monotonic() - begin
        # 1 s show timer + 2 + 2 s, plus Wine's start-up; generous slack either way.
        h.check(4.5 <= elapsed <= 12, f"the run took {elapsed:.1f} s, expected about 5 s")


def close_button_ends_a_single_waiting_message_at_once():
    h.reset_cache()
    with h.app_with_demo_skin("E2E.Close", [h.message("C1", auto_shut=0, style="Blue")]) as app:
        proc = app.start()
        x, y, _, _ = h.wait_popup()
        time.sleep(1.5)
        h.check(proc.poll() is None, "AutoShut 0 must wait for a button")
        clicked = time.monotonic()
        h.click(x + CLOSE[0], y + CLOSE[1])
        proc.wait(timeout=15)
        h.check(time.monotonic() - clicked < 3, "the close click did not end the program at once")


def closing_the_last_of_two_accepted_hides_then_the_step_ends():
    h.reset_cache()
    msgs = [h.message("T1", auto_shut=1, style="Blue"), h.message("T2", auto_shut=0, style="Blue"),
            h.message("T3", auto_shut=0, style="Blue", limit="2000-01-01")]  # expired: two accepted of three
    with h.app_with_demo_skin("E2E.Three", msgs) as app:
        proc = app.start()
        h.check(h.wait_for(lambda: h.cache_ids("E2E.Three") == ["T1", "T2"], 20), "T2 was not shown")
        x, y, _, _ = h.wait_popup()
        time.sleep(0.5)
        h.click(x + CLOSE[0], y + CLOSE[1])
        h.check(h.popup_gone(1.0), "the popup did not hide at once")
        proc.wait(timeout=5)  # ends at the end of the current one-second step


def closing_early_restarts_the_count():
    h.reset_cache()
    with h.app_with_demo_skin("E2E.Early", [h.message("E1", auto_shut=6, style="Blue"), h.message("E2", auto_shut=1, style="Blue")]) as app:
        proc = app.start()
        x, y, _, _ = h.wait_popup()
        time.sleep(2)
        h.click(x + CLOSE[0], y + CLOSE[1])
        clicked = time.monotonic()
        h.check(h.popup_gone(1.0), "the popup did not hide at once")
        h.check(h.wait_for(lambda: h.find_popup(), 10), "the next message did not appear")
        gap = time.monotonic() - clicked
        h.check(3 <= gap <= 6, f"the next message came {gap:.1f} s after the click, expected about 4 s")
        proc.wait(timeout=20)


def confirm_runs_a_local_program_then_closes():
    h.reset_cache()
    with h.app_with_demo_skin("E2E.Bat", [h.message("B1", auto_shut=0, style="Blue", uri="{#P@CUR}mark.bat")]) as app:
        marker = os.path.join(app.path, "marker.txt")
        app.write("mark.bat", f'@echo confirmed> "{h.win_path(marker)}"\r\n')
        proc = app.start()
        x, y, _, _ = h.wait_popup()
        time.sleep(0.5)
        h.click(x + CONFIRM[0], y + CONFIRM[1])
        proc.wait(timeout=15)
        h.check(h.wait_for(lambda: os.path.exists(marker), 20), "the confirm button did not run the .bat")


def confirm_with_a_web_address_returns_at_once():
    h.reset_cache()
    with h.app_with_demo_skin("E2E.Web", [h.message("W1", auto_shut=0, style="Blue", uri="https://example.org/notify")]) as app:
        proc = app.start()
        x, y, _, _ = h.wait_popup()
        time.sleep(0.5)
        clicked = time.monotonic()
        h.click(x + CONFIRM[0], y + CONFIRM[1])
        proc.wait(timeout=15)
        h.check(time.monotonic() - clicked < 4, "confirm with a web address did not close at once")


def sound_plays_only_when_the_file_exists():
    sink = os.environ.get("NOTIFY_SOUND_SINK")
    h.check(sink, "NOTIFY_SOUND_SINK is not set by tools/winenv.sh")

    def sink_size():
        return os.path.getsize(sink) if os.path.exists(sink) else 0

    def empty_sink():
        # ALSA's file sink rewrites the file from its start whenever a program opens the
        # device, so sounds of earlier tests must not be counted against this one.
        open(sink, "wb").close()
        return 0

    h.reset_cache()
    with h.app_with_demo_skin("E2E.Mute", [h.message("S0", auto_shut=1, style="Blue", sound="missing.wav")]) as app:
        before = empty_sink()
        app.run(timeout=30)
        h.check(sink_size() == before, "a missing sound produced audio")
    h.reset_cache()
    # Wine opens its audio driver on the first sound; on a loaded machine that can take longer
    # than a short popup lives, and the asynchronous sound dies with the process.
    with h.app_with_demo_skin("E2E.Sound", [h.message("S1", auto_shut=6, style="Blue", sound="chime.wav")]) as app:
        before = empty_sink()
        app.run(timeout=30)
        h.check(sink_size() > before, "the chime did not reach the audio device")


def shot_per_message(app, app_id, count, inspect):
    """Runs the program and calls inspect(index, popup, image) once each message is shown."""
    proc = app.start()
    for index in range(count):
        h.check(h.wait_for(lambda: len(h.cache_ids(app_id)) > index, 30), f"message {index + 1} was not shown")
        time.sleep(0.6)
        popup = h.find_popup()
        h.check(popup, f"no popup for message {index + 1}")
        png = os.path.join(app.root, f"shot-{index}.png")
        inspect(index, popup, h.Image(h.screenshot(png)), h.visible_windows())
    proc.wait(timeout=30)


def each_message_shows_its_own_logo_under_one_style():
    # L2 shares L1's style but names another logo: it must show its own.
    h.reset_cache()
    msgs = [h.message("L1", auto_shut=2, style="Blue"), h.message("L2", auto_shut=2, style="Blue"),
            h.message("L3", auto_shut=2, style="Green")]
    msgs = [(a, i.replace("<Logo>logo.bmp</Logo>", f"<Logo>{logo}</Logo>"))
            for (a, i), logo in zip(msgs, ["notify.png", "update.png", "update.png"])]
    seen = []

    def inspect(index, popup, image, windows):
        x, y, _, _ = popup
        r, g, b = image.pixel(x + 22 + 6, y + 44 + 24)  # inside the logo's disc, left of its bubble
        seen.append("blue" if b > g else "green")

    with h.app_with_demo_skin("E2E.Style", msgs) as app:
        shot_per_message(app, "E2E.Style", 3, inspect)
    h.check(seen == ["blue", "green", "green"], f"logo colours per message: {seen}")


def only_messages_with_shadow_cast_one():
    h.reset_cache()
    msgs = [h.message("D1", auto_shut=2, style="Blue", shadow="OFF"), h.message("D2", auto_shut=2, style="Blue", shadow="ON"),
            h.message("D3", auto_shut=2, style="Blue", shadow="OFF")]
    strips, last_windows = [], []

    def inspect(index, popup, image, windows):
        x, y, w, hgt = popup
        last_windows[:] = windows
        strips.append((x + w, y - 5, 5, hgt + 10) in windows)  # the right-hand strip

    with h.app_with_demo_skin("E2E.Shadow", msgs) as app:
        shot_per_message(app, "E2E.Shadow", 3, inspect)
    h.check(strips == [False, True, False], f"right shadow strip present per message: {strips}; windows: {last_windows}")


def test():
    two_messages_close_by_themselves_in_order()
    close_button_ends_a_single_waiting_message_at_once()
    closing_the_last_of_two_accepted_hides_then_the_step_ends()
    closing_early_restarts_the_count()
    confirm_runs_a_local_program_then_closes()
    confirm_with_a_web_address_returns_at_once()
    sound_plays_only_when_the_file_exists()
    each_message_shows_its_own_logo_under_one_style()
    only_messages_with_shadow_cast_one()


if __name__ == "__main__":
    h.main(test)
