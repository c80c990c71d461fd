"""Hostile catalogues and caches: whatever the files hold, Notify.exe ends by itself within
30 s, shows nothing, writes no log line, leaves an existing cache as it was and does not
crash. The big inputs are made here, never stored.

Each input is wrapped so that acceptance would be seen: around it stands a catalogue, or a
cache beside one, that would show message M1 at once. So "nothing shown and the cache
unchanged" proves the file was refused, not read into something harmless. External
entities point at a loopback server that records every request it gets."""
import http.server
import os
import random
import shutil
import threading

import harness as h

APP_ID = "E2E.Hostile"
GOOD_CACHE = b'<?xml version="1.0" encoding="GB2312"?>\r\n<Config><ID>seen-before</ID></Config>\r\n'


# Accepted, either shape shows M1: the catalogue holds it, and the cache has not seen it.
M1 = h.message("M1", auto_shut=1)
CATALOGUE_SHAPE = (f'<Catalog AppID="{APP_ID}"><Message {M1[0]}>{M1[1]}</Message>', "</Catalog>")
CACHE_SHAPE = ("<Config><ID>seen-before</ID>", "</Config>")


class EntityServer:
    """A loopback HTTP server that answers every GET with an identifier and records the paths."""

    def __init__(self):
        requests = self.requests = []

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                requests.append(self.path)
                body = b"M1"
                self.send_response(200)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}/"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def entity_bomb(shape):
    text = "<?xml version='1.0'?><!DOCTYPE lolz [<!ENTITY lol0 'lol'>"
    for i in range(1, 10):
        text += f"<!ENTITY lol{i} '" + f"&lol{i - 1};" * 10 + "'>"
    return (text + "]>" + shape[0] + "&lol9;" + shape[1]).encode()


def external_entity(server, shape, kind):
    # Read, the entity would say "M1"; the server hears any fetch of it or of a DTD.
    return (f'<!DOCTYPE r SYSTEM "{server.url}{kind}.dtd" [<!ENTITY x SYSTEM "{server.url}{kind}">]>'
            + shape[0] + "<x>&x;</x>" + shape[1]).encode()


def deep_nesting(shape):
    depth = 100_000
    return (shape[0] + "<n>" * depth + "</n>" * depth + shape[1]).encode()


def thirty_megabytes_of_text(shape):
    return (shape[0] + "<Note>" + "x" * (30 * 1024 * 1024) + "</Note>" + shape[1]).encode()


def invalid_for_declared_encoding(shape):
    # 0xFF never starts a GB2312 character, and 0x80 never follows one.
    return b'<?xml version="1.0" encoding="GB2312"?>' + shape[0].encode() + b"<x>\xff\x80\xff</x>" + shape[1].encode()


def hostile_files(server, shape, kind):
    """(name, bytes or None for a folder in the file's place)."""
    return [
        ("random bytes", random.Random(12).randbytes(64 * 1024)),
        ("empty file", b""),
        ("entity bomb", entity_bomb(shape)),
        ("external entity", external_entity(server, shape, kind)),
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


def hostile_catalogues(server):
    cache = h.cache_file(APP_ID)
    with h.ProgramFolder() as app:
        for case, data in hostile_files(server, CATALOGUE_SHAPE, "catalogue"):
            h.reset_cache()
            place(cache, GOOD_CACHE)
            place(os.path.join(app.path, "Message.xml"), data)
            run_and_check(app, "catalogue: " + case, cache, GOOD_CACHE)


def hostile_caches(server):
    cache = h.cache_file(APP_ID)
    with h.ProgramFolder() as app:
        # A message that would show at once if the cache let the selection through.
        app.write("Message.xml", h.catalogue(APP_ID, [M1]))
        for case, data in hostile_files(server, CACHE_SHAPE, "cache"):
            h.reset_cache()
            place(cache, data)
            run_and_check(app, "cache: " + case, cache, data)


def wrapped_shapes_show_when_readable(server):
    """The control: the same shapes around harmless text are read, and M1 shows."""
    cache = h.cache_file(APP_ID)
    for name, shape in (("catalogue", CATALOGUE_SHAPE), ("cache", CACHE_SHAPE)):
        with h.ProgramFolder() as app:
            h.reset_cache()
            place(cache, GOOD_CACHE if name == "catalogue" else (shape[0] + "<x>M2</x>" + shape[1]).encode())
            app.write("Message.xml", (shape[0] + "<x>M2</x>" + shape[1]) if name == "catalogue"
                      else h.catalogue(APP_ID, [M1]))
            appeared = h.windows_appearing_during(app.start(), 30)
            h.check(appeared, f"the {name} shape around harmless text showed nothing: the test cannot see acceptance")
            h.check("M1" in h.cache_ids(APP_ID), f"the {name} shape: M1 was not recorded")


def test():
    server = EntityServer()
    try:
        wrapped_shapes_show_when_readable(server)
        hostile_catalogues(server)
        hostile_caches(server)
        h.check(not server.requests, f"external entities or DTDs were fetched: {server.requests}")
    finally:
        server.close()


if __name__ == "__main__":
    h.main(test)
