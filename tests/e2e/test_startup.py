"""Start-up of the real Notify.exe: nothing to show ends at once and silently; a second
start of the same copy ends before touching anything, however its path is spelled (8.3
short name, another drive letter for the same folder, other case); a copy in another
folder starts."""
import os
import subprocess
import time

import harness as h


def catalogue_without_messages_ends_with_no_window():
    h.reset_cache()
    with h.ProgramFolder() as app:
        app.write("Message.xml", '<?xml version="1.0"?><Catalog AppID="E2E.Empty"></Catalog>')
        appeared = h.windows_appearing_during(app.start(), 30)
        h.check(not appeared, f"a window was shown: {appeared}")
        # The cache is read before the messages are counted, so it exists now.
        h.check(os.path.exists(h.cache_file("E2E.Empty")), "the cache was not created")
        h.check(not os.path.exists(os.path.join(app.path, "Error.log")), "Error.log was written")


def missing_catalogue_ends_and_creates_no_cache():
    h.reset_cache()
    with h.ProgramFolder() as app:
        appeared = h.windows_appearing_during(app.start(), 30)
        h.check(not appeared, f"a window was shown: {appeared}")
        h.check(not os.path.exists(os.path.join(h.appdata(), "Korvane")), "a cache folder was created")


def all_seen_stays_hidden_then_ends_at_the_first_tick():
    h.reset_cache()
    cache = h.cache_file("E2E.Seen")
    os.makedirs(os.path.dirname(cache), exist_ok=True)
    with open(cache, "w") as f:
        f.write('<?xml version="1.0" encoding="GB2312"?><Config><ID>m1</ID></Config>')
    with h.ProgramFolder() as app:
        app.write("Message.xml", h.catalogue("E2E.Seen", [h.message("M1")]))
        begin = time.monotonic()
        appeared = h.windows_appearing_during(app.start(), 30)
        elapsed = time.monotonic() - begin
        h.check(not appeared, f"a window was shown: {appeared}")
        h.check(elapsed >= 0.9, f"ended after {elapsed:.2f} s, before the one-second show timer")
        with open(cache) as f:
            h.check(f.read().count("<ID>") == 1, "the cache changed although nothing was shown")


def second_start_of_the_same_copy_ends_at_once():
    h.reset_cache()
    with h.ProgramFolder() as first, h.ProgramFolder() as other:
        first.write("Message.xml", h.catalogue("E2E.Single", [h.message("S1", auto_shut=8)]))
        running = first.start()
        def recorded():
            path = h.cache_file("E2E.Single")
            return os.path.exists(path) and b"S1" in open(path, "rb").read()
        h.check(h.wait_for(recorded, 30), "the first instance did not show its message")
        cache_before = open(h.cache_file("E2E.Single"), "rb").read()
        begin = time.monotonic()
        second = first.start()
        second.wait(timeout=30)
        h.check(time.monotonic() - begin < 8, "the second start did not end at once")
        h.check(running.poll() is None, "the first instance ended too early for this test")
        h.check(open(h.cache_file("E2E.Single"), "rb").read() == cache_before, "the second start wrote the cache")
        h.check(not os.path.exists(os.path.join(first.path, "Error.log")), "the second start wrote Error.log")

        # A copy shipped by another host, in its own folder, is not blocked.
        other.write("Message.xml", h.catalogue("E2E.Other", [h.message("O1", auto_shut=1)]))
        other_proc = other.start()
        h.check(h.wait_for(lambda: os.path.exists(h.cache_file("E2E.Other")), 30),
                "a copy in another folder did not start while the first ran")
        other_proc.wait(timeout=60)
        running.wait(timeout=60)


def short_name(folder):
    """The 8.3 name Wine gives a folder, as its parent's listing shows it."""
    parent, name = os.path.split(folder)
    out = subprocess.run(["wine", "cmd", "/c", "dir", "/x", h.win_path(parent)], stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, errors="replace",
                         timeout=60).stdout
    for line in out.splitlines():
        parts = line.split()
        if parts and parts[-1] == name and "<DIR>" in parts and len(parts) == parts.index("<DIR>") + 3:
            return parts[-2]
    return None


def free_drive():
    dosdevices = os.path.join(os.environ["WINEPREFIX"], "dosdevices")
    for letter in "nopqrstuvw":
        link = os.path.join(dosdevices, letter + ":")
        if not os.path.lexists(link):
            return letter, link
    h.fail("no free drive letter in the prefix")


def the_same_file_under_other_names_runs_once():
    # The first instance shows S1 for 12 s; a second one that got through would show S2
    # (S1 is seen) and record it at once, so the cache tells whether it ran.
    h.reset_cache()
    with h.ProgramFolder() as first:
        first.write("Message.xml", h.catalogue("E2E.Names", [h.message("S1", auto_shut=12), h.message("S2", auto_shut=1)]))
        running = first.start()
        h.check(h.wait_for(lambda: h.cache_ids("E2E.Names") == ["S1"], 30), "the first instance did not show S1")
        short = short_name(first.root)
        h.check(short and short.upper() != os.path.basename(first.root).upper(), f"no 8.3 name for {first.root}")
        letter, link = free_drive()
        os.symlink(first.root, link)  # what subst does: another drive letter for the same folder
        try:
            spellings = {
                "8.3 short name": h.win_path(os.path.dirname(first.root)) + "\\" + short + "\\app\\Notify.exe",
                "another drive letter": letter.upper() + ":\\app\\Notify.exe",
                "other case": h.win_path(first.exe).upper(),
            }
            def start_as(path):
                return subprocess.Popen(["wine", path], cwd=first.path, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

            for what, path in spellings.items():
                second = start_as(path)
                second.wait(timeout=30)
                h.check(running.poll() is None, f"the first instance ended too early for this test ({what})")
                ids = h.cache_ids("E2E.Names")
                h.check(ids == ["S1"], f"started as {path} ({what}), it ran a second time: cache {ids}")
            running.wait(timeout=60)
            h.check(h.cache_ids("E2E.Names") == ["S1", "S2"], f"cache at the end: {h.cache_ids('E2E.Names')}")

            # Each spelling really names the program: alone, it starts and shows its message.
            for n, (what, path) in enumerate(spellings.items(), start=3):
                first.write("Message.xml", h.catalogue("E2E.Names", [h.message(f"S{n}", auto_shut=1)]))
                start_as(path).wait(timeout=60)
                h.check(f"S{n}" in h.cache_ids("E2E.Names"), f"started alone as {path} ({what}), it did not run")
        finally:
            os.remove(link)


def test():
    catalogue_without_messages_ends_with_no_window()
    missing_catalogue_ends_and_creates_no_cache()
    all_seen_stays_hidden_then_ends_at_the_first_tick()
    second_start_of_the_same_copy_ends_at_once()
    the_same_file_under_other_names_runs_once()


if __name__ == "__main__":
    h.main(test)
