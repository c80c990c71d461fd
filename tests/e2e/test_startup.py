"""Start-up of the real Notify.exe: nothing to show ends at once and silently; a second
start of the same copy ends before touching anything; a copy in another folder starts."""
import os
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


def test():
    catalogue_without_messages_ends_with_no_window()
    missing_catalogue_ends_and_creates_no_cache()
    all_seen_stays_hidden_then_ends_at_the_first_tick()
    second_start_of_the_same_copy_ends_at_once()


if __name__ == "__main__":
    h.main(test)
