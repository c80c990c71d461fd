#!/usr/bin/env python3
"""What a screen reader gets from the real Notify.exe. alert_listener.exe, a separate
process, hooks EVENT_SYSTEM_ALERT out of context before Notify starts; when the popup
appears it reads the accessible object behind the event: an alert named by the title,
described by the body with its author and date lines, with the two buttons as push
buttons named by their captions without '&', their access keys, and a default action.
Its default action on the close button must end the wait: Notify exits on its own."""
import os
import subprocess

import harness as h

LISTENER = os.path.join(os.environ.get("NOTIFY_BUILD_DIR", ""), "bin", "alert_listener.exe")
ROLE_SYSTEM_ALERT, ROLE_SYSTEM_PUSHBUTTON = 8, 43
OBJID_CLIENT = -4
APP_ID = "Notify.E2E.Reader"


def read_report(path):
    values = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("\t")
            values[key] = value
    return values


def test():
    h.check(os.path.exists(LISTENER), "alert_listener.exe not built")
    with h.ProgramFolder() as app:
        h.copy_demo_skin(app)
        app.write("Message.xml", h.catalogue(APP_ID, [h.message(
            "reader-1", auto_shut=0, style="Blue", title="Disk almost full", content="Free some space on drive C.",
            author="IT desk", date="9 December 2026", btn_cls="&amp;Later", btn_cfm="Fix &amp;&amp;clean &amp;now")]))
        h.reset_cache()
        report = os.path.join(app.root, "reader.txt")
        listener = subprocess.Popen(["wine", LISTENER, h.win_path(report), "1", "60"], stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        notify = None
        try:
            h.check(h.wait_for(lambda: os.path.exists(report + ".ready"), 30), "the listener did not set its hook")
            notify = app.start()
            h.check(h.wait_for(lambda: os.path.exists(report), 30), "no alert event reached the listener")
            r = read_report(report)
            print(r)
            h.check(r["class"] == "NotifyForm", f"alert from window class {r['class']}")
            h.check(int(r["event_object"]) == OBJID_CLIENT and int(r["event_child"]) == 0,
                    f"event for object {r['event_object']} child {r['event_child']}")
            h.check(r["window_text"] == "Disk almost full", f"window text {r['window_text']!r}")
            h.check(int(r["object_hr"]) == 0, f"AccessibleObjectFromEvent returned {r['object_hr']}")
            h.check(int(r["role"]) == ROLE_SYSTEM_ALERT, f"role {r['role']}")
            h.check(r["name"] == "Disk almost full", f"name {r['name']!r}")
            h.check(r["description"] == "Free some space on drive C.\\nIT desk\\n9 December 2026",
                    f"description {r['description']!r}")
            h.check(r["children"] == "2", f"{r['children']} children")
            expected = [("Later", "Alt+L"), ("Fix &clean now", "Alt+N")]
            for i, (name, shortcut) in enumerate(expected, start=1):
                h.check(r[f"child{i}_name"] == name, f"child {i} named {r[f'child{i}_name']!r}")
                h.check(int(r[f"child{i}_role"]) == ROLE_SYSTEM_PUSHBUTTON, f"child {i} role {r[f'child{i}_role']}")
                h.check(r[f"child{i}_shortcut"] == shortcut, f"child {i} shortcut {r[f'child{i}_shortcut']!r}")
                h.check(r[f"child{i}_action"] != "", f"child {i} has no default action")
            h.check(int(r["press_hr"]) == 0, f"accDoDefaultAction returned {r['press_hr']}")
            # AutoShut 0: only a button ends the wait, so ending proves the action clicked.
            try:
                notify.wait(timeout=20)
            except subprocess.TimeoutExpired:
                h.fail("Notify.exe still running after the close button's default action")
            with open(h.cache_file(APP_ID), "rb") as f:
                h.check(b"reader-1" in f.read(), "the message was not recorded as seen")
        finally:
            for proc in (notify, listener):
                if proc is not None and proc.poll() is None:
                    proc.kill()
                    proc.wait(timeout=30)


if __name__ == "__main__":
    h.main(test)
