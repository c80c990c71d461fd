"""Hostile catalogues and caches: whatever the files hold, Notify.exe ends by itself within
30 s, shows nothing, writes no log line, leaves an existing cache as it was and does not
crash. The big inputs are made here, never stored."""
import os
import random
import shutil

import harness as h

APP_ID = "E2E.Hostile"
GOOD_CACHE = b'<?xml version="1.0" encoding="GB2312"?>\r\n<Config><ID>seen-before</ID></Config>\r\n'


# Each structured input is wrapped in the shape of the file it replaces, so that if a parser
# did accept it, the run would still have nothing to show: a catalogue without messages, a
# cache that has seen the one message.
CATALOGUE_SHAPE = (f'<Catalog AppID="{APP_ID}">', "</Catalog>")
CACHE_SHAPE = ("<Config><ID>M1</ID>", "</Config>")


def entity_bomb(shape):
    text = "<?xml version='1.0'?><!DOCTYPE lolz [<!ENTITY lol0 'lol'>"
    for i in range(1, 10):
        text += f"<!ENTITY lol{i} '" + f"&lol{i - 1};" * 10 + "'>"
    return (text + "]>" + shape[0] + "&lol9;" + shape[1]).encode()


def external_entity(app, shape):
    secret = os.path.join(app.root, "secret.txt")
    with open(secret, "w") as f:
        f.write("TOPSECRET")
    uri = "file:///" + h.win_path(secret).replace("\\", "/")
    return (f'<!DOCTYPE r [<!ENTITY x SYSTEM "{uri}">]>' + shape[0] + "&x;" + shape[1]).encode()


def deep_nesting(shape):
    depth = 100_000
    return (shape[0] + "<n>" * depth + "</n>" * depth + shape[1]).encode()


def thirty_megabytes_of_text(shape):
    return (shape[0] + "<Note>" + "x" * (30 * 1024 * 1024) + "</Note>" + shape[1]).encode()


def invalid_for_declared_encoding(shape):
    # 0xFF never starts a GB2312 character, and 0x80 never follows one.
    return b'<?xml version="1.0" encoding="GB2312"?>' + shape[0].encode() + b"<x>\xff\x80\xff</x>" + shape[1].encode()


def hostile_files(app, shape):
    """(name, bytes or None for a folder in the file's place)."""
    return [
        ("random bytes", random.Random(12).randbytes(64 * 1024)),
        ("empty file", b""),
        ("entity bomb", entity_bomb(shape)),
        ("external entity", external_entity(app, shape)),
        ("100000-deep nesting", deep_nesting(shape)),
        ("30 MB of text", thirty_megabytes_of_text(shape)),
        ("invalid bytes for the declared encoding", invalid_for_declared_encoding(shape)),
        ("a folder in the file's place", None),
    ]


def place(path, data):
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.exists(path):
        os.remove(path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if data is None:
        os.makedirs(os.path.join(path, "inside"))
    else:
        with open(path, "wb") as f:
            f.write(data)


def run_and_check(app, case, cache, cache_bytes):
    """One run: ends within 30 s, exit code 0, no window, no Error.log, the cache unchanged."""
    proc = app.start()
    appeared = h.windows_appearing_during(proc, 30)
    h.check(not appeared, f"{case}: a window was shown: {appeared}")
    h.check(proc.returncode == 0, f"{case}: Notify.exe ended with {proc.returncode:#x}")
    h.check(not os.path.exists(os.path.join(app.path, "Error.log")), f"{case}: Error.log was written")
    if cache_bytes is None:
        h.check(os.path.isdir(cache) and os.listdir(cache) == ["inside"], f"{case}: the folder in the cache's place changed")
    else:
        with open(cache, "rb") as f:
            h.check(f.read() == cache_bytes, f"{case}: the cache changed")
    h.check(not [n for n in os.listdir(os.path.dirname(cache)) if n != os.path.basename(cache)],
            f"{case}: files were left beside the cache")


def hostile_catalogues():
    cache = h.cache_file(APP_ID)
    with h.ProgramFolder() as app:
        for case, data in hostile_files(app, CATALOGUE_SHAPE):
            h.reset_cache()
            place(cache, GOOD_CACHE)
            place(os.path.join(app.path, "Message.xml"), data)
            run_and_check(app, "catalogue: " + case, cache, GOOD_CACHE)


def hostile_caches():
    cache = h.cache_file(APP_ID)
    with h.ProgramFolder() as app:
        # A message that would show at once if the cache let the selection through.
        app.write("Message.xml", h.catalogue(APP_ID, [h.message("M1", auto_shut=1)]))
        for case, data in hostile_files(app, CACHE_SHAPE):
            h.reset_cache()
            place(cache, data)
            run_and_check(app, "cache: " + case, cache, data)


def test():
    hostile_catalogues()
    hostile_caches()


if __name__ == "__main__":
    h.main(test)
