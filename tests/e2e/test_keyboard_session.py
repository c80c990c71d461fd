"""The popup closed from the keyboard and by the end of the session, with the real
Notify.exe: it never takes the focus by itself, but once clicked, Alt+F4 and Esc act as
the close button (the next message shows, the last one ends the program and frees the
single-instance lock); at log-off it ends promptly and what it recorded stays."""
import os
import subprocess
import time

import harness as h

BODY = (150, 100)  # inside the popup, on no button


def click_then_key(key):
    x, y, _, _ = h.wait_popup()
    h.click(x + BODY[0], y + BODY[1])
    time.sleep(0.5)
    h.xdotool("key", key)


def waiting_messages(*ids):
    return [h.message(i, auto_shut=0, style="Blue") for i in ids]


def start_until_first_shown(app, app_id, first_id):
    proc = app.start()
    h.check(h.wait_for(lambda: h.cache_ids(app_id) == [first_id], 30), f"{first_id} was not shown")
    h.wait_popup()
    return proc


def alt_f4_and_esc_act_as_the_close_button():
    h.reset_cache()
    msgs = waiting_messages("K1", "K2")
    with h.app_with_demo_skin("E2E.Keys", msgs) as app:
        proc = start_until_first_shown(app, "E2E.Keys", "K1")
        time.sleep(1.5)
        h.check(proc.poll() is None and h.cache_ids("E2E.Keys") == ["K1"], "AutoShut 0 must wait for the user")
        click_then_key("alt+F4")
        h.check(h.wait_for(lambda: h.cache_ids("E2E.Keys") == ["K1", "K2"], 10),
                "Alt+F4 did not go on to the next message")
        time.sleep(1.0)
        click_then_key("Escape")
        h.wait_end(proc, 10, "Esc on the last message did not end the program")
        h.check(not os.path.exists(os.path.join(app.path, "Error.log")), "Error.log was written")

        # The lock went with the process: the same copy starts again and shows a new message.
        app.write("Message.xml", h.catalogue("E2E.Keys", msgs + [h.message("K3", auto_shut=1, style="Blue")]))
        app.run(timeout=30)
        h.check(h.cache_ids("E2E.Keys") == ["K1", "K2", "K3"], f"cache after the restart: {h.cache_ids('E2E.Keys')}")


def the_end_of_the_session_ends_notify_promptly_in_order():
    sender = os.path.join(h.BUILD_DIR, "bin", "session_end_sender.exe")
    h.check(os.path.exists(sender), f"{sender} is not built")
    h.reset_cache()
    with h.app_with_demo_skin("E2E.Logoff", waiting_messages("L1", "L2")) as app:
        proc = start_until_first_shown(app, "E2E.Logoff", "L1")
        begin = time.monotonic()
        answer = subprocess.run(["wine", sender], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, timeout=60).returncode
        h.check(answer == 0, f"the session end was not agreed to (sender exit code {answer})")
        h.wait_end(proc, 10, "Notify.exe did not end at the end of the session")
        h.check(time.monotonic() - begin < 10, "the end of the session took too long")
        h.check(h.cache_ids("E2E.Logoff") == ["L1"], f"cache after log-off: {h.cache_ids('E2E.Logoff')}")
        h.check(not os.path.exists(os.path.join(app.path, "Error.log")), "Error.log was written")


def test():
    alt_f4_and_esc_act_as_the_close_button()
    the_end_of_the_session_ends_notify_promptly_in_order()


if __name__ == "__main__":
    h.main(test)
